#include "input_handlers.h"

#include "class_groups.h"
#include "control_painters.h"
#include "draw_primitives.h"
#include "group_routes.h"
#include "hover_fade.h"
#include "hover_timer.h"
#include "push_button_painter.h"
#include "skin_numbers.h"
#include "skin_props.h"
#include "visual_state.h"

#include <commctrl.h>

#include <optional>

namespace skin {
namespace {

struct MessageEvent {
    UINT message;
    InputEvent event;
};

constexpr MessageEvent kMessageEvents[] = {
    {WM_LBUTTONDOWN, InputEvent::LButtonDown}, {WM_LBUTTONDBLCLK, InputEvent::LButtonDblClk},
    {WM_LBUTTONUP, InputEvent::LButtonUp},     {WM_KEYDOWN, InputEvent::SpaceDown},
    {WM_KEYUP, InputEvent::SpaceUp},           {WM_MOUSEMOVE, InputEvent::MouseMove},
    {WM_MOUSELEAVE, InputEvent::MouseLeave},   {WM_ENABLE, InputEvent::Enabled},
    {WM_SETFOCUS, InputEvent::FocusChange},    {WM_KILLFOCUS, InputEvent::FocusChange},
};

std::optional<InputEvent> EventOf(UINT message, WPARAM wParam) {
    for (const MessageEvent& row : kMessageEvents) {
        if (row.message != message)
            continue;
        // Of the keys, space alone, compared as the whole wParam.
        if ((message == WM_KEYDOWN || message == WM_KEYUP) && wParam != VK_SPACE)
            return std::nullopt;
        if (message == WM_ENABLE && !wParam)
            return InputEvent::Disabled;
        return row.event;
    }
    return std::nullopt;
}

bool CursorOver(HWND hwnd) {
    POINT at{};
    return GetCursorPos(&at) && WindowFromPoint(at) == hwnd;
}

// An editable combo's drop zone is the column of its drop button, bounds included; the
// whole of any other combo box counts.
bool InDropZone(HWND hwnd, int x, int y) {
    if (GetWindowLongW(hwnd, GWL_STYLE) & 0x1)
        return true;
    WindowSize size{};
    GetWindowSize(hwnd, size);
    const int cx = GetSystemMetrics(SM_CXVSCROLL);
    return x >= size.Width - cx - 2 && x <= size.Width - 2 && y >= 2 && y <= size.Height - 2;
}

int HeaderItemCount(HWND hwnd) {
    return static_cast<int>(SendMessageW(hwnd, HDM_GETITEMCOUNT, 0, 0));
}

// The first item whose span holds x, both ends included, so that a border between two
// items hits the lower index; -1 for none.
int HeaderItemAt(HWND hwnd, int x) {
    for (int i = 0, n = HeaderItemCount(hwnd); i < n; ++i) {
        RECT rc{};
        SendMessageW(hwnd, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&rc));
        if (rc.left <= x && x <= rc.right)
            return i;
    }
    return -1;
}

InputFacts ReadFacts(HWND hwnd, ClassGroup group, UINT message, WPARAM wParam, LPARAM lParam) {
    InputFacts facts;
    facts.mouseInside = GetSkinProp(hwnd, SkinProp::MOUSEFLAG) != 0;
    facts.buttonHeld = message == WM_MOUSEMOVE && (wParam & MK_LBUTTON);
    if (message == WM_MOUSEMOVE || message == WM_LBUTTONUP)
        facts.cursorOver = CursorOver(hwnd);
    const bool pointed =
        message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK;
    const int x = LowWord(static_cast<std::uint32_t>(lParam));
    const int y = HighWord(static_cast<std::uint32_t>(lParam));
    if (group == ClassGroup::ComboBox && pointed)
        facts.inDropZone = InDropZone(hwnd, x, y);
    if (group == ClassGroup::Header) {
        facts.hotItem = static_cast<int>(GetSkinProp(hwnd, SkinProp::HMINDEX));
        facts.pressedItem = static_cast<int>(GetSkinProp(hwnd, SkinProp::HDINDEX));
        facts.hasItems = HeaderItemCount(hwnd) > 0;
        if (pointed)
            facts.hitItem = HeaderItemAt(hwnd, x);
    }
    return facts;
}

void AskPainter(HWND hwnd, ClassGroup group, int state, bool force) {
    if (group == ClassGroup::CheckBox)
        PaintCheckBox(hwnd, nullptr, state, force);
    else if (group == ClassGroup::OptionButton)
        PaintOptionButton(hwnd, nullptr, state, force);
    else
        PaintComboButton(hwnd, nullptr, state, force);
}

void Apply(HWND hwnd, ClassGroup group, const Decision& d) {
    if (d.mouseInside)
        SetSkinProp(hwnd, SkinProp::MOUSEFLAG, *d.mouseInside);
    if (d.trackLeave)
        TrackMouseLeave(hwnd);
    if (d.stopFade)
        StopHoverTimer(hwnd);
    if (d.renderFaces)
        RenderButtonFaces(hwnd);
    if (d.paintNow) {
        if (d.paintState)
            SetSkinProp(hwnd, SkinProp::OLDSTATE, *d.paintState);
        if (d.paintLevel)
            SetSkinProp(hwnd, SkinProp::ALPHALEVEL, *d.paintLevel);
        PaintPushButton(hwnd, nullptr);
    }
    if (d.state)
        SetSkinProp(hwnd, SkinProp::OLDSTATE, *d.state);
    if (d.level)
        SetSkinProp(hwnd, SkinProp::ALPHALEVEL, *d.level);
    if (d.startFade)
        StartHoverTimer(hwnd);
    if (d.ask)
        AskPainter(hwnd, group, *d.ask, d.force);
    if (d.pressedItem)
        SetSkinProp(hwnd, SkinProp::HDINDEX, *d.pressedItem);
    if (d.hotItem)
        SetSkinProp(hwnd, SkinProp::HMINDEX, *d.hotItem);
    for (const std::optional<ItemPaint>& item : d.items) {
        if (item)
            PaintHeaderItem(hwnd, nullptr, item->index, item->state);
    }
}

} // namespace

LRESULT HandleInput(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const ClassGroup group = GetClassGroup(hwnd);
    const LRESULT result = CallPrevious(previous, hwnd, message, wParam, lParam);
    const std::optional<InputEvent> event = EventOf(message, wParam);
    if (!event || !TakesInput(group))
        return result;
    // The previous procedure may have closed the window (a click that ends a form) or
    // detached the skin: its properties are gone, and nothing is left to show.
    if (!IsSkinned(hwnd))
        return result;
    const Decision decision =
        DecideInput(group, *event, ReadFacts(hwnd, group, message, wParam, lParam));
    if (decision != Decision{})
        Apply(hwnd, group, decision);
    return result;
}

BOOL CALLBACK RefreshGroupSibling(HWND child, LPARAM) {
    try {
        if (!IsSkinned(child))
            return TRUE;
        const ClassGroup group = GetClassGroup(child);
        if (group == ClassGroup::CheckBox || group == ClassGroup::OptionButton)
            AskPainter(child, group, VisualNormal, true);
    } catch (...) {
        // An enumeration callback must not unwind into the system; the next child is
        // still worth painting.
    }
    return TRUE;
}

} // namespace skin
