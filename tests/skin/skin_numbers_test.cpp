#include "skin_numbers.h"

#include <gtest/gtest.h>

namespace {

TEST(RoundHalfEven, RoundsToNearestWithTiesToTheEvenNeighbour) {
    const struct {
        double value;
        int rounded;
    } cases[] = {
        {4.5, 4},  {5.5, 6},  {-0.5, 0},   {2.5, 2}, {3.5, 4},   {-1.5, -2}, {-2.5, -2},
        {0.49, 0}, {2.51, 3}, {-2.51, -3}, {7.0, 7}, {-3.0, -3}, {0.0, 0},   {1e6 + 0.5, 1000000}};
    for (const auto& c : cases)
        EXPECT_EQ(skin::RoundHalfEven(c.value), c.rounded) << c.value;
}

TEST(RoundHalfEven, RatioFormAgreesWithTheDoubleForm) {
    for (long long d = 1; d <= 8; ++d)
        for (long long n = -40; n <= 40; ++n)
            EXPECT_EQ(skin::RoundHalfEvenRatio(n, d),
                      skin::RoundHalfEven(static_cast<double>(n) / static_cast<double>(d)))
                << n << "/" << d;
    EXPECT_EQ(skin::RoundHalfEvenRatio(5, -2), -2);
}

TEST(WordSplit, SignExtendsEachHalf) {
    const struct {
        std::uint32_t value;
        int low, high;
    } cases[] = {{0xFFFF0005u, 5, -1},
                 {0x0005FFFFu, -1, 5},
                 {0x80007FFFu, 32767, -32768},
                 {0x00000000u, 0, 0},
                 {0x7FFF8000u, -32768, 32767}};
    for (const auto& c : cases) {
        EXPECT_EQ(skin::LowWord(c.value), c.low) << std::hex << c.value;
        EXPECT_EQ(skin::HighWord(c.value), c.high) << std::hex << c.value;
    }
}

} // namespace
