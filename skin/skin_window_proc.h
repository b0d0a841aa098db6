#pragma once
#include <windows.h>

namespace skin {

// The one window procedure of every skinned window. It finds the window's previous
// procedure in PROCADDR, sends the messages the skin treats to their handlers and
// passes every other message on unchanged. No exception leaves it.
LRESULT CALLBACK SkinWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace skin
