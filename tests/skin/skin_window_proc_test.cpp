#include "gdi_handles.h"
#include "skin.h"
#include "skin_colours.h"
#include "skin_props.h"
#include "skin_state.h"
#include "skin_test_support.h"
#include "skin_window_proc.h"
#include "window_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using namespace skin_test;
using skin::SkinProp;

// Messages sent (times over) to a control at (x, 5); then the OLDSTATE, ALPHALEVEL,
// MOUSEFLAG and TIMERID of a control (the same unless said), and OLDSTATE * 1000 +
// ALPHALEVEL as the previous procedure saw them (a press is shown after it, a fade step
// before it); -1 where not looked at.
TEST_F(SkinnedControls, MessagesRowByRow) {
    enum { B, C, K, O };
    const struct {
        int to;
        UINT message;
        WPARAM wParam;
        int x, times, of, state, level, flag, timer, seen;
    } rows[] = {
        // The push button of the fade example, then a release fade and other cases.
        {B, 0, 0, 5, 0, B, 0, 0, 0, 0, -1},
        {B, WM_MOUSEMOVE, 0, 5, 1, B, 1, 0, 1, 1, 0}, // entry: to hover from 0
        {B, WM_TIMER, 1, 5, 1, B, 1, 3, 1, 1, 1003},
        {B, WM_TIMER, 1, 5, 1, B, 1, 6, 1, 1, 1006},
        {B, WM_TIMER, 1, 5, 84, B, 1, 0, 1, 0, 1000}, // the 86th paints at 255 and stops
        {B, WM_LBUTTONDOWN, 0, 5, 1, B, 2, 0, 1, 0, 1000},
        {B, WM_LBUTTONUP, 0, 5, 1, B, 0, 60, 0, 1, 2000},
        {B, WM_TIMER, 1, 5, 1, B, 0, 63, 0, 1, 63},
        {B, WM_MOUSEMOVE, 0, 5, 1, B, 1, 0, 1, 1, -1}, // a new entry; the timer goes on
        {B, WM_TIMER, 1, 5, 1, B, 1, 3, 1, 1, -1},
        {B, WM_MOUSELEAVE, 0, 5, 1, B, 0, 0, 0, 1, 1003},
        {B, WM_TIMER, 1, 5, 1, B, 0, 3, 0, 1, -1},
        {B, WM_TIMER, 1, 5, 85, B, 0, 0, 0, 0, -1},
        {B, WM_LBUTTONDOWN, 0, 5, 1, B, 2, 0, 0, 0, -1},
        {B, WM_LBUTTONUP, 0, 5, 1, B, 0, 60, 0, 1, -1},
        {B, WM_TIMER, 1, 5, 65, B, 0, 255, 0, 1, -1}, // from 60 in 66 ticks
        {B, WM_TIMER, 1, 5, 1, B, 0, 0, 0, 0, -1},
        {B, WM_MOUSEMOVE, 0, 5, 1, B, 1, 0, 1, 1, -1},
        {B, WM_TIMER, 7, 5, 3, B, 1, 0, 1, 1, -1},   // not the fade's timer
        {B, WM_PAINT, 0, 5, 1, B, 1, 255, 1, 0, -1}, // a repaint ends the fade
        {B, WM_ENABLE, FALSE, 5, 1, B, 3, 255, 1, 0, -1},
        {B, WM_ENABLE, TRUE, 5, 1, B, 0, 255, 1, 0, -1},
        {B, WM_KEYDOWN, VK_SPACE, 5, 1, B, 2, 0, 1, 0, -1},
        {B, WM_KEYUP, VK_SPACE, 5, 1, B, 0, 0, 0, 1, -1},
        {B, WM_KEYDOWN, VK_RETURN, 5, 1, B, 0, 0, 0, 1, -1},
        // The combo's drop zone, bounds included; the space key on a check box; a release
        // anywhere under the parent draws every check box and option button normal.
        {C, WM_MOUSEMOVE, 0, 110, 1, C, 1, -1, 1, -1, -1},
        {C, WM_MOUSEMOVE, 0, 100, 1, C, 0, -1, 1, -1, -1},
        {C, WM_MOUSEMOVE, MK_LBUTTON, 118, 1, C, 2, -1, 1, -1, -1},
        {C, WM_MOUSEMOVE, 0, 101, 1, C, 1, -1, 1, -1, -1},
        {C, WM_MOUSELEAVE, 0, 0, 1, C, 0, -1, 0, -1, -1},
        {K, WM_KEYDOWN, VK_SPACE, 5, 1, K, 2, -1, -1, -1, -1},
        {K, WM_KEYUP, VK_SPACE, 5, 1, K, 0, -1, -1, -1, -1},
        {K, WM_MOUSEMOVE, MK_LBUTTON, 5, 1, K, 2, -1, 1, -1, -1},
        {O, WM_MOUSEMOVE, 0, 5, 1, O, 1, -1, 1, -1, -1},
        {B, WM_LBUTTONUP, 0, 5, 1, K, 0, -1, 1, -1, -1},
        {B, WM_LBUTTONUP, 0, 5, 1, O, 0, -1, 1, -1, -1},
    };
    for (const auto& r : rows) {
        for (int i = 0; i < r.times; ++i)
            SendMessageW(controls_[r.to], r.message, r.wParam, MAKELPARAM(r.x, 5));
        const HWND of = controls_[r.of];
        const int want[] = {r.state, r.level, r.flag, r.timer};
        const SkinProp props[] = {SkinProp::OLDSTATE, SkinProp::ALPHALEVEL, SkinProp::MOUSEFLAG,
                                  SkinProp::TIMERID};
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(want[i] < 0 || skin::GetSkinProp(of, props[i]) == want[i])
                << "row " << &r - rows << " property " << i << " is "
                << skin::GetSkinProp(of, props[i]);
        const auto seen = std::find_if(Recorded().rbegin(), Recorded().rend(), [&](const Seen& s) {
            return s.hwnd == controls_[r.to] && s.message == r.message;
        });
        if (r.seen >= 0) {
            ASSERT_NE(seen, Recorded().rend()) << "row " << &r - rows;
            EXPECT_EQ(seen->state * 1000 + seen->level, r.seen) << "row " << &r - rows;
        }
    }
}

