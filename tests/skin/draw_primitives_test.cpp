#include "draw_primitives.h"
#include "scratch_surfaces.h"
#include "skin_colours.h"
#include "skin_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using skin_test::DescribeMismatches;
using skin_test::PatternSurface;

constexpr COLORREF K = skin::kSkinKey;
constexpr COLORREF kBackdrop = 0x00336699;

// A distinct colour for every source pixel, so a copied pixel tells where it came from.
COLORREF Source(int x, int y) {
    return RGB(10 + 20 * x, 5 + 10 * y, 0x80);
}

std::vector<COLORREF> Snapshot(HDC dc, int width, int height) {
    std::vector<COLORREF> all;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            all.push_back(GetPixel(dc, x, y));
    return all;
}

class DrawPrimitives : public ::testing::Test {
  protected:
    void TearDown() override { skin::ReleaseScratchSurfaces(); }

    // 7 x 21 source, the size of one push-button face.
    skin::ImageSurface source_ = PatternSurface(7, 21, Source);
    skin::ImageSurface dest_ = PatternSurface(90, 40, [](int, int) { return kBackdrop; });
};

TEST_F(DrawPrimitives, SliceKeepsCornersAndStretchesEdgesAndCentre) {
    const HDC d = dest_.get();
    ASSERT_TRUE(skin::DrawSkinSlice(d, 5, 6, 75, 25, source_.get(), 0, 0, 7, 21, 3, 3, 3, 3));
    // Every column of the middle 69 is source column 3; every row of the middle 19 is
    // one of the source rows 3..17, in order, each of them used.
    const auto sourceRow = [&](int boxY) {
        if (boxY < 3)
            return boxY;
        if (boxY >= 22)
            return boxY - 4;
        for (int sy = 3; sy < 18; ++sy)
            if (GetPixel(d, 5 + 1, 6 + boxY) == Source(1, sy))
                return sy;
        return -1;
    };
    int previous = 2;
    for (int boxY = 3; boxY < 22; ++boxY) {
        const int sy = sourceRow(boxY);
        ASSERT_GE(sy, previous) << "box row " << boxY;
        ASSERT_LE(sy - previous, 1) << "box row " << boxY;
        previous = sy;
    }
    EXPECT_EQ(previous, 17);
    const auto expected = [&](int x, int y) -> COLORREF {
        const int bx = x - 5, by = y - 6;
        if (bx < 0 || by < 0 || bx >= 75 || by >= 25)
            return kBackdrop;
        const int sx = bx < 3 ? bx : bx >= 72 ? bx - 68 : 3;
        return Source(sx, sourceRow(by));
    };
    EXPECT_EQ(DescribeMismatches(d, 90, 40, expected), "");
}

TEST_F(DrawPrimitives, SliceWithoutMarginsStretchesTheWholeSourceInOneTransfer) {
    const HDC d = dest_.get();
    ASSERT_TRUE(skin::DrawSkinSlice(d, 0, 0, 14, 40, source_.get(), 0, 0, 7, 20, 0, 0, 0, 0));
    // Doubling in both directions makes the stretch exact: 2 x 2 blocks of each pixel.
    EXPECT_EQ(DescribeMismatches(d, 14, 40, [](int x, int y) { return Source(x / 2, y / 2); }), "");
}

TEST_F(DrawPrimitives, EmptyBoxOrSourceDrawsNothingAndAnswersZero) {
    const HDC d = dest_.get();
    const auto before = Snapshot(d, 90, 40);
    EXPECT_EQ(skin::DrawSkinSlice(d, 1, 1, 0, 25, source_.get(), 0, 0, 7, 21, 3, 3, 3, 3), 0);
    EXPECT_EQ(skin::DrawSkinSlice(d, 1, 1, 75, 0, source_.get(), 0, 0, 7, 21, 3, 3, 3, 3), 0);
    EXPECT_EQ(skin::DrawSkinSlice(d, 1, 1, 75, 25, source_.get(), 0, 0, 0, 21, 3, 3, 3, 3), 0);
    EXPECT_EQ(skin::DrawSkinSlice(d, 1, 1, 75, 25, source_.get(), 0, 0, 7, 0, 0, 0, 0, 0, K), 0);
    skin::DrawKeyed(d, 1, 1, 0, 5, source_.get(), 0, 0, K);
    EXPECT_EQ(Snapshot(d, 90, 40), before);
}

