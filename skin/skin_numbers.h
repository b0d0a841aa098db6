#pragma once
#include <cstdint>

// The engine's one rounding rule and the split of a message parameter. Pure and
// constexpr so the pixel tables can be computed at compile time with the same rule.
namespace skin {

// Nearest integer, ties to the even neighbour (4.5 -> 4, 5.5 -> 6, -0.5 -> 0): halves
// for centring then do not drift one way across a run of controls.
constexpr int RoundHalfEven(double value) {
    auto floor = static_cast<long long>(value); // truncates toward zero
    if (static_cast<double>(floor) > value)
        --floor;
    const double fraction = value - static_cast<double>(floor);
    if (fraction > 0.5 || (fraction == 0.5 && (floor & 1) != 0))
        ++floor;
    return static_cast<int>(floor);
}

// numerator / denominator rounded half to even, exactly, for integer blends.
constexpr int RoundHalfEvenRatio(long long numerator, long long denominator) {
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    long long quotient = numerator / denominator;
    long long remainder = numerator % denominator;
    if (remainder < 0) { // make the quotient a floor
        --quotient;
        remainder += denominator;
    }
    if (2 * remainder > denominator || (2 * remainder == denominator && (quotient & 1) != 0))
        ++quotient;
    return static_cast<int>(quotient);
}

// Mouse positions left of or above a window arrive as negative 16-bit halves.
constexpr std::int16_t LowWord(std::uint32_t value) {
    return static_cast<std::int16_t>(value & 0xFFFFu);
}
constexpr std::int16_t HighWord(std::uint32_t value) {
    return static_cast<std::int16_t>(value >> 16);
}

} // namespace skin
