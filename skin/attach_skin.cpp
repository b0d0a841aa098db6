#include "attach_skin.h"

#include "class_groups.h"
#include "control_painters.h"
#include "draw_primitives.h"
#include "group_routes.h"
#include "hover_fade.h"
#include "hover_timer.h"
#include "push_button_painter.h"
#include "skin.h"
#include "skin_images.h"
#include "skin_props.h"
#include "skin_state.h"
#include "skin_window_proc.h"

#include <array>

namespace skin {
namespace {

// Rounded corners; one pixel wider and taller than the window, because a region's
// right and bottom edges are outside it.
void GiveRoundRegion(HWND hwnd) {
    WindowSize size{};
    GetWindowSize(hwnd, size);
    // Not kept by an owner: once given, the region is the window's, and the system frees it.
    const HRGN region = CreateRoundRectRgn(0, 0, size.Width + 1, size.Height + 1, 3, 3);
    if (region && !SetWindowRgn(hwnd, region, TRUE))
        DeleteObject(region);
}

void SkinPushButton(HWND hwnd) {
    CreateButtonFaces(hwnd);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    // Owner-drawn, the button's own procedure never paints its own look over the skin.
    if (IsSkinPaintedButtonStyle(style))
        SendMessageW(hwnd, BM_SETSTYLE, BS_OWNERDRAW, TRUE);
    SetSkinProp(hwnd, SkinProp::OLDSTYLE, style);
    SetSkinProp(hwnd, SkinProp::MOUSEFLAG, 0);
    SetSkinProp(hwnd, SkinProp::TIMERID, 0);
    SetSkinProp(hwnd, SkinProp::OLDSTATE, IsWindowEnabled(hwnd) ? VisualNormal : VisualDisabled);
    SetSkinProp(hwnd, SkinProp::ALPHALEVEL, 0);
    GiveRoundRegion(hwnd);
}

void UnskinPushButton(HWND hwnd) {
    ReleaseButtonFaces(hwnd);
    StopHoverTimer(hwnd);
    // Only the button type the skin changed goes back: whatever else changed since
    // (disabled, hidden, ...) is the window's present state and stays.
    const LONG saved = static_cast<LONG>(GetSkinProp(hwnd, SkinProp::OLDSTYLE));
    const LONG now = GetWindowLongW(hwnd, GWL_STYLE);
    SetWindowLongW(hwnd, GWL_STYLE, (now & ~BS_TYPEMASK) | (saved & BS_TYPEMASK));
    for (SkinProp prop : {SkinProp::OLDSTYLE, SkinProp::MOUSEFLAG, SkinProp::TIMERID,
                          SkinProp::OLDSTATE, SkinProp::ALPHALEVEL})
        RemoveSkinProp(hwnd, prop);
    SetWindowRgn(hwnd, nullptr, TRUE);
}

void SkinStateControl(HWND hwnd) {
    SetSkinProp(hwnd, SkinProp::MOUSEFLAG, 0);
    SetSkinProp(hwnd, SkinProp::OLDSTATE, VisualNormal);
}

void UnskinStateControl(HWND hwnd) {
    RemoveSkinProp(hwnd, SkinProp::MOUSEFLAG);
    RemoveSkinProp(hwnd, SkinProp::OLDSTATE);
}

void SkinHeader(HWND hwnd) {
    SetSkinProp(hwnd, SkinProp::MOUSEFLAG, 0);
    SetSkinProp(hwnd, SkinProp::HDINDEX, -1);
    SetSkinProp(hwnd, SkinProp::HMINDEX, -1);
}

void UnskinHeader(HWND hwnd) {
    for (SkinProp prop : {SkinProp::MOUSEFLAG, SkinProp::HDINDEX, SkinProp::HMINDEX})
        RemoveSkinProp(hwnd, prop);
}

// Every descendant before the form itself, both ways.
void SkinDescendants(HWND hwnd) {
    EnumChildWindows(hwnd, SkinChildProc, 0);
}

void UnskinDescendants(HWND hwnd) {
    EnumChildWindows(hwnd, UnskinChildProc, 0);
}

struct GroupSetup {
    ClassGroup group;
    void (*skin)(HWND);
    void (*unskin)(HWND);
};

// Groups without a row (progress bars, lists, grids, others) get PROCADDR alone.
constexpr std::array kGroupSetups{
    GroupSetup{ClassGroup::Form, SkinDescendants, UnskinDescendants},
    GroupSetup{ClassGroup::PushButton, SkinPushButton, UnskinPushButton},
    GroupSetup{ClassGroup::ComboBox, SkinStateControl, UnskinStateControl},
    GroupSetup{ClassGroup::DriveList, SkinStateControl, UnskinStateControl},
    GroupSetup{ClassGroup::CheckBox, SkinStateControl, UnskinStateControl},
    GroupSetup{ClassGroup::OptionButton, SkinStateControl, UnskinStateControl},
    GroupSetup{ClassGroup::Header, SkinHeader, UnskinHeader},
};

const GroupSetup* SetupFor(HWND hwnd) {
    const ClassGroup group = GetClassGroup(hwnd);
    for (const GroupSetup& setup : kGroupSetups) {
        if (setup.group == group)
            return &setup;
    }
    return nullptr;
}

// The frame is painted by the skin at once, the client area at the next paint. A
// window not on the screen (one being loaded, say) is painted whole when it shows:
// painting it now would only cost time, a round trip to Wine's server per call.
void RepaintWhole(HWND hwnd) {
    if (!IsWindowVisible(hwnd))
        return;
    SendMessageW(hwnd, WM_NCPAINT, 1, 0);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT);
}

} // namespace

