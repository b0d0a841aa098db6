#include "control_painters.h"
#include "paint_dispatch.h"
#include "skin_colours.h"
#include "skin_state.h"
#include "skin_test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

using namespace skin_test;

constexpr COLORREF kMarker = 0x000000FF;
constexpr COLORREF kAsOwn = CLR_INVALID; // the pixel the control's own procedure leaves

// Who paints a window's client area, and what the skin draws over it: pixels (0, 0),
// (1, 1) and the last of the window.
TEST(PaintDispatch, EachGroupIsPaintedByItsOwnProcedureTheSkinOrBoth) {
    ScopedSkinImages images;
    const COLORREF enabled = skin::kFrameEnabled, white = skin::kWhite;
    const struct {
        const wchar_t* className;
        DWORD style, exStyle;
        bool enabled, ownPaints;
        COLORREF corner, inside;
    } rows[] = {
        // An editable combo is the skin's alone: white inside a frame line.
        {L"ThunderRT6ComboBox", CBS_DROPDOWN, 0, true, false, enabled, white},
        // List frames over the control's own paint.
        {L"ThunderRT6ComboBox", CBS_DROPDOWNLIST, 0, true, true, enabled, white},
        {L"ThunderRT6DriveListBox", CBS_DROPDOWNLIST, 0, false, true, skin::kFrameDisabled, white},
        {L"DataListWndClass", LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE, true, true, enabled, white},
        // A grid: one frame line, only with a border.
        {L"ApexGridOleDB32", WS_BORDER, 0, true, true, enabled, kAsOwn},
        {L"ApexGridOleDB32", 0, 0, true, true, kAsOwn, kAsOwn},
        // Not in the table: their own procedure alone.
        {L"Edit", 0, WS_EX_CLIENTEDGE, true, true, kAsOwn, kAsOwn},
        {PROGRESS_CLASSW, 0, 0, true, true, kAsOwn, kAsOwn},
        // Composed by the skin in the client area; the own procedure never sees the paint.
        {L"ProgressBar20WndClass", WS_BORDER, 0, true, false, kMarker, white},
        {WC_HEADERW, 0, 0, true, false, At(skin::BarSkin, 1, 0), At(skin::BarSkin, 1, 0)},
    };
    for (const auto& row : rows) {
        const Control control(row.className, L"", row.style, 10, 10, 120, 60, row.exStyle);
        EnableWindow(control.get(), row.enabled);
        std::vector<COLORREF> pictures[2]; // by the own procedure, through OnPaint
        for (int pass = 0; pass < 2; ++pass) {
            FillWindow(control.get(), kMarker);
            Recorded().clear();
            InvalidateRect(control.get(), nullptr, FALSE);
            if (pass == 0)
                CallWindowProcW(RecordingProc, control.get(), WM_PAINT, 0, 0);
            else
                skin::OnPaint(RecordingProc, control.get(), WM_PAINT, 0, 0);
            pictures[pass] = WindowSnapshot(control.get());
        }
        EXPECT_EQ(WasRecorded(WM_PAINT), row.ownPaints) << row.className;
        RECT rc{};
        GetWindowRect(control.get(), &rc);
        const size_t inside = static_cast<size_t>(rc.right - rc.left + 1);
        EXPECT_EQ(pictures[1][0], row.corner == kAsOwn ? pictures[0][0] : row.corner)
            << row.className << row.style;
        EXPECT_EQ(pictures[1][inside], row.inside == kAsOwn ? pictures[0][inside] : row.inside)
            << row.className << row.style;
        if (row.inside == white) { // the white ring stays inside the frame line
            EXPECT_EQ(pictures[1].back(), row.corner) << row.className << row.style;
        }
    }
}

// Check boxes and option buttons paint themselves, then the skin draws its whole box
// over that, whatever state it showed before.
TEST(PaintDispatch, CheckBoxesAndOptionButtonsGetTheSkinsBoxOverTheirOwnPaint) {
    ScopedSkinImages images;
    for (const bool option : {false, true}) {
        const Control control(option ? L"ThunderRT6OptionButton" : L"ThunderRT6CheckBox", L"选",
                              0, 10, 10, 100, 24);
        Recorded().clear();
        InvalidateRect(control.get(), nullptr, FALSE);
        skin::OnPaint(RecordingProc, control.get(), WM_PAINT, 0, 0);
        const auto shown = WindowSnapshot(control.get());
        (option ? skin::PaintOptionButton : skin::PaintCheckBox)(control.get(), nullptr,
                                                                 skin::VisualNormal, true);
        EXPECT_TRUE(WasRecorded(WM_PAINT)) << option;
        EXPECT_EQ(shown, WindowSnapshot(control.get())) << option;
    }
}

} // namespace
