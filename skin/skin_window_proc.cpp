#include "skin_window_proc.h"

#include "attach_skin.h"
#include "frame_painter.h"
#include "group_routes.h"
#include "hover_fade.h"
#include "input_handlers.h"
#include "paint_dispatch.h"
#include "push_button_painter.h"
#include "skin_props.h"

#include <array>

namespace skin {
namespace {

// Restored before its own procedure sees the message, which then arrives as if the
// window had never been skinned; a form restores all its descendants first.
LRESULT UnskinThenPrevious(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam,
                           LPARAM lParam) {
    UnskinWindow(hwnd);
    return CallPrevious(previous, hwnd, message, wParam, lParam);
}

// A dialog that idles or a list box that asks for its colours (a combo box's drop-down
// list) may have appeared since the skin was attached: it is skinned now. A window
// skinned already costs one property look-up.
LRESULT PreviousThenSkinOther(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam,
                              LPARAM lParam) {
    const LRESULT result = CallPrevious(previous, hwnd, message, wParam, lParam);
    if (lParam)
        SkinWindow(reinterpret_cast<HWND>(lParam));
    return result;
}

// A release may have toggled a check box or moved the choice of option buttons: all of
// them under the same parent are drawn again, normal.
LRESULT ReleaseThenRefreshSiblings(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam,
                                   LPARAM lParam) {
    const LRESULT result = OnLButtonUp(previous, hwnd, message, wParam, lParam);
    if (IsWindow(hwnd)) {
        const HWND parent = GetParent(hwnd);
        EnumChildWindows(parent ? parent : hwnd, RefreshGroupSibling, 0);
    }
    return result;
}

// A push button's faces carry its caption and font, drawn ahead of time: a new
// caption or font is drawn into them again and shown at once. (The button itself
// redraws its label straight away, outside WM_PAINT, which would otherwise leave
// its own painting over the skin's face; the repaint also ends a running fade.)
LRESULT PreviousThenRenderFaces(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam,
                                LPARAM lParam) {
    const LRESULT result = CallPrevious(previous, hwnd, message, wParam, lParam);
    if (IsWindow(hwnd) && GetClassGroup(hwnd) == ClassGroup::PushButton &&
        GetSkinProp(hwnd, SkinProp::PROCADDR) &&
        IsSkinPaintedButtonStyle(GetSkinProp(hwnd, SkinProp::OLDSTYLE))) {
        RenderButtonFaces(hwnd);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); // as a repaint does
    }
    return result;
}

struct MessageRoute {
    UINT message;
    SkinHandler handler;
};

constexpr std::array kMessageRoutes{
    MessageRoute{WM_DESTROY, UnskinThenPrevious},
    MessageRoute{WM_SIZE, OnSize},
    MessageRoute{WM_ACTIVATE, OnActivate},
    MessageRoute{WM_SETFOCUS, OnSetFocus},
    MessageRoute{WM_KILLFOCUS, OnKillFocus},
    MessageRoute{WM_ENABLE, OnEnable},
    MessageRoute{WM_PAINT, OnPaint},
    MessageRoute{WM_WINDOWPOSCHANGING, OnWindowPosChanging},
    MessageRoute{WM_NCPAINT, OnNcPaint},
    MessageRoute{WM_KEYDOWN, OnKeyDown},
    MessageRoute{WM_KEYUP, OnKeyUp},
    MessageRoute{WM_TIMER, OnTimer},
    MessageRoute{WM_ENTERIDLE, PreviousThenSkinOther},
    MessageRoute{WM_CTLCOLORLISTBOX, PreviousThenSkinOther},
    MessageRoute{WM_MOUSEMOVE, OnMouseMove},
    MessageRoute{WM_LBUTTONDOWN, OnLButtonDown},
    MessageRoute{WM_LBUTTONUP, ReleaseThenRefreshSiblings},
    MessageRoute{WM_LBUTTONDBLCLK, OnLButtonDblClk},
    MessageRoute{WM_MOUSELEAVE, OnMouseLeave},
    MessageRoute{WM_SETTEXT, PreviousThenRenderFaces},
    MessageRoute{WM_SETFONT, PreviousThenRenderFaces},
};

SkinHandler RouteOf(UINT message) {
    for (const MessageRoute& route : kMessageRoutes) {
        if (route.message == message)
            return route.handler;
    }
    return CallPrevious;
}

} // namespace

LRESULT CALLBACK SkinWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hwnd)
        return 0;
    const auto previous = GetSkinPropAs<WNDPROC>(hwnd, SkinProp::PROCADDR);
    if (!previous)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        return RouteOf(message)(previous, hwnd, message, wParam, lParam);
    } catch (...) {
        // Only running out of memory throws here. The message may have reached the
        // previous procedure already, so it is not passed again; 0 is what most
        // handled messages answer.
        return 0;
    }
}

} // namespace skin
