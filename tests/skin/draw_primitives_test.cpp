#include "draw_primitives.h"
#include "scratch_surfaces.h"
#include "skin_colours.h"
#include "skin_test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <vector>

namespace {

using skin_test::DescribeMismatches;

constexpr COLORREF K = skin::kSkinKey;
constexpr COLORREF kBackdrop = 0x00336699;
using Picture = std::function<COLORREF(int, int)>;

// A distinct colour for every source pixel, so a copied pixel tells where it came from.
COLORREF Source(int x, int y) {
    return RGB(10 + 20 * x, 5 + 10 * y, 0x80);
}

skin::ImageSurface Surface(int width, int height, const Picture& colourAt) {
    skin::ImageSurface surface = skin::CreateImageSurface(width, height);
    for (int i = 0; i < width * height; ++i)
        SetPixel(surface.get(), i % width, i / width, colourAt(i % width, i / width));
    return surface;
}

skin::ImageSurface Backdrop() {
    return Surface(90, 40, [](int, int) { return kBackdrop; });
}

std::vector<COLORREF> Snapshot(HDC dc) {
    std::vector<COLORREF> all;
    for (int i = 0; i < 90 * 40; ++i)
        all.push_back(GetPixel(dc, i % 90, i / 90));
    return all;
}

// The picture's pixels copied 1:1 to (left, top) where they are not the key; the
// backdrop elsewhere.
Picture KeyedAt(int left, int top, int width, int height, const Picture& picture) {
    return [=](int x, int y) {
        const int bx = x - left, by = y - top;
        const bool inside = bx >= 0 && by >= 0 && bx < width && by < height;
        return inside && picture(bx, by) != K ? picture(bx, by) : kBackdrop;
    };
}

class DrawPrimitives : public ::testing::Test {
  protected:
    void TearDown() override { skin::ReleaseScratchSurfaces(); }

