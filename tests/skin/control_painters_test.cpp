#include "control_painters.h"
#include "frame_painter.h"
#include "skin.h"
#include "skin_colours.h"
#include "skin_numbers.h"
#include "skin_props.h"
#include "skin_state.h"
#include "skin_test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

using namespace skin_test;
using skin::SkinProp;

constexpr COLORREF kMarker = 0x000000FF, kWhite = skin::kWhite;

class ControlPainters : public ::testing::Test {
  protected:
    void SetUp() override { Recorded().clear(); }
    ScopedSkinImages images_;
};

// SM_CXVSCROLL 17: the button spans x = W - 19 .. W - 2 and y = 1 .. H - 2 (H is 21),
// its arrow at (6, (H - 6) / 2 rounded half to even) inside it.
TEST_F(ControlPainters, ComboDropButtonAtTheRightEdgeWithItsArrowCentred) {
    const Control combo(L"ThunderRT6ComboBox", L"", CBS_DROPDOWNLIST, 10, 10, 120, 200);
    const HWND w = combo.get();
    const int H = static_cast<int>(WindowSnapshot(w).size()) / 120,
              ay = 1 + skin::RoundHalfEven((H - 6) / 2.0);
    ASSERT_EQ(GetSystemMetrics(SM_CXVSCROLL), 17);
    const COLORREF arrow = At(skin::DropButtonSkin, 8, 0);
    for (int state : {0, 1, 2}) { // hover and pressed faces begin with their left border
        FillWindow(w, kMarker);
        skin::PaintComboButton(w, nullptr, state, true);
        const COLORREF face = state ? At(skin::DropButtonSkin, 4 * state - 4, 17) : kWhite;
        EXPECT_EQ(Mismatches(w, {101,   H - 2,   face, 100,   1,       kMarker, 119,
                                 1,     kMarker, 101,  H - 1, kMarker, 107,     ay,
                                 arrow, 113,     ay,   arrow, 110,     ay + 3,  arrow}),
                  "")
            << state;
    }
    // An open list shows pressed whatever is asked, and the caller hears so; the state
    // shown already is not drawn again without force; a simple combo has no button.
    int asked = 0;
    SendMessageW(w, CB_SHOWDROPDOWN, TRUE, 0);
    skin::PaintComboButton(w, nullptr, asked, true);
    EXPECT_EQ(Mismatches(w, {102, 1, At(skin::DropButtonSkin, 5, 0)}), "");
    SendMessageW(w, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(asked * 10 + skin::PaintComboButton(w, nullptr, asked, false), 20);
    const Control simple(L"ThunderRT6ComboBox", L"", CBS_SIMPLE, 140, 10, 120, 80);
    EXPECT_EQ(skin::PaintComboButton(simple.get(), nullptr, asked = 1, true), 0);
    EXPECT_EQ(skin::GetSkinProp(simple.get(), SkinProp::OLDSTATE), 0);
}

// A 13 x 13 box (check box) or circle (option button) at the left, centred in 24 rows
// (top 6): the frame, or the control's own corner, and one pixel inside from BoxSkin or
// GlyphSkin: the interior band, the mark (9 x 8 at (2, 2)), the square (7 x 7 at (3, 3))
// or the dot (5 x 5 at (4, 4)); disabled marks stand 9 columns on in GlyphSkin.
TEST_F(ControlPainters, CheckBoxesAndOptionButtonsFollowStateCheckAndEnabling) {
    const skin::ImageSurface *box = &skin::BoxSkin, *glyph = &skin::GlyphSkin;
    const COLORREF on = skin::kFrameEnabled, off = skin::kFrameDisabled;
    const struct {
        bool option, enabled;
        int check, state, x, y;
        COLORREF frame;
        const skin::ImageSurface* image;
        int sx, sy;
    } rows[] = {{false, true, BST_UNCHECKED, 1, 1, 1, on, box, 1, 17},
                {false, true, BST_CHECKED, 2, 10, 2, skin::kFramePressedCheck, glyph, 8, 0},
                {false, true, BST_INDETERMINATE, 0, 9, 9, on, glyph, 7, 15},
                {false, false, BST_INDETERMINATE, 2, 3, 3, off, glyph, 10, 9},
                {false, false, BST_UNCHECKED, 1, 1, 1, off, nullptr, 0, 0}, // white inside
                {true, true, BST_CHECKED, 1, 6, 6, 0, glyph, 4, 20},
                {true, true, BST_UNCHECKED, 2, 6, 6, 0, box, 6, 32},
                {true, false, BST_CHECKED, 1, 6, 6, 0, glyph, 13, 20},
                {true, false, BST_UNCHECKED, 0, 6, 6, 0, box, 6, 45}};
    for (const auto& r : rows) {
        const Control control(r.option ? L"ThunderRT6OptionButton" : L"ThunderRT6CheckBox", L"选项",
                              r.option ? BS_AUTORADIOBUTTON : BS_AUTO3STATE, 10, 10, 100, 24);
        SendMessageW(control.get(), BM_SETCHECK, static_cast<WPARAM>(r.check), 0);
        EnableWindow(control.get(), r.enabled);
        const COLORREF corner = r.option ? WindowSnapshot(control.get())[6 * 100] : r.frame;
        const auto paint = r.option ? skin::PaintOptionButton : skin::PaintCheckBox;
        EXPECT_EQ(paint(control.get(), nullptr, r.state, true), 1);
        EXPECT_EQ(paint(control.get(), nullptr, r.state, false), 0); // shown already
        EXPECT_EQ(skin::GetSkinProp(control.get(), SkinProp::OLDSTATE), r.state);
        const COLORREF inside = r.image ? At(*r.image, r.sx, r.sy) : kWhite;
        EXPECT_EQ(Mismatches(control.get(), {0, 6, corner, r.x, 6 + r.y, inside}), "")
            << r.option << r.enabled << r.check << r.state;
    }
}

// Items keep BarSkin's one-pixel border and stretch its middle column; 20 rows high they
// are BarSkin's rows. The item's edge columns are checked, all of it when whole.
std::string ItemMismatches(HDC dc, int left, int width, int sx, bool whole) {
    return DescribeMismatches(dc, left + width, 20, [&](int x, int y) {
        const int i = x - left, source = sx + (i == 0 ? 0 : i + 1 == width ? 2 : 1);
        return x >= left && (whole || i == 0 || i + 1 == width) ? At(skin::BarSkin, source, y)
                                                                : GetPixel(dc, x, y);
    });
}

// Items 60, 80 (no text: its face alone) and 70 wide; pressed (HDINDEX) wins over hot
// (HMINDEX); the stretched background fills the rest, and all of a header without items.
TEST_F(ControlPainters, HeaderItemsAndTheComposedHeader) {
    const Control header(WC_HEADERW, L"", HDS_BUTTONS, 10, 10, 300, 20);
    const HWND h = header.get();
    for (const auto& [width, text] : {std::pair{60, L"一"}, {80, L""}, {70, L"三"}}) {
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH;
        item.cxy = width;
        item.pszText = const_cast<wchar_t*>(text);
        SendMessageW(h, HDM_INSERTITEMW, 9, reinterpret_cast<LPARAM>(&item));
    }
    for (int state : {0, 1, 2}) {
        skin::PaintHeaderItem(h, nullptr, 1, state);
        EXPECT_EQ(ItemMismatches(WindowDC(h, true).get(), 60, 80, 3 * state, true), "") << state;
    }
    const auto before = WindowSnapshot(h);
    skin::PaintHeaderItem(h, nullptr, -1, 2);
    EXPECT_EQ(WindowSnapshot(h), before);
    const int rows[][5] = {
        {1, 1, 0, 6, 0}, {-1, 0, 3, 0, 0}, {2, 0, 3, 0, 6}}; // pressed, hot, faces
    for (const auto& r : rows) {
        skin::SetSkinProp(h, SkinProp::HDINDEX, r[0]);
        skin::SetSkinProp(h, SkinProp::HMINDEX, r[1]);
        const HDC p = skin::ComposeHeader(h).dc;
        EXPECT_EQ(ItemMismatches(p, 0, 60, r[2], false) + ItemMismatches(p, 60, 80, r[3], true) +
                      ItemMismatches(p, 140, 70, r[4], false) +
                      Mismatches(p, {299, 5, At(skin::BarSkin, 1, 5)}),
                  "")
            << r[0] << r[1];
    }
    const Control empty(WC_HEADERW, L"", HDS_BUTTONS, 10, 40, 120, 20);
    EXPECT_EQ(DescribeMismatches(skin::ComposeHeader(empty.get()).dc, 120, 20,
                                 [](int, int y) { return At(skin::BarSkin, 1, y); }),
              "");
    // Skinned, the pointer on the border between two items is over the lower one, on the
    // last item's right edge over the last, beyond it over none.
    ASSERT_EQ(skin::AttachSkin(h), 1);
    for (const auto& [x, item] : {std::pair{60, 0}, {140, 1}, {210, 2}, {211, -1}}) {
        SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(x, 5));
        EXPECT_EQ(skin::GetSkinProp(h, SkinProp::HMINDEX), item) << x;
    }
    SendMessageW(h, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 5)); // a quick second press
    EXPECT_EQ(skin::GetSkinProp(h, SkinProp::HDINDEX), 1);
    skin::DetachSkin(h);
}

