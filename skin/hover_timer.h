#pragma once
#include <windows.h>

// The 15 ms fade timer of a skinned window, kept in its TIMERID property.
namespace skin {

inline constexpr UINT_PTR kHoverTimerId = 1;
inline constexpr UINT kHoverTimerPeriodMs = 15;

// The new timer's id, or 0 when the window already runs one.
UINT_PTR StartHoverTimer(HWND hwnd);
// KillTimer's result, or 0 when no timer runs.
BOOL StopHoverTimer(HWND hwnd);

} // namespace skin