int SkinWindow(HWND hwnd) {
    if (!hwnd || IsSkinned(hwnd))
        return 0;
    if (GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId())
        return 0;
    const GroupSetup* setup = SetupFor(hwnd);
    if (setup)
        setup->skin(hwnd);
    const auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SkinWindowProc)));
    // PROCADDR goes in before the WM_NCPAINT below, which already reaches the skin.
    if (!previous || !SetSkinPropAs(hwnd, SkinProp::PROCADDR, previous)) {
        if (previous)
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        if (setup)
            setup->unskin(hwnd);
        return 0;
    }
    ++SkinnedWindowCount;
    RepaintWhole(hwnd);
    return 1;
}

int UnskinWindow(HWND hwnd) {
    if (!hwnd)
        return 0;
    const auto previous = GetSkinPropAs<WNDPROC>(hwnd, SkinProp::PROCADDR);
    if (!previous)
        return 0;
    if (const GroupSetup* setup = SetupFor(hwnd))
        setup->unskin(hwnd);
    // The procedure is back before the repaint, which then reaches the window's own.
    RemoveSkinProp(hwnd, SkinProp::PROCADDR);
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RepaintWhole(hwnd);
    if (--SkinnedWindowCount <= 0) {
        SkinnedWindowCount = 0;
        ReleaseSkinImages();
        SkinImagesReady = false;
    }
    return 1;
}

BOOL CALLBACK SkinChildProc(HWND hwnd, LPARAM) {
    try {
        SkinWindow(hwnd);
    } catch (...) {
        // Nothing may unwind into EnumChildWindows; the other children still count.
    }
    return TRUE;
}

BOOL CALLBACK UnskinChildProc(HWND hwnd, LPARAM) {
    try {
        UnskinWindow(hwnd);
    } catch (...) {
        // As in SkinChildProc.
    }
    return TRUE;
}

LRESULT OnActivate(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto other = reinterpret_cast<HWND>(lParam);
    if (other && (GetParent(other) == hwnd || GetClassGroup(other) == ClassGroup::Form))
        SkinWindow(other);
    return CallPrevious(previous, hwnd, message, wParam, lParam);
}

LRESULT OnSize(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallPrevious(previous, hwnd, message, wParam, lParam);
    if (GetClassGroup(hwnd) == ClassGroup::PushButton && IsSkinned(hwnd)) {
        ResizeButtonFaces(hwnd);
        GiveRoundRegion(hwnd);
    }
    return result;
}

LRESULT OnWindowPosChanging(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    const LRESULT result = CallPrevious(previous, hwnd, message, wParam, lParam);
    const ClassGroup group = GetClassGroup(hwnd);
    if ((group == ClassGroup::ComboBox || group == ClassGroup::DriveList) && IsSkinned(hwnd)) {
        int state = VisualNormal; // raised to pressed while the list is open
        PaintComboButton(hwnd, nullptr, state, false);
    }
    return result;
}

int AttachSkin(HWND hwnd) {
    if (!SkinImagesReady) {
        SkinImagesReady = true;
        HasTrackMouseEvent = IsFunctionAvailable("TrackMouseEvent", L"User32");
        BuildSkinImages();
    }
    return SkinWindow(hwnd);
}

int DetachSkin(HWND hwnd) {
    return UnskinWindow(hwnd);
}

} // namespace skin
