#include "skin_numbers.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// Ties go to the even neighbour; the exact ratio form agrees with the double form
// whatever the signs.
TEST(RoundHalfEven, RoundsToNearestWithTiesToTheEvenNeighbour) {
    const struct {
        double value;
        int rounded;
    } cases[] = {
        {4.5, 4},  {5.5, 6},  {-0.5, 0},   {2.5, 2}, {3.5, 4},   {-1.5, -2}, {-2.5, -2},
        {0.49, 0}, {2.51, 3}, {-2.51, -3}, {7.0, 7}, {-3.0, -3}, {0.0, 0},   {1e6 + 0.5, 1000000}};
    for (const auto& c : cases)
        EXPECT_EQ(skin::RoundHalfEven(c.value), c.rounded) << c.value;
    for (long long d = -8; d <= 8; ++d)
        for (long long n = -40; n <= 40 && d != 0; ++n)
            EXPECT_EQ(skin::RoundHalfEvenRatio(n, d),
                      skin::RoundHalfEven(static_cast<double>(n) / static_cast<double>(d)))
                << n << "/" << d;
}

TEST(WordSplit, SignExtendsEachHalf) {
    for (const auto& [value, low, high] : {std::tuple{0xFFFF0005u, 5, -1},
                                           {0x0005FFFFu, -1, 5},
                                           {0x80007FFFu, 32767, -32768},
                                           {0x7FFF8000u, -32768, 32767}}) {
        EXPECT_EQ(skin::LowWord(value), low) << std::hex << value;
        EXPECT_EQ(skin::HighWord(value), high) << std::hex << value;
    }
}

} // namespace
