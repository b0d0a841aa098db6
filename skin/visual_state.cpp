#include "visual_state.h"

#include "skin_state.h"

#include <utility>

namespace skin {
namespace {

// Fade levels: a press is shown at once and fully; a release fades to the normal face
// from a level that already shows some of it; a leave first shows the hover face once
// part way, then fades to normal.
constexpr int kLevelShown = 255;
constexpr int kLevelAfterRelease = 60;
constexpr int kLevelOfLeavingHover = 140;

// A face shown at once and fully, ending any fade; nullopt keeps OLDSTATE.
Decision ShowAtOnce(std::optional<int> state) {
    Decision d;
    d.stopFade = true;
    d.paintNow = true;
    d.paintState = state;
    d.paintLevel = kLevelShown;
    return d;
}

// A fade toward the target face from the level; nullopt keeps the target.
Decision FadeTo(std::optional<int> target, int level) {
    Decision d;
    d.state = target;
    d.level = level;
    d.startFade = true;
    return d;
}

// An entry (the first move after the mouse came in) asks for one leave notification.
Decision& Entered(Decision& d, const InputFacts& f) {
    if (!f.mouseInside) {
        d.mouseInside = true;
        d.trackLeave = true;
    }
    return d;
}

Decision Left(Decision d) {
    d.mouseInside = false;
    return d;
}

Decision DecidePushButton(ClassGroup, InputEvent event, const InputFacts& f) {
    switch (event) {
    case InputEvent::LButtonDown:
    case InputEvent::LButtonDblClk:
    case InputEvent::SpaceDown: {
        Decision d = ShowAtOnce(VisualPressed);
        d.level = 0;
        return d;
    }
    case InputEvent::LButtonUp:
        // The next move then counts as an entry and fades toward the hover face.
        return Left(FadeTo(VisualNormal, kLevelAfterRelease));
    case InputEvent::SpaceUp:
        return Left(FadeTo(VisualNormal, 0));
    case InputEvent::MouseMove: {
        Decision d = FadeTo(VisualHover, 0);
        if (!f.mouseInside)
            return Entered(d, f);
        // Outside while holding the capture of a press: the current face, fully.
        return f.cursorOver ? Decision{} : ShowAtOnce(std::nullopt);
    }
    case InputEvent::MouseLeave: {
        Decision d = Left(FadeTo(VisualNormal, 0));
        d.paintNow = true;
        d.paintState = VisualHover;
        d.paintLevel = kLevelOfLeavingHover;
        return d;
    }
    case InputEvent::Enabled:
    case InputEvent::Disabled: {
        // One paint at the level that stands, no fade.
        Decision d;
        d.paintNow = true;
        d.paintState = event == InputEvent::Enabled ? VisualNormal : VisualDisabled;
        return d;
    }
    case InputEvent::FocusChange: {
        Decision d = FadeTo(std::nullopt, 0);
        d.renderFaces = true;
        return d;
    }
    }
    return {};
}

Decision Ask(int state, bool force) {
    Decision d;
    d.ask = state;
    d.force = force;
    return d;
}

// Combo boxes, drive lists, check boxes and option buttons: a state asked of the painter.
Decision DecideStatePainter(ClassGroup group, InputEvent event, const InputFacts& f) {
    const bool combo = group == ClassGroup::ComboBox;
    const bool box = group == ClassGroup::CheckBox || group == ClassGroup::OptionButton;
    switch (event) {
    case InputEvent::LButtonDown:
        return combo && !f.inDropZone ? Decision{} : Ask(VisualPressed, false);
    case InputEvent::LButtonUp:
        return Ask(!box && f.cursorOver ? VisualHover : VisualNormal, false);
    case InputEvent::SpaceDown:
        return box ? Ask(VisualPressed, false) : Decision{};
    case InputEvent::SpaceUp:
        return box ? Ask(VisualNormal, false) : Decision{};
    case InputEvent::MouseMove: {
        // Check boxes and option buttons are repainted on every move inside them.
        Decision d = combo && !f.inDropZone ? Ask(VisualNormal, false)
                                            : Ask(f.buttonHeld ? VisualPressed : VisualHover, box);
        return Entered(d, f);
    }
    case InputEvent::MouseLeave:
        return Left(Ask(VisualNormal, false));
    case InputEvent::FocusChange:
        return group == ClassGroup::OptionButton ? Ask(VisualNormal, true) : Decision{};
    default:
        return {};
    }
}

Decision DecideHeader(ClassGroup, InputEvent event, const InputFacts& f) {
    Decision d;
    switch (event) {
    case InputEvent::LButtonDown:
    case InputEvent::LButtonDblClk:
        if (f.hasItems) {
            d.pressedItem = f.hitItem;
            if (f.hitItem >= 0)
                d.items[0] = ItemPaint{f.hitItem, VisualPressed};
        }
        return d;
    case InputEvent::LButtonUp:
        d.pressedItem = -1;
        if (f.pressedItem >= 0)
            d.items[0] = ItemPaint{f.pressedItem, f.cursorOver ? VisualHover : VisualNormal};
        return d;
    case InputEvent::MouseMove:
        Entered(d, f);
        if (f.hitItem == f.hotItem)
            return d;
        if (f.hotItem >= 0 && f.hotItem != f.pressedItem)
            d.items[0] = ItemPaint{f.hotItem, VisualNormal};
        // While the button is held the hot item stays; the pressed one shows pressed.
        if (!f.buttonHeld)
            d.hotItem = f.hitItem;
        if (f.hitItem >= 0 && (!f.buttonHeld || f.hitItem == f.pressedItem))
            d.items[1] = ItemPaint{f.hitItem, f.buttonHeld ? VisualPressed : VisualHover};
        return d;
    case InputEvent::MouseLeave:
        d = Left(d);
        d.pressedItem = -1;
        d.hotItem = -1;
        if (f.hotItem >= 0)
            d.items[0] = ItemPaint{f.hotItem, VisualNormal};
        return d;
    default:
        return d;
    }
}

using Decider = Decision (*)(ClassGroup, InputEvent, const InputFacts&);

constexpr std::pair<ClassGroup, Decider> kDeciders[] = {
    {ClassGroup::PushButton, DecidePushButton},     {ClassGroup::ComboBox, DecideStatePainter},
    {ClassGroup::DriveList, DecideStatePainter},    {ClassGroup::CheckBox, DecideStatePainter},
    {ClassGroup::OptionButton, DecideStatePainter}, {ClassGroup::Header, DecideHeader},
};

Decider DeciderFor(ClassGroup group) {
    for (const auto& [g, decide] : kDeciders) {
        if (g == group)
            return decide;
    }
    return nullptr;
}

} // namespace

bool TakesInput(ClassGroup group) {
    return DeciderFor(group) != nullptr;
}

Decision DecideInput(ClassGroup group, InputEvent event, const InputFacts& facts) {
    const Decider decide = DeciderFor(group);
    return decide ? decide(group, event, facts) : Decision{};
}

} // namespace skin