// Client 101 x 21 inside a 1-pixel border; filled columns from the left or rows from the
// bottom, in OnPaint's picture and in OnNcPaint's, which fills a vertical bar only when
// smooth. 50.5 columns round to 50; 10.5 white rows round to 10, the fill keeps 11.
TEST_F(ControlPainters, ProgressBarFillsItsShareOfThirtyThousand) {
    const int rows[][4] = {{0, 0, 0, 0},
                           {0, 15000, 50, 50},
                           {PBS_SMOOTH, 30000, 101, 101},
                           {PBS_VERTICAL, 15000, 11, 0},
                           {PBS_VERTICAL | PBS_SMOOTH, 15000, 11, 11}};
    for (const auto& r : rows) { // style, position, filled, filled in the frame painter's picture
        const Control bar(L"ProgressBar20WndClass", L"", WS_BORDER | r[0], 10, 10, 103, 23);
        SendMessageW(bar.get(), PBM_SETRANGE32, 0, 30000);
        SendMessageW(bar.get(), PBM_SETPOS, static_cast<WPARAM>(r[1]), 0);
        const auto fill = [&](int x, int y, int n) {
            return (r[0] & PBS_VERTICAL ? y >= 21 - n : x < n) ? skin::kProgressFill : kWhite;
        };
        EXPECT_EQ(DescribeMismatches(skin::ComposeProgressBar(bar.get()).dc, 101, 21,
                                     [&](int x, int y) { return fill(x, y, r[2]); }),
                  "")
            << r[0] << " " << r[1];
        EXPECT_EQ(skin::OnNcPaint(RecordingProc, bar.get(), WM_NCPAINT, 1, 0) + Recorded().size(),
                  0u);
        EXPECT_EQ(DescribeMismatches(WindowDC(bar.get(), true).get(), 103, 23,
                                     [&](int x, int y) {
                                         return x % 102 && y % 22 ? fill(x - 1, y - 1, r[3])
                                                                  : skin::kFrameEnabled;
                                     }),
                  "")
            << r[0] << " " << r[1];
    }
}

