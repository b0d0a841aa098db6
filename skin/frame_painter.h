#pragma once
#include <windows.h>

// WM_NCPAINT of every skinned window: the flat frame in place of a sunken client edge,
// and the whole of a progress bar, frame and bar.
namespace skin {

// 0 for progress bars, which never reach their own procedure; otherwise the previous
// procedure's result.
LRESULT OnNcPaint(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace skin
