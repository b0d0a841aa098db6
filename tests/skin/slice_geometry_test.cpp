#include "slice_geometry.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>
#include <vector>

namespace {

using skin::BlitRect;
using skin::PlanSkinSlice;
using skin::SliceBlit;

auto Tie(const BlitRect& r) {
    return std::tie(r.x, r.y, r.width, r.height);
}

void ExpectSame(const skin::SlicePlan& plan, const std::vector<SliceBlit>& want) {
    ASSERT_EQ(plan.count, static_cast<int>(want.size()));
    int i = 0;
    for (const SliceBlit& b : plan) {
        const SliceBlit& w = want[static_cast<size_t>(i)];
        EXPECT_EQ(b.stretch, w.stretch) << "blit " << i;
        EXPECT_EQ(Tie(b.dest), Tie(w.dest)) << "blit " << i;
        EXPECT_EQ(Tie(b.source), Tie(w.source)) << "blit " << i;
        ++i;
    }
}

TEST(SliceGeometry, ButtonFaceIntoItsBoxGoesCornersThenEdgesThenCentre) {
    // Cell 1 of the button image (y 21), margins 3, into 75 x 25.
    ExpectSame(PlanSkinSlice(75, 25, {0, 21, 7, 21}, {3, 3, 3, 3}),
               {{false, {0, 0, 3, 3}, {0, 21, 3, 3}},
                {false, {72, 0, 3, 3}, {4, 21, 3, 3}},
                {false, {0, 22, 3, 3}, {0, 39, 3, 3}},
                {false, {72, 22, 3, 3}, {4, 39, 3, 3}},
                {true, {0, 3, 3, 19}, {0, 24, 3, 15}},
                {true, {72, 3, 3, 19}, {4, 24, 3, 15}},
                {true, {3, 0, 69, 3}, {3, 21, 1, 3}},
                {true, {3, 22, 69, 3}, {3, 39, 1, 3}},
                {true, {3, 3, 69, 19}, {3, 24, 1, 15}}});
}

TEST(SliceGeometry, MarginsOfZeroOrLessStretchOnceAndZeroMarginsSkipTheirPieces) {
    ExpectSame(PlanSkinSlice(40, 30, {1, 0, 11, 20}, {0, 0, 0, 0}),
               {{true, {0, 0, 40, 30}, {1, 0, 11, 20}}});
    // The drop button's margins 2, 1, 1, 1 draw all nine pieces; a zero left margin
    // drops the left corners and the left edge.
    EXPECT_EQ(PlanSkinSlice(17, 21, {4, 0, 4, 18}, {2, 1, 1, 1}).count, 9);
    ExpectSame(PlanSkinSlice(10, 10, {0, 0, 4, 4}, {0, 1, 1, 1}),
               {{false, {9, 0, 1, 1}, {3, 0, 1, 1}},
                {false, {9, 9, 1, 1}, {3, 3, 1, 1}},
                {true, {9, 1, 1, 8}, {3, 1, 1, 2}},
                {true, {0, 0, 9, 1}, {0, 0, 3, 1}},
                {true, {0, 9, 9, 1}, {0, 3, 3, 1}},
                {true, {0, 1, 9, 8}, {0, 1, 3, 2}}});
}

// Whatever the margins, every piece has a positive size, stays inside the box and the
// source rectangle, and the pieces cover the box exactly once (a source too narrow for
// its margins still leaves a column to stretch over the middle).
TEST(SliceGeometry, MarginsLargerThanTheBoxAreShrunkToFitIt) {
    for (const BlitRect source : {BlitRect{2, 21, 7, 21}, BlitRect{0, 0, 6, 6}})
        for (int width = 1; width <= 12; ++width)
            for (int height = 1; height <= 12; ++height)
                for (const skin::SliceMargins m :
                     {skin::SliceMargins{3, 3, 3, 3}, {5, 5, 5, 5}, {2, 1, 1, 1}, {7, 0, 3, 9}}) {
                    const auto plan = PlanSkinSlice(width, height, source, m);
                    std::vector<int> covered(static_cast<size_t>(width * height), 0);
                    for (const SliceBlit& b : plan) {
                        ASSERT_GT(b.dest.width, 0);
                        ASSERT_GT(b.dest.height, 0);
                        ASSERT_GT(b.source.width, 0);
                        ASSERT_GT(b.source.height, 0);
                        ASSERT_GE(b.dest.x, 0);
                        ASSERT_GE(b.dest.y, 0);
                        ASSERT_LE(b.dest.x + b.dest.width, width);
                        ASSERT_LE(b.dest.y + b.dest.height, height);
                        ASSERT_GE(b.source.x, source.x);
                        ASSERT_GE(b.source.y, source.y);
                        ASSERT_LE(b.source.x + b.source.width, source.x + source.width);
                        ASSERT_LE(b.source.y + b.source.height, source.y + source.height);
                        if (!b.stretch) {
                            ASSERT_EQ(b.dest.width, b.source.width);
                            ASSERT_EQ(b.dest.height, b.source.height);
                        }
                        for (int y = b.dest.y; y < b.dest.y + b.dest.height; ++y)
                            for (int x = b.dest.x; x < b.dest.x + b.dest.width; ++x)
                                ++covered[static_cast<size_t>(y * width + x)];
                    }
                    for (int c : covered)
                        ASSERT_EQ(c, 1) << width << "x" << height << " margins " << m.left << ","
                                        << m.top << "," << m.right << "," << m.bottom;
                }
    // Opposite margins share what room there is in proportion.
    ExpectSame(PlanSkinSlice(4, 2, {0, 0, 7, 21}, {3, 3, 3, 3}),
               {{false, {0, 0, 2, 1}, {0, 0, 2, 1}},
                {false, {2, 0, 2, 1}, {5, 0, 2, 1}},
                {false, {0, 1, 2, 1}, {0, 20, 2, 1}},
                {false, {2, 1, 2, 1}, {5, 20, 2, 1}}});
}

// Extreme margins and boxes are planned in 64 bits: every piece stays in its box,
// the pieces together cover it once, and a source that cannot be addressed plans nothing.
TEST(SliceGeometry, ExtremeMarginsAndBoxesNeverLeaveTheBox) {
    constexpr int kMax = std::numeric_limits<int>::max(), kMin = std::numeric_limits<int>::min();
    const struct {
        int width, height;
        BlitRect source;
        skin::SliceMargins m;
        bool planned;
    } cases[] = {
        {75, 25, {0, 0, 7, 21}, {kMax, kMax, kMax, kMax}, true},
        {kMax, kMax, {0, 0, 7, 21}, {3, 3, 3, 3}, true},
        {kMax, 3, {0, 0, 7, 21}, {kMax, 1, kMax, 1}, true},
        {75, 25, {kMax - 3, 0, 7, 21}, {3, 3, 3, 3}, false},
        {75, 25, {0, 0, 7, 21}, {kMin, kMin, kMin, kMin}, false},
        {75, 25, {0, 0, 7, 21}, {0, 0, kMin, 0}, false},
    };
    for (const auto& c : cases) {
        const auto plan = PlanSkinSlice(c.width, c.height, c.source, c.m);
        EXPECT_EQ(!plan.empty(), c.planned) << c.width << "x" << c.height;
        long long area = 0;
        for (const SliceBlit& b : plan) {
            ASSERT_GT(b.dest.width, 0);
            ASSERT_GT(b.dest.height, 0);
            ASSERT_GE(b.dest.x, 0);
            ASSERT_GE(b.dest.y, 0);
            ASSERT_LE(static_cast<long long>(b.dest.x) + b.dest.width, c.width);
            ASSERT_LE(static_cast<long long>(b.dest.y) + b.dest.height, c.height);
            area += static_cast<long long>(b.dest.width) * b.dest.height;
        }
        if (c.planned) {
            EXPECT_EQ(area, static_cast<long long>(c.width) * c.height);
        }
    }
}

} // namespace
