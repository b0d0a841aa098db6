#pragma once
#include <windows.h>

// An entry point of user32 that only newer systems have; null where it is missing.
template <typename Function> Function NewerUser32Entry(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// The dots per inch a window is drawn at, and the system's. The per-window
// entry point came with Windows 10 (1607); where it is missing every window
// has the system's, which the screen's device context reports.
inline UINT SystemDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

inline UINT WindowDpi(HWND hwnd) {
    static const auto getDpiForWindow = NewerUser32Entry<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    const UINT dpi = getDpiForWindow && hwnd ? getDpiForWindow(hwnd) : 0;
    return dpi ? dpi : SystemDpi();
}
