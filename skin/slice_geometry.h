#pragma once
#include <array>

// Where each piece of a nine-grid stretch goes: pure geometry, no drawing.
namespace skin {

struct BlitRect {
    int x, y, width, height;
};

struct SliceMargins {
    int left, top, right, bottom;
};

struct SliceBlit {
    bool stretch;  // StretchBlt, else a 1:1 BitBlt
    BlitRect dest; // in the box's own coordinates, (0, 0) at its top-left
    BlitRect source;
};

struct SlicePlan {
    std::array<SliceBlit, 9> blits{};
    int count = 0;

    const SliceBlit* begin() const { return blits.data(); }
    const SliceBlit* end() const { return blits.data() + count; }
    bool empty() const { return count == 0; }
};

// The transfers that draw `source` into a width x height box keeping the margins at
// their natural size: corners first, then the left, right, top and bottom edges, then
// the centre. Margins all <= 0 give one stretch of the whole source. Margins that do
// not fit the box (or the source) are shrunk in proportion, so every transfer has a
// positive size and lies inside the box; margins that fit are kept exactly. An empty
// box or source plans nothing.
SlicePlan PlanSkinSlice(int width, int height, BlitRect source, SliceMargins margins);

} // namespace skin
