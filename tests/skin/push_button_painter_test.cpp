#include "hover_timer.h"
#include "paint_dispatch.h"
#include "push_button_painter.h"
#include "skin_colours.h"
#include "skin_props.h"
#include "skin_state.h"
#include "skin_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace skin_test;
using skin::SkinProp;
using PushButtonPainter = SkinnedControls;

HDC Face(HWND button, int state) {
    return skin::GetSkinPropAs<HDC>(button, skin::StateSurfaceProp(state));
}

// How many pixels of the box (left, top, right, bottom) pass the test.
int Count(RECT box, const std::function<bool(int, int)>& test) {
    int count = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            count += test(x, y);
    return count;
}

// Face s keeps the 3 x 3 corners and the sides of band s of ButtonSkin; its caption is
// black, grey on the disabled face. A resized button's faces have its new size.
TEST_F(PushButtonPainter, FacesFollowTheirBandsAndTheWindowSize) {
    const HWND b = button_.get();
    for (const SIZE size : {SIZE{41, 25}, SIZE{100, 30}}) {
        SetWindowPos(b, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        const int w = size.cx, h = size.cy;
        for (int s = 0; s < 4; ++s) {
            const auto band = [s](int x, int y) { return At(skin::ButtonSkin, x, 21 * s + y); };
            EXPECT_EQ(Mismatches(Face(b, s), {0, 0, band(0, 0), 2, 2, band(2, 2), w - 1, 0,
                                              band(6, 0), w - 3, h - 3, band(4, 18), w - 1, h - 1,
                                              band(6, 20), 0, h / 2, band(0, 10)}),
                      "")
                << s << " " << w;
            const auto in = [&, face = Face(b, s)](COLORREF c) {
                return Count({2, 2, w - 2, h - 2},
                             [&](int x, int y) { return GetPixel(face, x, y) == c; });
            };
            EXPECT_EQ(in(skin::kDisabledCaption) > 0, s == 3) << s;
            EXPECT_EQ(in(skin::kBlack) > 0, s != 3) << s;
        }
    }
}

TEST_F(PushButtonPainter, PaintBlendsTheFaceOfTheStateAtTheLevel) {
    const HWND b = blank_.get();
    const skin::ImageSurface target = skin::CreateImageSurface(41, 25);
    const auto differsFrom = [&](int s) {
        return Count({0, 0, 41, 25}, [&, face = Face(b, s)](int x, int y) {
            return GetPixel(target.get(), x, y) != GetPixel(face, x, y);
        });
    };
    skin::SetSkinProp(b, SkinProp::ALPHALEVEL, 255);
    skin::PaintPushButton(b, target.get());
    EXPECT_EQ(differsFrom(0), 0);
    // At 140, face 1 over face 0: face1 x 140 / 255 + face0 x 115 / 255 per channel,
    // within one step.
    skin::SetSkinProp(b, SkinProp::OLDSTATE, 1);
    skin::SetSkinProp(b, SkinProp::ALPHALEVEL, 140);
    skin::PaintPushButton(b, target.get());
    int worst = 0;
    for (int i = 0; i < 41 * 25 * 3; ++i) {
        const int x = i / 3 % 41, y = i / 3 / 41, shift = 8 * (i % 3);
        const auto channel = [&](HDC dc) { return int(GetPixel(dc, x, y) >> shift & 0xFF); };
        worst = std::max(worst, std::abs(channel(target.get()) * 255 - channel(Face(b, 1)) * 140 -
                                         channel(Face(b, 0)) * 115));
    }
    EXPECT_LE(worst, 255);
    // Disabled: face 3, kept in OLDSTATE. A saved check-box style: nothing drawn.
    EnableWindow(b, FALSE);
    skin::SetSkinProp(b, SkinProp::OLDSTATE, 0); // as a fade toward the normal face leaves it
    skin::SetSkinProp(b, SkinProp::ALPHALEVEL, 255);
    skin::PaintPushButton(b, target.get());
    EXPECT_EQ(skin::GetSkinProp(b, SkinProp::OLDSTATE), 3);
    EnableWindow(b, TRUE);
    skin::SetSkinProp(b, SkinProp::OLDSTYLE, BS_CHECKBOX);
    skin::SetSkinProp(b, SkinProp::OLDSTATE, 0);
    skin::PaintPushButton(b, target.get());
    EXPECT_EQ(differsFrom(3), 0);
}

// A caption too wide for its box (2 pixels inside the button) is cut with an ellipsis:
// it reaches the box's right end, and nothing is drawn outside the box.
TEST_F(PushButtonPainter, CaptionTooWideEndsInAnEllipsisInsideItsBox) {
    SetWindowTextW(button_.get(), L"A caption much wider than the button");
    const auto differs = [&](RECT box) {
        return Count(
            box, [&, cut = Face(button_.get(), 0), plain = Face(blank_.get(), 0)](int x, int y) {
                return GetPixel(cut, x, y) != GetPixel(plain, x, y);
            });
    };
    EXPECT_GT(differs({2, 2, 8, 23}), 0);
    EXPECT_GT(differs({33, 2, 39, 23}), 0);
    EXPECT_EQ(differs({0, 0, 2, 25}) + differs({39, 0, 41, 25}), 0);
}

// A paint ends a running fade and shows the face of OLDSTATE fully; a button whose
// saved style the skin does not paint is left to its own procedure.
TEST_F(PushButtonPainter, WmPaintEndsAFadeAndShowsTheFaceFully) {
    const HWND b = blank_.get();
    skin::SetSkinProp(b, SkinProp::OLDSTATE, 1);
    skin::SetSkinProp(b, SkinProp::ALPHALEVEL, 30);
    ASSERT_EQ(skin::StartHoverTimer(b), 1u);
    InvalidateRect(b, nullptr, FALSE);
    EXPECT_EQ(skin::OnPaint(RecordingProc, b, WM_PAINT, 0, 0), 0);
    EXPECT_FALSE(WasRecorded(WM_PAINT));
    EXPECT_EQ(skin::GetSkinProp(b, SkinProp::TIMERID) * 1000 +
                  skin::GetSkinProp(b, SkinProp::ALPHALEVEL),
              255);
    EXPECT_EQ(
        DescribeMismatches(WindowDC(b, true).get(), 41, 25,
                           [face = Face(b, 1)](int x, int y) { return GetPixel(face, x, y); }),
        "");
    skin::SetSkinProp(b, SkinProp::OLDSTYLE, BS_AUTOCHECKBOX);
    InvalidateRect(b, nullptr, FALSE);
    skin::OnPaint(RecordingProc, b, WM_PAINT, 0, 0);
    EXPECT_TRUE(WasRecorded(WM_PAINT));
}

} // namespace
