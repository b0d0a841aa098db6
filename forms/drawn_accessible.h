#pragma once
#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <string>
#include <vector>

// What a screen reader is told of one part of a window that has no window of
// its own (a painted label, a hot area).
struct AccessiblePart {
    LONG role = ROLE_SYSTEM_STATICTEXT;
    std::wstring name;
    std::wstring value;  // empty: the part has none
    std::wstring action; // the default action's name; empty: none
    RECT client{};       // where it lies, in client pixels
};

// The parts of a window, asked afresh at each call (their texts change). A
// part's default action is posted to the window as `actionMessage` with the
// part's index in wParam, for the window to check and run.
struct AccessibleParts {
    std::function<std::vector<AccessiblePart>()> list = [] { return std::vector<AccessiblePart>{}; };
    UINT actionMessage = 0;
    std::wstring name; // the window's own name, when not its text
};

// The object a window gives for WM_GETOBJECT with OBJID_CLIENT: the
// system's own for the window itself, with the painted parts as its first
// children (child ids 1..N) and the visible child windows after them.
// Returns what WM_GETOBJECT should return (0 when it cannot be made).
LRESULT AnswerGetObject(HWND window, WPARAM wParam, AccessibleParts parts);

// Tells accessibility clients that a part's value (child id index + 1) or the
// window's alert has changed.
void NotifyPartValueChanged(HWND window, size_t index);
