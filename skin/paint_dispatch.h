#pragma once
#include <windows.h>

// WM_PAINT of every skinned window: by the window's class group, the previous
// procedure paints alone, the skin paints the whole window, or the previous procedure
// paints and the skin draws its frame and parts over it.
namespace skin {

// The previous procedure's result where it is called, else 0.
LRESULT OnPaint(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace skin
