#pragma once
#include "class_groups.h"

#include <array>
#include <optional>

// The input and focus state machine of the skinned controls as a pure function: what a
// control does for one event, given what its handler read. The handlers only apply it.
namespace skin {

enum class InputEvent {
    LButtonDown,
    LButtonDblClk,
    LButtonUp,
    SpaceDown, // WM_KEYDOWN and WM_KEYUP of VK_SPACE; no other key is an event
    SpaceUp,
    MouseMove,
    MouseLeave,
    Enabled, // WM_ENABLE
    Disabled,
    FocusChange, // WM_SETFOCUS or WM_KILLFOCUS
};

// What the handler read from the control and the message, after the control's own
// procedure has run.
struct InputFacts {
    bool mouseInside = false; // MOUSEFLAG
    bool buttonHeld = false;  // MK_LBUTTON of a mouse move
    bool cursorOver = false;  // the window under the cursor is the control itself
    bool inDropZone = false;  // a combo box: the point is in its drop zone
    bool hasItems = false;    // a header with at least one item
    int hitItem = -1;         // a header: the item under the point
    int hotItem = -1;         // HMINDEX
    int pressedItem = -1;     // HDINDEX
};

struct ItemPaint {
    int index, state;
    bool operator==(const ItemPaint&) const = default;
};

// The steps, applied in this order; fields left unset change nothing.
// 1. MOUSEFLAG, then the one leave request of an entry.
// 2. Push buttons: stop the fade; render the faces again; paint once, shown at once
//    (OLDSTATE and ALPHALEVEL set for that paint first); then OLDSTATE and ALPHALEVEL;
//    then start a fade (the running timer goes on if there is one).
// 3. Combo boxes, drive lists, check boxes, option buttons: the state asked of the
//    control's painter, forced or not; the painter stores it in OLDSTATE.
// 4. Headers: HDINDEX and HMINDEX, then the items painted, in order.
struct Decision {
    std::optional<bool> mouseInside;
    bool trackLeave = false;
    bool stopFade = false;
    bool renderFaces = false;
    bool paintNow = false;
    std::optional<int> paintState, paintLevel;
    std::optional<int> state, level;
    bool startFade = false;
    std::optional<int> ask;
    bool force = false;
    std::optional<int> pressedItem, hotItem;
    std::array<std::optional<ItemPaint>, 2> items;
    bool operator==(const Decision&) const = default;
};

// Push buttons, combo boxes, drive lists, check boxes, option buttons and headers;
// forms, progress bars, lists and every other class only pass their input on.
bool TakesInput(ClassGroup group);

// Nothing for the groups that take no input.
Decision DecideInput(ClassGroup group, InputEvent event, const InputFacts& facts);

} // namespace skin
