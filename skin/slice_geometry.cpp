#include "slice_geometry.h"

#include "skin_numbers.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace skin {
namespace {

// Two opposite margins that together exceed the room they share are shrunk in
// proportion, so a 4-pixel box with 3-pixel margins keeps 2 of each rather than
// handing StretchBlt a negative middle (which mirrors).
// Sums are taken in 64 bits: margins near INT_MAX must shrink, not wrap.
std::pair<int, int> FitMargins(int first, int second, int room) {
    first = std::max(first, 0);
    second = std::max(second, 0);
    const long long sum = static_cast<long long>(first) + second;
    if (sum <= room)
        return {first, second};
    const int fitted = RoundHalfEvenRatio(static_cast<long long>(first) * room, sum);
    return {fitted, room - fitted};
}

bool FitsInt(long long value) {
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
}

// Room for two opposite margins: the box's extent, and when the box is the larger, the
// source less one pixel, so a middle that must be filled has a source to stretch.
int MarginRoom(int extent, int sourceExtent) {
    return extent <= sourceExtent ? extent : sourceExtent - 1;
}

class PlanBuilder {
  public:
    explicit PlanBuilder(SlicePlan& plan) : plan_(plan) {}
    void Add(bool stretch, BlitRect dest, BlitRect source) {
        if (dest.width <= 0 || dest.height <= 0 || source.width <= 0 || source.height <= 0)
            return;
        plan_.blits[static_cast<size_t>(plan_.count++)] = {stretch, dest, source};
    }

  private:
    SlicePlan& plan_;
};

} // namespace

SlicePlan PlanSkinSlice(int width, int height, BlitRect s, SliceMargins m) {
    SlicePlan plan;
    // A source whose far edge lies beyond int cannot be addressed at all.
    if (width <= 0 || height <= 0 || s.width <= 0 || s.height <= 0 ||
        !FitsInt(static_cast<long long>(s.x) + s.width) ||
        !FitsInt(static_cast<long long>(s.y) + s.height))
        return plan;
    PlanBuilder add(plan);

    if (m.left <= 0 && m.top <= 0 && m.right <= 0 && m.bottom <= 0) {
        // Margins below zero widen the source beyond its rectangle.
        const long long x = static_cast<long long>(s.x) + m.left;
        const long long y = static_cast<long long>(s.y) + m.top;
        const long long w = static_cast<long long>(s.width) - m.right;
        const long long h = static_cast<long long>(s.height) - m.bottom;
        if (FitsInt(x) && FitsInt(y) && FitsInt(w) && FitsInt(h) && FitsInt(x + w) &&
            FitsInt(y + h))
            add.Add(true, {0, 0, width, height},
                    {static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                     static_cast<int>(h)});
        return plan;
    }

    const auto [l, r] = FitMargins(m.left, m.right, MarginRoom(width, s.width));
    const auto [t, b] = FitMargins(m.top, m.bottom, MarginRoom(height, s.height));
    const int midW = width - l - r, midH = height - t - b;
    const int srcMidW = s.width - l - r, srcMidH = s.height - t - b;
    const int rightX = width - r, bottomY = height - b;
    const int srcRightX = s.x + s.width - r, srcBottomY = s.y + s.height - b;

    add.Add(false, {0, 0, l, t}, {s.x, s.y, l, t});
    add.Add(false, {rightX, 0, r, t}, {srcRightX, s.y, r, t});
    add.Add(false, {0, bottomY, l, b}, {s.x, srcBottomY, l, b});
    add.Add(false, {rightX, bottomY, r, b}, {srcRightX, srcBottomY, r, b});

    add.Add(true, {0, t, l, midH}, {s.x, s.y + t, l, srcMidH});
    add.Add(true, {rightX, t, r, midH}, {srcRightX, s.y + t, r, srcMidH});
    add.Add(true, {l, 0, midW, t}, {s.x + l, s.y, srcMidW, t});
    add.Add(true, {l, bottomY, midW, b}, {s.x + l, srcBottomY, srcMidW, b});
    add.Add(true, {l, t, midW, midH}, {s.x + l, s.y + t, srcMidW, srcMidH});
    return plan;
}

} // namespace skin
