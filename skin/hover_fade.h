#pragma once
#include <windows.h>

// Hover tracking and the cross-fade of push-button faces. A fade start stores the
// target face in OLDSTATE and the start level in ALPHALEVEL and starts the 15 ms
// timer (hover_timer.h); every tick blends the target face once more.
namespace skin {

inline constexpr int kFadeStep = 3;

// Whether the library exports the function. A library loaded for the question is
// released again; one that was loaded already is left as it was.
bool IsFunctionAvailable(const char* functionName, const wchar_t* libraryName);

// Asks the system for one WM_MOUSELEAVE when the mouse leaves the window, through
// TrackMouseEvent when User32 has it (HasTrackMouseEvent), else comctl32's.
void TrackMouseLeave(HWND hwnd);

// WM_TIMER: for a push button whose fade timer ticked, the fade step first (paint at
// ALPHALEVEL, then the level + 3; above 255 the timer stops and 0 is stored); then the
// previous procedure, whose result is returned.
LRESULT OnTimer(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace skin
