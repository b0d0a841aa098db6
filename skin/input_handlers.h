#pragma once
#include <windows.h>

// The mouse, keyboard, focus and enable handlers of the skinned controls. Each lets the
// control's previous procedure do all of its own work first, then reads the control,
// asks the state machine (visual_state.h) what to show and shows it, and returns the
// previous procedure's result. When the previous procedure destroyed the window or
// detached the skin from it, nothing more is done.
namespace skin {

LRESULT HandleInput(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

inline constexpr auto OnLButtonDown = HandleInput;
inline constexpr auto OnLButtonDblClk = HandleInput;
inline constexpr auto OnLButtonUp = HandleInput;
inline constexpr auto OnKeyDown = HandleInput; // VK_SPACE only
inline constexpr auto OnKeyUp = HandleInput;
inline constexpr auto OnMouseMove = HandleInput;
inline constexpr auto OnMouseLeave = HandleInput;
inline constexpr auto OnEnable = HandleInput;
inline constexpr auto OnSetFocus = HandleInput;
inline constexpr auto OnKillFocus = HandleInput;

// EnumChildWindows callback run after every left-button release: each skinned check
// box and option button is drawn again in the normal state, forced. Always goes on.
BOOL CALLBACK RefreshGroupSibling(HWND child, LPARAM lParam);

} // namespace skin