// The focus coming or going renders a push button's faces again: while it has the focus,
// row 2 of every face carries the top line of the dotted focus rectangle.
TEST_F(SkinnedControls, FocusComingAndGoingDrawsTheFocusRectangleIntoEveryFace) {
    std::vector<COLORREF> rows[3]; // unfocused, focused, unfocused again
    for (int pass = 0; pass < 3; ++pass) {
        SetFocus(pass == 1 ? button_.get() : check_.get());
        for (int i = 0; i < 4 * 37; ++i)
            rows[pass].push_back(
                GetPixel(skin::GetSkinPropAs<HDC>(button_.get(), skin::StateSurfaceProp(i / 37)),
                         2 + i % 37, 2));
    }
    EXPECT_EQ(rows[2], rows[0]);
    for (auto i = 0; i < 4 * 37; i += 37)
        EXPECT_FALSE(std::equal(rows[0].begin() + i, rows[0].begin() + i + 37, rows[1].begin() + i))
            << "face " << i / 37;
}

// A push button's faces carry its caption: a new one is drawn into them and shown
// at once, over whatever the button drew for itself.
TEST_F(SkinnedControls, ANewCaptionIsDrawnIntoTheFacesAndShown) {
    const HDC face = reinterpret_cast<HDC>(skin::GetSkinProp(button_.get(), SkinProp::HDC0));
    auto faceMiddle = [&] {
        std::vector<COLORREF> row;
        for (int x = 4; x < 37; ++x)
            row.push_back(GetPixel(face, x, 12));
        return row;
    };
    const std::vector<COLORREF> before = faceMiddle();
    SendMessageW(button_.get(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"暂停"));
    EXPECT_NE(faceMiddle(), before);
    const WindowDC shown(button_.get(), true);
    for (int x = 4; x < 37; ++x)
        EXPECT_EQ(GetPixel(shown.get(), x, 12), GetPixel(face, x, 12)) << x;
}

TEST_F(SkinnedControls, UnlistedMessagesPassThroughAndLateListsAreSkinned) {
    EXPECT_EQ(skin::SkinWindowProc(nullptr, WM_SETTEXT, 0, 0), 0);
    EXPECT_EQ(SendMessageW(check_.get(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"新")), TRUE);
    EXPECT_EQ(Recorded().back().message, static_cast<UINT>(WM_SETTEXT));
    EXPECT_EQ(WindowText(check_.get()), L"新");
    const auto dc = reinterpret_cast<WPARAM>(GetDC(combo_.get()));
    EXPECT_EQ(SendMessageW(combo_.get(), WM_CTLCOLORLISTBOX, dc, 0),
              CallWindowProcW(RecordingProc, combo_.get(), WM_CTLCOLORLISTBOX, dc, 0));
    ReleaseDC(combo_.get(), reinterpret_cast<HDC>(dc));
    // The drop-down list asks the combo for its colours once it shows: skinned then, its
    // next paint gets the list frame over its own.
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    GetComboBoxInfo(combo_.get(), &info);
    EXPECT_FALSE(skin::IsSkinned(info.hwndList));
    SendMessageW(combo_.get(), CB_SHOWDROPDOWN, TRUE, 0);
    UpdateWindow(info.hwndList);
    EXPECT_TRUE(skin::IsSkinned(info.hwndList));
    RedrawWindow(info.hwndList, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Mismatches(info.hwndList, {0, 0, skin::kFrameEnabled, 1, 1, skin::kWhite}), "");
    SendMessageW(combo_.get(), CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(skin::SkinnedWindowCount, 6);
    skin::DetachSkin(info.hwndList);
    skin::SetSkinProp(option_.get(), SkinProp::OLDSTATE, 1);
    SetFocus(option_.get()); // an option button taking the focus is drawn normal, forced
    EXPECT_EQ(skin::GetSkinProp(option_.get(), SkinProp::OLDSTATE), 0);
}

} // namespace
