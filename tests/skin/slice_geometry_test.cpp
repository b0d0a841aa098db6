#include "slice_geometry.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <tuple>
#include <vector>

namespace {

using skin::BlitRect;
using skin::PlanSkinSlice;
using skin::SliceBlit;
using skin::SliceMargins;

auto Tie(const BlitRect& r) {
    return std::tie(r.x, r.y, r.width, r.height);
}

void ExpectSame(const skin::SlicePlan& plan, const std::vector<SliceBlit>& want) {
    ASSERT_EQ(plan.count, static_cast<int>(want.size()));
    for (size_t i = 0; i < want.size(); ++i) {
        const SliceBlit &b = plan.blits[i], &w = want[i];
        EXPECT_EQ(b.stretch, w.stretch) << "blit " << i;
        EXPECT_EQ(Tie(b.dest), Tie(w.dest)) << "blit " << i;
        EXPECT_EQ(Tie(b.source), Tie(w.source)) << "blit " << i;
    }
}

// What every plan keeps, in 64 bits: each piece has a positive size and lies inside
// the box and the source rectangle, a 1:1 piece has its source's size, and the pieces
// cover the box exactly once (counted per pixel for small boxes, by area for others).
std::string Broken(const skin::SlicePlan& plan, int width, int height, BlitRect s) {
    const auto end = [](int from, int size) { return static_cast<long long>(from) + size; };
    const bool small = static_cast<long long>(width) * height <= 144;
    std::vector<int> covered(small ? static_cast<size_t>(width * height) : 0, 0);
    long long area = 0;
    for (const SliceBlit& b : plan) {
        const BlitRect &d = b.dest, &r = b.source;
        if (d.width <= 0 || d.height <= 0 || r.width <= 0 || r.height <= 0 || d.x < 0 || d.y < 0 ||
            end(d.x, d.width) > width || end(d.y, d.height) > height || r.x < s.x || r.y < s.y ||
            end(r.x, r.width) > end(s.x, s.width) || end(r.y, r.height) > end(s.y, s.height))
            return "a piece leaves its box or source";
        if (!b.stretch && (d.width != r.width || d.height != r.height))
            return "a 1:1 piece is resized";
        area += static_cast<long long>(d.width) * d.height;
        for (int y = d.y; small && y < d.y + d.height; ++y)
            for (int x = d.x; x < d.x + d.width; ++x)
                if (++covered[static_cast<size_t>(y * width + x)] > 1)
                    return "a pixel is covered twice";
    }
    return area == static_cast<long long>(width) * height ? "" : "the box is not covered";
}

// Margins that do not fit the box (or leave no source column for the middle) are
// shrunk, opposite margins in proportion to what room there is.
TEST(SliceGeometry, MarginsLargerThanTheBoxAreShrunkToFitIt) {
    for (const BlitRect source : {BlitRect{2, 21, 7, 21}, BlitRect{0, 0, 6, 6}})
        for (int width = 1; width <= 12; ++width)
            for (int height = 1; height <= 12; ++height)
                for (const SliceMargins m :
                     {SliceMargins{3, 3, 3, 3}, {5, 5, 5, 5}, {2, 1, 1, 1}, {7, 0, 3, 9}})
                    ASSERT_EQ(
                        Broken(PlanSkinSlice(width, height, source, m), width, height, source), "")
                        << width << "x" << height << " margins " << m.left << "," << m.top << ","
                        << m.right << "," << m.bottom;
    ExpectSame(PlanSkinSlice(4, 2, {0, 0, 7, 21}, {3, 3, 3, 3}),
               {{false, {0, 0, 2, 1}, {0, 0, 2, 1}},
                {false, {2, 0, 2, 1}, {5, 0, 2, 1}},
                {false, {0, 1, 2, 1}, {0, 20, 2, 1}},
                {false, {2, 1, 2, 1}, {5, 20, 2, 1}}});
}

// Extreme margins and boxes are planned in 64 bits and never leave the box; a source
// that cannot be addressed plans nothing.
TEST(SliceGeometry, ExtremeMarginsAndBoxesNeverLeaveTheBox) {
    constexpr int kMax = std::numeric_limits<int>::max(), kMin = std::numeric_limits<int>::min();
    const struct {
        int width, height;
        BlitRect source;
        SliceMargins m;
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
        EXPECT_EQ(c.planned ? Broken(plan, c.width, c.height, c.source) : "", "")
            << c.width << "x" << c.height;
    }
}

} // namespace