// A 2-pixel client edge becomes the frame line and rings d = 1, 2 from (d, d) to
// (W - 2, H - 2) in the client background; other frames stay exactly their own.
TEST_F(ControlPainters, FlatFrameReplacesAClientEdgeOnly) {
    const struct {
        const wchar_t* className;
        DWORD style, exStyle;
        bool enabled, flat, child = false; // a child (20 x 10) at the client's corner
    } rows[] = {{L"Edit", 0, WS_EX_CLIENTEDGE, true, true},
                {L"Edit", 0, WS_EX_CLIENTEDGE, false, true},
                {L"Edit", 0, WS_EX_CLIENTEDGE, true, true, true},
                {L"Edit", WS_BORDER, 0, true, false},
                {L"DataListWndClass", LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE, true, false}};
    for (const auto& r : rows) {
        const Control control(r.className, L"", r.style, 10, 10, 120, 26, r.exStyle);
        EnableWindow(control.get(), r.enabled);
        const HWND child = r.child ? CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0,
                                                     20, 10, control.get(), nullptr, nullptr, nullptr)
                                   : nullptr;
        FillWindow(control.get(), kMarker);
        CallWindowProcW(RecordingProc, control.get(), WM_NCPAINT, 1, 0);
        const auto own = WindowSnapshot(control.get());
        FillWindow(control.get(), kMarker);
        EXPECT_EQ(skin::OnNcPaint(RecordingProc, control.get(), WM_NCPAINT, 1, 0), 0);
        EXPECT_EQ(Recorded().size(), 2u * (&r - rows + 1)); // their own frame first, always
        EXPECT_EQ(DescribeMismatches(WindowDC(control.get(), true).get(), 120, 26,
                                     [&](int x, int y) {
                                         if (!r.flat)
                                             return own[static_cast<size_t>(y * 120 + x)];
                                         if (!(x % 119 && y % 25))
                                             return r.enabled ? skin::kFrameEnabled
                                                              : skin::kFrameDisabled;
                                         if (child && x >= 2 && x < 22 && y >= 2 && y < 12)
                                             return kMarker;
                                         return x <= 2 || y <= 2 || x == 118 || y == 24 ? kWhite
                                                                                        : kMarker;
                                     }),
                  "")
            << r.className << r.style << r.enabled;
    }
}

} // namespace