TEST_F(DrawPrimitives, KeyColouredPixelsLeaveTheDestinationUnchanged) {
    const HDC d = dest_.get();
    // A disc-like source: key in a checker pattern, colours elsewhere.
    const auto keyed = [](int x, int y) { return (x + y) % 3 == 0 ? K : Source(x, y); };
    const skin::ImageSurface src = PatternSurface(13, 13, keyed);
    skin::DrawKeyed(d, 2, 3, 13, 13, src.get(), 0, 0, K);
    const auto expected = [&](int x, int y) {
        const int bx = x - 2, by = y - 3;
        const bool inside = bx >= 0 && by >= 0 && bx < 13 && by < 13;
        return inside && keyed(bx, by) != K ? keyed(bx, by) : kBackdrop;
    };
    EXPECT_EQ(DescribeMismatches(d, 90, 40, expected), "");

    // The same through DrawSkinSlice with a key: a 1:1 slice with margins 5.
    const skin::ImageSurface again = PatternSurface(90, 40, [](int, int) { return kBackdrop; });
    EXPECT_EQ(
        skin::DrawSkinSlice(again.get(), 2, 3, 13, 13, src.get(), 0, 0, 13, 13, 5, 5, 5, 5, K), 1);
    EXPECT_EQ(DescribeMismatches(again.get(), 90, 40, expected), "");

    // All key: nothing changes. A system-colour key is translated first.
    const auto before = Snapshot(d, 90, 40);
    const skin::ImageSurface allKey = PatternSurface(13, 13, [](int, int) { return K; });
    skin::DrawKeyed(d, 40, 5, 13, 13, allKey.get(), 0, 0, K);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const skin::ImageSurface sys = PatternSurface(13, 13, [&](int, int) { return window; });
    skin::DrawKeyed(d, 60, 5, 13, 13, sys.get(), 0, 0, 0x80000000 | COLOR_WINDOW);
    EXPECT_EQ(Snapshot(d, 90, 40), before);
}

// Whichever object the system refuses, nothing leaks and the destination shows either
// nothing or the whole result, never a part.
TEST_F(DrawPrimitives, RefusedObjectsLeakNothingAndDrawAllOrNothing) {
    const auto keyed = [](int x, int y) { return (x * y) % 4 == 1 ? K : Source(x, y); };
    const skin::ImageSurface src = PatternSurface(7, 21, keyed);
    const skin::ImageSurface want = PatternSurface(90, 40, [](int, int) { return kBackdrop; });
    skin::DrawSkinSlice(want.get(), 3, 4, 30, 25, src.get(), 0, 0, 7, 21, 3, 3, 3, 3, K);
    const auto complete = Snapshot(want.get(), 90, 40);
    const auto untouched = Snapshot(dest_.get(), 90, 40);

    bool drewAtLeastOnce = false, refusedAtLeastOnce = false;
    for (int n = 1; n <= 14; ++n) {
        const skin::ImageSurface d = PatternSurface(90, 40, [](int, int) { return kBackdrop; });
        skin::ReleaseScratchSurfaces(); // so every scratch surface is made again
        const long held = gdi_tally::Held();
        gdi_tally::failAfter = n;
        skin::DrawSkinSlice(d.get(), 3, 4, 30, 25, src.get(), 0, 0, 7, 21, 3, 3, 3, 3, K);
        const bool faultFired = gdi_tally::failAfter == 0;
        gdi_tally::failAfter = 0;
        skin::ReleaseScratchSurfaces();
        EXPECT_EQ(gdi_tally::Held(), held) << "failing creation " << n;
        const auto got = Snapshot(d.get(), 90, 40);
        EXPECT_TRUE(got == complete || got == untouched) << "failing creation " << n;
        drewAtLeastOnce |= got == complete;
        refusedAtLeastOnce |= faultFired && got == untouched;
    }
    EXPECT_TRUE(drewAtLeastOnce);
    EXPECT_TRUE(refusedAtLeastOnce);

    const long held = gdi_tally::Held();
    gdi_tally::failAfter = 1;
    EXPECT_EQ(skin::FillSolid(dest_.get(), 0, 0, 10, 10, 0x0000FF), 0);
    gdi_tally::failAfter = 1;
    EXPECT_EQ(skin::FrameSolid(dest_.get(), 0, 0, 10, 10, 0x0000FF), 0);
    gdi_tally::failAfter = 0;
    EXPECT_EQ(gdi_tally::Held(), held);
    EXPECT_EQ(Snapshot(dest_.get(), 90, 40), untouched);
}

