#include "visual_state.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

namespace {

using skin::ClassGroup;
using skin::InputEvent;

// "inside held over zone items hit=1 hot=0 pressed=-1": MOUSEFLAG, MK_LBUTTON, cursor
// over the control, point in a combo's drop zone, a header with items, header indexes.
skin::InputFacts Facts(const std::string& text) {
    skin::InputFacts f;
    std::istringstream words(text);
    for (std::string w; words >> w;) {
        if (w.find('=') != std::string::npos)
            (w[1] == 'i'   ? f.hitItem
             : w[1] == 'o' ? f.hotItem
                           : f.pressedItem) = std::stoi(w.substr(w.find('=') + 1));
        else
            (w == "inside" ? f.mouseInside
             : w == "held" ? f.buttonHeld
             : w == "over" ? f.cursorOver
             : w == "zone" ? f.inDropZone
                           : f.hasItems) = true;
    }
    return f;
}

// The steps in the order they are applied: "mouse=1 track stop render paint=2@255
// state=0 level=60 fade ask=1! down=-1 hot=2 item=1:0" (! forced; paint=@255 keeps
// OLDSTATE, paint=3@ keeps ALPHALEVEL).
std::string Steps(const skin::Decision& d) {
    std::string out;
    const auto num = [](std::optional<int> v) { return v ? std::to_string(*v) : std::string(); };
    const auto add = [&](bool on, const std::string& word) { out += on ? " " + word : ""; };
    add(d.mouseInside.has_value(), "mouse=" + std::to_string(d.mouseInside.value_or(0)));
    add(d.trackLeave, "track"), add(d.stopFade, "stop"), add(d.renderFaces, "render");
    add(d.paintNow, "paint=" + num(d.paintState) + "@" + num(d.paintLevel));
    add(d.state.has_value(), "state=" + num(d.state)),
        add(d.level.has_value(), "level=" + num(d.level));
    add(d.startFade, "fade"), add(d.ask.has_value(), "ask=" + num(d.ask) + (d.force ? "!" : ""));
    add(d.pressedItem.has_value(), "down=" + num(d.pressedItem)),
        add(d.hotItem.has_value(), "hot=" + num(d.hotItem));
    for (const auto& item : d.items)
        add(item.has_value(),
            item ? "item=" + std::to_string(item->index) + ":" + std::to_string(item->state) : "");
    return out.empty() ? out : out.substr(1);
}

TEST(VisualState, EveryGroupAndEventAsTheHandlersApplyThem) {
    using G = ClassGroup;
    using E = InputEvent;
    const struct {
        ClassGroup group;
        InputEvent event;
        const char* facts;
        const char* steps;
    } rows[] = {
        // Push buttons: a press shows at once; releases, entries, leaves and focus fade.
        {G::PushButton, E::LButtonDown, "inside", "stop paint=2@255 level=0"},
        {G::PushButton, E::LButtonDblClk, "", "stop paint=2@255 level=0"},
        {G::PushButton, E::SpaceDown, "", "stop paint=2@255 level=0"},
        {G::PushButton, E::LButtonUp, "inside over", "mouse=0 state=0 level=60 fade"},
        {G::PushButton, E::SpaceUp, "inside", "mouse=0 state=0 level=0 fade"},
        {G::PushButton, E::MouseMove, "", "mouse=1 track state=1 level=0 fade"},
        {G::PushButton, E::MouseMove, "inside held", "stop paint=@255"}, // dragged out
        {G::PushButton, E::MouseMove, "inside over", ""},
        {G::PushButton, E::MouseLeave, "inside", "mouse=0 paint=1@140 state=0 level=0 fade"},
        {G::PushButton, E::Enabled, "", "paint=0@"},
        {G::PushButton, E::Disabled, "", "paint=3@"},
        {G::PushButton, E::FocusChange, "", "render level=0 fade"},
        // Combo boxes: by drop zone and button; drive lists: anywhere.
        {G::ComboBox, E::LButtonDown, "zone", "ask=2"},
        {G::ComboBox, E::LButtonDown, "", ""},
        {G::ComboBox, E::LButtonDblClk, "zone", ""},
        {G::ComboBox, E::LButtonUp, "over", "ask=1"},
        {G::ComboBox, E::LButtonUp, "", "ask=0"},
        {G::ComboBox, E::MouseMove, "", "mouse=1 track ask=0"},
        {G::ComboBox, E::MouseMove, "inside zone", "ask=1"},
        {G::ComboBox, E::MouseMove, "inside zone held", "ask=2"},
        {G::ComboBox, E::MouseLeave, "inside", "mouse=0 ask=0"},
        {G::ComboBox, E::SpaceDown, "", ""},
        {G::DriveList, E::LButtonDown, "", "ask=2"},
        {G::DriveList, E::MouseMove, "inside held", "ask=2"},
        {G::DriveList, E::LButtonUp, "over", "ask=1"},
        {G::DriveList, E::FocusChange, "", ""},
        // Check boxes and option buttons: forced on every move; focus only for options.
        {G::CheckBox, E::LButtonDown, "", "ask=2"},
        {G::CheckBox, E::LButtonUp, "over", "ask=0"},
        {G::CheckBox, E::LButtonDblClk, "", ""},
        {G::CheckBox, E::SpaceDown, "", "ask=2"},
        {G::CheckBox, E::SpaceUp, "", "ask=0"},
        {G::CheckBox, E::MouseMove, "", "mouse=1 track ask=1!"},
        {G::CheckBox, E::MouseMove, "inside held", "ask=2!"},
        {G::CheckBox, E::MouseLeave, "inside", "mouse=0 ask=0"},
        {G::CheckBox, E::FocusChange, "", ""},
        {G::OptionButton, E::FocusChange, "", "ask=0!"},
        {G::OptionButton, E::Disabled, "", ""},
        // A header's example: over item 0, item 1, press on 1, drag to 2, release there,
        // move within 2, leave.
        {G::Header, E::MouseMove, "items hit=0 hot=-1 pressed=-1", "mouse=1 track hot=0 item=0:1"},
        {G::Header, E::MouseMove, "inside items hit=1 hot=0 pressed=-1", "hot=1 item=0:0 item=1:1"},
        {G::Header, E::LButtonDown, "inside items hit=1 hot=1 pressed=-1", "down=1 item=1:2"},
        {G::Header, E::MouseMove, "inside held items hit=2 hot=1 pressed=1", ""},
        {G::Header, E::LButtonUp, "inside over items hot=1 pressed=1", "down=-1 item=1:1"},
        {G::Header, E::MouseMove, "inside items hit=2 hot=1 pressed=-1", "hot=2 item=1:0 item=2:1"},
        {G::Header, E::MouseLeave, "inside items hot=2 pressed=-1",
         "mouse=0 down=-1 hot=-1 item=2:0"},
        // ... and the other header cases: back onto the pressed item, past the last one,
        // a release elsewhere, a press beside the items or on a header without any.
        {G::Header, E::MouseMove, "inside held items hit=1 hot=0 pressed=1", "item=0:0 item=1:2"},
        {G::Header, E::MouseMove, "inside items hit=-1 hot=2 pressed=-1", "hot=-1 item=2:0"},
        {G::Header, E::LButtonUp, "inside items hot=1 pressed=1", "down=-1 item=1:0"},
        {G::Header, E::LButtonDblClk, "items hit=-1 hot=-1 pressed=-1", "down=-1"},
        {G::Header, E::LButtonDown, "hit=-1 hot=-1 pressed=-1", ""},
        // The groups without input steps.
        {G::Form, E::MouseMove, "", ""},
        {G::ProgressBar, E::LButtonDown, "", ""},
        {G::Other, E::MouseLeave, "inside", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Steps(skin::DecideInput(row.group, row.event, Facts(row.facts))), row.steps)
            << static_cast<int>(row.group) << " " << static_cast<int>(row.event) << " "
            << row.facts;
}

} // namespace
