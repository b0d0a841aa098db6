#include "paint_dispatch.h"

#include "control_painters.h"
#include "draw_primitives.h"
#include "group_routes.h"
#include "hover_timer.h"
#include "push_button_painter.h"
#include "skin_colours.h"
#include "skin_props.h"

#include <array>

namespace skin {
namespace {

// Two rings over a list's own painting: the frame line, then white inside it.
void DrawListFrame(HWND hwnd, HDC dc) {
    WindowSize size{};
    GetWindowSize(hwnd, size);
    FrameSolid(dc, 0, 0, size.Width, size.Height, FrameColourFor(hwnd));
    FrameSolid(dc, 1, 1, size.Width - 2, size.Height - 2, kWhite);
}

int ShownState(HWND hwnd) {
    return static_cast<int>(GetSkinProp(hwnd, SkinProp::OLDSTATE));
}

LRESULT PaintPushButtonWindow(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam,
                              LPARAM lParam) {
    if (!IsSkinPaintedButtonStyle(GetSkinProp(hwnd, SkinProp::OLDSTYLE)))
        return CallPrevious(previous, hwnd, message, wParam, lParam);
    // A repaint ends a running fade and shows the current face fully.
    StopHoverTimer(hwnd);
    SetSkinProp(hwnd, SkinProp::ALPHALEVEL, 255);
    const PaintDC paint(hwnd);
    PaintPushButton(hwnd, paint.get());
    return 0;
}

// The control paints its face; the list frame and the drop button go over it. Every
// painter is forced: the control's own paint has just covered the skin's parts.
LRESULT FrameComboOverOwnPaint(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam,
                               LPARAM lParam) {
    const LRESULT result = CallPrevious(previous, hwnd, message, wParam, lParam);
    int state = ShownState(hwnd);
    const WindowDC windowDc(hwnd, true);
    DrawListFrame(hwnd, windowDc.get());
    PaintComboButton(hwnd, windowDc.get(), state, true);
    return result;
}

LRESULT PaintComboWindow(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // Bit 0 set: CBS_DROPDOWNLIST or CBS_SIMPLE, whose face the control paints.
    if (GetWindowLongW(hwnd, GWL_STYLE) & 0x1)
        return FrameComboOverOwnPaint(previous, hwnd, message, wParam, lParam);
    // An editable drop-down combo: the skin paints all of it but the edit child,
    // which paints itself.
    int state = ShownState(hwnd);
    WindowSize size{};
    GetWindowSize(hwnd, size);
    const PaintDC paint(hwnd);
    FillSolid(paint.get(), 0, 0, size.Width, size.Height, kWhite);
    FrameSolid(paint.get(), 0, 0, size.Width, size.Height, FrameColourFor(hwnd));
    PaintComboButton(hwnd, paint.get(), state, true);
    return 0;
}

LRESULT PaintCheckBoxWindow(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    const LRESULT result = CallPrevious(previous, hwnd, message, wParam, lParam);
    PaintCheckBox(hwnd, nullptr, VisualNormal, true);
    return result;
}

LRESULT PaintOptionButtonWindow(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam,
                                LPARAM lParam) {
    const LRESULT result = CallPrevious(previous, hwnd, message, wParam, lParam);
    PaintOptionButton(hwnd, nullptr, VisualNormal, true);
    return result;
}

LRESULT FrameListOverOwnPaint(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam,
                              LPARAM lParam) {
    const LRESULT result = CallPrevious(previous, hwnd, message, wParam, lParam);
    const WindowDC windowDc(hwnd, true);
    DrawListFrame(hwnd, windowDc.get());
    return result;
}

LRESULT FrameGridOverOwnPaint(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam,
                              LPARAM lParam) {
    const LRESULT result = CallPrevious(previous, hwnd, message, wParam, lParam);
    if (GetWindowLongW(hwnd, GWL_STYLE) & WS_BORDER) {
        WindowSize size{};
        GetWindowSize(hwnd, size);
        const WindowDC windowDc(hwnd, true);
        FrameSolid(windowDc.get(), 0, 0, size.Width, size.Height, FrameColourFor(hwnd));
    }
    return result;
}

// Composed off-screen and copied in one transfer; the previous procedure is not
// called. BeginPaint comes first: it may send WM_NCPAINT, whose painter composes in the
// same surface.
template <ComposedPicture (*Compose)(HWND)>
LRESULT PaintComposedWindow(WNDPROC, HWND hwnd, UINT, WPARAM, LPARAM) {
    const PaintDC paint(hwnd);
    const ComposedPicture picture = Compose(hwnd);
    if (picture.dc)
        BitBlt(paint.get(), 0, 0, picture.width, picture.height, picture.dc, 0, 0, SRCCOPY);
    return 0;
}

constexpr std::array<GroupRoute, 10> kPaintRoutes{{
    {ClassGroup::PushButton, PaintPushButtonWindow},
    {ClassGroup::ComboBox, PaintComboWindow},
    {ClassGroup::DriveList, FrameComboOverOwnPaint},
    {ClassGroup::CheckBox, PaintCheckBoxWindow},
    {ClassGroup::OptionButton, PaintOptionButtonWindow},
    {ClassGroup::DataList, FrameListOverOwnPaint},
    {ClassGroup::DropDownList, FrameListOverOwnPaint},
    {ClassGroup::ProgressBar, PaintComposedWindow<ComposeProgressBar>},
    {ClassGroup::Header, PaintComposedWindow<ComposeHeader>},
    {ClassGroup::Grid, FrameGridOverOwnPaint},
}};

} // namespace

LRESULT OnPaint(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return RouteFor(kPaintRoutes, GetClassGroup(hwnd), CallPrevious)(previous, hwnd, message,
                                                                     wParam, lParam);
}

} // namespace skin