// Scratch surfaces are made once and reused: a repaint creates no GDI object, and a
// box drawn after a bigger one shows nothing of it.
TEST_F(DrawPrimitives, ScratchSurfacesAreReusedAndLeaveNothingBehind) {
    const auto keyed = [](int x, int y) { return (x + 2 * y) % 5 == 0 ? K : Source(x, y); };
    const skin::ImageSurface src = PatternSurface(7, 21, keyed);
    const HDC d = dest_.get();
    skin::DrawSkinSlice(d, 0, 0, 80, 30, src.get(), 0, 0, 7, 21, 3, 3, 3, 3, K);
    const long acquired = gdi_tally::acquired.load();
    for (int i = 0; i < 50; ++i) {
        skin::DrawSkinSlice(d, 0, 0, 75 - i, 25, src.get(), 0, 0, 7, 21, 3, 3, 3, 3, K);
        skin::DrawKeyed(d, 0, 0, 13, 13 + i % 5, src.get(), 0, 0, K);
    }
    EXPECT_EQ(gdi_tally::acquired.load(), acquired);

    const skin::ImageSurface fresh = PatternSurface(90, 40, [](int, int) { return kBackdrop; });
    skin::DrawKeyed(fresh.get(), 5, 5, 7, 21, src.get(), 0, 0, K);
    EXPECT_EQ(DescribeMismatches(fresh.get(), 90, 40,
                                 [&](int x, int y) {
                                     const int bx = x - 5, by = y - 5;
                                     const bool in = bx >= 0 && by >= 0 && bx < 7 && by < 21;
                                     return in && keyed(bx, by) != K ? keyed(bx, by) : kBackdrop;
                                 }),
              "");
}

TEST_F(DrawPrimitives, FillFrameAndFocusCoverExactlyTheirBoxes) {
    const HDC d = dest_.get();
    EXPECT_TRUE(skin::FillSolid(d, 2, 3, 10, 6, skin::kFrameEnabled));
    EXPECT_TRUE(skin::FrameSolid(d, 20, 3, 10, 6, skin::kFrameDisabled));
    const auto expected = [](int x, int y) {
        if (x >= 2 && x < 12 && y >= 3 && y < 9)
            return skin::kFrameEnabled;
        const bool inFrame = x >= 20 && x < 30 && y >= 3 && y < 9;
        const bool onEdge = x == 20 || x == 29 || y == 3 || y == 8;
        return inFrame && onEdge ? skin::kFrameDisabled : kBackdrop;
    };
    EXPECT_EQ(DescribeMismatches(d, 90, 40, expected), "");

    const auto before = Snapshot(d, 90, 40);
    EXPECT_TRUE(skin::DrawFocusBox(d, 40, 5, 20, 10));
    EXPECT_NE(Snapshot(d, 90, 40), before);
    EXPECT_TRUE(skin::DrawFocusBox(d, 40, 5, 20, 10));
    EXPECT_EQ(Snapshot(d, 90, 40), before);
}

TEST(DrawOnWindows, FrameWidthsAreHalfTheNonClientSizeRoundedHalfToEven) {
    const struct {
        skin_test::TestWindow::Insets insets;
        int frameX, frameY;
    } cases[] = {
        {{2, 2, 2, 2}, 2, 2}, {{3, 1, 2, 2}, 2, 2}, // 5 / 2 -> 2, 3 / 2 -> 2
        {{1, 0, 2, 1}, 2, 0}, {{4, 1, 3, 0}, 4, 0}, // 3 / 2 -> 2, 7 / 2 -> 4, 1 / 2 -> 0
        {{0, 0, 0, 0}, 0, 0}, {{1, 3, 0, 6}, 0, 4}, // 1 / 2 -> 0, 9 / 2 -> 4
    };
    for (const auto& c : cases) {
        const skin_test::TestWindow window(WS_POPUP, 0, c.insets);
        int fx = -9, fy = -9;
        EXPECT_EQ(skin::GetFrameWidths(window.get(), fx, fy), 1);
        EXPECT_EQ(fx, c.frameX) << c.insets.left << "+" << c.insets.right;
        EXPECT_EQ(fy, c.frameY) << c.insets.top << "+" << c.insets.bottom;
    }
    // A 2-pixel client edge with a vertical scroll bar: the bar is not frame.
    const skin_test::TestWindow list(L"ListBox", L"", WS_POPUP | WS_VSCROLL, WS_EX_CLIENTEDGE);
    int fx = 0, fy = 0;
    skin::GetFrameWidths(list.get(), fx, fy);
    EXPECT_EQ(fx, 2);
    EXPECT_EQ(fy, 2);
}

} // namespace