    // 7 x 21 source, the size of one push-button face.
    skin::ImageSurface source_ = Surface(7, 21, Source);
    skin::ImageSurface dest_ = Backdrop();
};

TEST_F(DrawPrimitives, SliceKeepsCornersAndStretchesEdgesAndCentre) {
    const HDC d = dest_.get();
    ASSERT_TRUE(skin::DrawSkinSlice(d, 5, 6, 75, 25, source_.get(), 0, 0, 7, 21, 3, 3, 3, 3));
    // Every column of the middle 69 is source column 3; every row of the middle 19 is
    // one of the source rows 3..17, in order, each of them used.
    const auto sourceRow = [&](int boxY) {
        if (boxY < 3 || boxY >= 22)
            return boxY < 3 ? boxY : boxY - 4;
        for (int sy = 3; sy < 18; ++sy)
            if (GetPixel(d, 5 + 1, 6 + boxY) == Source(1, sy))
                return sy;
        return -1;
    };
    int previous = 2;
    for (int boxY = 3; boxY < 22; ++boxY) {
        const int sy = sourceRow(boxY);
        ASSERT_TRUE(sy == previous || sy == previous + 1) << "box row " << boxY;
        previous = sy;
    }
    EXPECT_EQ(previous, 17);
    EXPECT_EQ(DescribeMismatches(d, 90, 40,
                                 KeyedAt(5, 6, 75, 25,
                                         [&](int bx, int by) {
                                             const int sx = bx < 3 ? bx : bx >= 72 ? bx - 68 : 3;
                                             return Source(sx, sourceRow(by));
                                         })),
              "");
}

// Boxes no window can have (empty, a side negative or longer than 32767, an edge beyond
// -32767..32767 or past int) and sources that cannot be addressed are refused before
// the system sees them: nothing is drawn. A normal box draws.
TEST_F(DrawPrimitives, BoxesNoWindowCanHaveDrawNothing) {
    constexpr int kMax = std::numeric_limits<int>::max(), kMin = std::numeric_limits<int>::min();
    const struct {
        int x, y, width, height;
    } boxes[] = {{1, 1, 0, 25},        {1, 1, 75, 0},          {1, 1, -75, 25},
                 {1, 1, 75, -25},      {-32800, 0, 32810, 10}, {0, -32800, 10, 32810},
                 {0, 0, 32768, 10},    {0, 0, kMax, kMax},     {kMax - 5, 0, 75, 25},
                 {kMin, kMin, 75, 25}, {kMin + 5, 0, kMax, 25}};
    const struct {
        int x, width;
    } sources[] = {{0, 0}, {0, -7}, {kMax - 3, 7}, {0, kMax}, {kMin, 7}, {-40000, 40007}};
    const HDC d = dest_.get(), s = source_.get();
    const auto before = Snapshot(d);
    for (const auto& b : boxes) {
        SCOPED_TRACE(::testing::Message()
                     << b.x << "," << b.y << " " << b.width << "x" << b.height);
        EXPECT_EQ(skin::DrawSkinSlice(d, b.x, b.y, b.width, b.height, s, 0, 0, 7, 21, 3, 3, 3, 3),
                  0);
        skin::DrawSkinSlice(d, b.x, b.y, b.width, b.height, s, 0, 0, 7, 21, 0, 0, 0, 0, K);
        skin::DrawKeyed(d, b.x, b.y, b.width, b.height, s, 0, 0, K);
        skin::FillSolid(d, b.x, b.y, b.width, b.height, 0xFF);
        skin::FrameSolid(d, b.x, b.y, b.width, b.height, 0xFF);
        ASSERT_EQ(Snapshot(d), before);
    }
    for (const auto& source : sources) {
        SCOPED_TRACE(::testing::Message() << "source " << source.x << "+" << source.width);
        EXPECT_EQ(
            skin::DrawSkinSlice(d, 1, 1, 75, 25, s, source.x, 0, source.width, 21, 3, 3, 3, 3), 0);
        skin::DrawSkinSlice(d, 1, 1, 75, 25, s, source.x, 0, source.width, 21, 0, 0, 0, 0, K);
        if (source.x != 0)
            skin::DrawKeyed(d, 1, 1, 75, 25, s, source.x, 0, K);
        ASSERT_EQ(Snapshot(d), before);
    }
    // Doubling in both directions makes the stretch exact: 2 x 2 blocks of each pixel.
    ASSERT_TRUE(skin::DrawSkinSlice(d, 0, 0, 14, 40, s, 0, 0, 7, 20, 0, 0, 0, 0));
    EXPECT_EQ(DescribeMismatches(d, 14, 40, [](int x, int y) { return Source(x / 2, y / 2); }), "");
}

TEST_F(DrawPrimitives, KeyColouredPixelsLeaveTheDestinationUnchanged) {
    // A disc-like source: key in a checker pattern, colours elsewhere.
    const auto keyed = [](int x, int y) { return (x + y) % 3 == 0 ? K : Source(x, y); };
    const skin::ImageSurface src = Surface(13, 13, keyed);
    skin::DrawKeyed(dest_.get(), 2, 3, 13, 13, src.get(), 0, 0, K);
    EXPECT_EQ(DescribeMismatches(dest_.get(), 90, 40, KeyedAt(2, 3, 13, 13, keyed)), "");
    // The same through DrawSkinSlice with a key: a 1:1 slice with margins 5.
    const skin::ImageSurface again = Backdrop();
    EXPECT_EQ(
        skin::DrawSkinSlice(again.get(), 2, 3, 13, 13, src.get(), 0, 0, 13, 13, 5, 5, 5, 5, K), 1);
    EXPECT_EQ(DescribeMismatches(again.get(), 90, 40, KeyedAt(2, 3, 13, 13, keyed)), "");

    // All key: nothing changes. A system-colour key is translated first.
    const auto before = Snapshot(dest_.get());
    const skin::ImageSurface allKey = Surface(13, 13, [](int, int) { return K; });
    skin::DrawKeyed(dest_.get(), 40, 5, 13, 13, allKey.get(), 0, 0, K);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const skin::ImageSurface sys = Surface(13, 13, [&](int, int) { return window; });
    skin::DrawKeyed(dest_.get(), 60, 5, 13, 13, sys.get(), 0, 0, 0x80000000 | COLOR_WINDOW);
    EXPECT_EQ(Snapshot(dest_.get()), before);
}

// Whichever object the system refuses, nothing leaks and the destination shows either
// nothing or the whole result, never a part.
TEST_F(DrawPrimitives, RefusedObjectsLeakNothingAndDrawAllOrNothing) {
    const auto keyed = [](int x, int y) { return (x * y) % 4 == 1 ? K : Source(x, y); };
    const skin::ImageSurface src = Surface(7, 21, keyed);
    const skin::ImageSurface want = Backdrop();
    skin::DrawSkinSlice(want.get(), 3, 4, 30, 25, src.get(), 0, 0, 7, 21, 3, 3, 3, 3, K);
    const auto complete = Snapshot(want.get()), untouched = Snapshot(dest_.get());
    bool drewAtLeastOnce = false, refusedAtLeastOnce = false;
    for (int n = 1; n <= 14; ++n) {
        const skin::ImageSurface d = Backdrop();
        skin::ReleaseScratchSurfaces(); // so every scratch surface is made again
        const long held = gdi_tally::Held();
        gdi_tally::failAfter = n;
        skin::DrawSkinSlice(d.get(), 3, 4, 30, 25, src.get(), 0, 0, 7, 21, 3, 3, 3, 3, K);
        const bool faultFired = gdi_tally::failAfter == 0;
        gdi_tally::failAfter = 0;
        skin::ReleaseScratchSurfaces();
        EXPECT_EQ(gdi_tally::Held(), held) << "failing creation " << n;
        const auto got = Snapshot(d.get());
        EXPECT_TRUE(got == complete || got == untouched) << "failing creation " << n;
        drewAtLeastOnce |= got == complete;
        refusedAtLeastOnce |= faultFired && got == untouched;
    }
    EXPECT_TRUE(drewAtLeastOnce && refusedAtLeastOnce);

    const long held = gdi_tally::Held();
    gdi_tally::failAfter = 1;
    EXPECT_EQ(skin::FillSolid(dest_.get(), 0, 0, 10, 10, 0x0000FF), 0);
    gdi_tally::failAfter = 1;
    EXPECT_EQ(skin::FrameSolid(dest_.get(), 0, 0, 10, 10, 0x0000FF), 0);
    gdi_tally::failAfter = 0;
    EXPECT_EQ(gdi_tally::Held(), held);
    EXPECT_EQ(Snapshot(dest_.get()), untouched);
}

// Scratch surfaces are made once and reused: a repaint creates no GDI object, and a
// box drawn after a bigger one shows nothing of it. A taller box than any before is
// drawn whole.
TEST_F(DrawPrimitives, ScratchSurfacesAreReusedAndLeaveNothingBehind) {
    const auto keyed = [](int x, int y) { return (x + 2 * y) % 5 == 0 ? K : Source(x, y); };
    const skin::ImageSurface src = Surface(7, 21, keyed), taller = Backdrop();
    skin::DrawKeyed(dest_.get(), 0, 0, 7, 5, src.get(), 0, 0, K);
    skin::DrawKeyed(taller.get(), 5, 5, 7, 21, src.get(), 0, 0, K);
    EXPECT_EQ(DescribeMismatches(taller.get(), 90, 40, KeyedAt(5, 5, 7, 21, keyed)), "");
    skin::DrawSkinSlice(dest_.get(), 0, 0, 80, 30, src.get(), 0, 0, 7, 21, 3, 3, 3, 3, K);
    const long acquired = gdi_tally::acquired.load();
    for (int i = 0; i < 50; ++i) {
        skin::DrawSkinSlice(dest_.get(), 0, 0, 75 - i, 25, src.get(), 0, 0, 7, 21, 3, 3, 3, 3, K);
        skin::DrawKeyed(dest_.get(), 0, 0, 13, 13 + i % 5, src.get(), 0, 0, K);
    }
    EXPECT_EQ(gdi_tally::acquired.load(), acquired);
    const skin::ImageSurface fresh = Backdrop();
    skin::DrawKeyed(fresh.get(), 5, 5, 7, 21, src.get(), 0, 0, K);
    EXPECT_EQ(DescribeMismatches(fresh.get(), 90, 40, KeyedAt(5, 5, 7, 21, keyed)), "");
}

// The focus box is the system's dotted XOR rectangle: drawn twice, it is gone. (Fills and
// frames are pixel-checked in every painter's picture.)
TEST_F(DrawPrimitives, FocusBoxDrawnTwiceIsGone) {
    const auto before = Snapshot(dest_.get());
    EXPECT_TRUE(skin::DrawFocusBox(dest_.get(), 40, 5, 20, 10));
    EXPECT_NE(Snapshot(dest_.get()), before);
    EXPECT_TRUE(skin::DrawFocusBox(dest_.get(), 40, 5, 20, 10));
    EXPECT_EQ(Snapshot(dest_.get()), before);
}

TEST(DrawOnWindows, FrameWidthsAreHalfTheNonClientSizeRoundedHalfToEven) {
    const struct {
        skin_test::Insets insets;
        int frameX, frameY;
    } cases[] = {
        {{2, 2, 2, 2}, 2, 2}, {{3, 1, 2, 2}, 2, 2}, // 5 / 2 -> 2, 3 / 2 -> 2
        {{1, 0, 2, 1}, 2, 0}, {{4, 1, 3, 0}, 4, 0}, // 3 / 2 -> 2, 7 / 2 -> 4, 1 / 2 -> 0
        {{0, 0, 0, 0}, 0, 0}, {{1, 3, 0, 6}, 0, 4}, // 1 / 2 -> 0, 9 / 2 -> 4
    };
    for (const auto& c : cases) {
        const skin_test::Control window(c.insets);
        int fx = -9, fy = -9;
        EXPECT_EQ(skin::GetFrameWidths(window.get(), fx, fy), 1);
        EXPECT_EQ(fx * 10 + fy, c.frameX * 10 + c.frameY)
            << c.insets.left << "+" << c.insets.right << ", " << c.insets.top << "+"
            << c.insets.bottom;
    }
    // A 2-pixel client edge with a vertical scroll bar (shown while disabled): the bar is
    // not frame.
    const skin_test::Control list(L"ListBox", L"", WS_VSCROLL | LBS_DISABLENOSCROLL, 10, 10, 120,
                                  80, WS_EX_CLIENTEDGE);
    int fx = 0, fy = 0;
    skin::GetFrameWidths(list.get(), fx, fy);
    EXPECT_EQ(fx * 10 + fy, 22);
}

} // namespace
