#pragma once
#include <windows.h>

// Skinning and restoring windows one by one, and the handlers that change a skinned
// window's set-up later. AttachSkin and DetachSkin (skin.h) are built on these.
namespace skin {

// 1 when the window (and, for a form, every window below it, first) was skinned now; 0
// for a null handle, a window skinned already, or a window of another thread: its
// procedure cannot be replaced from here, and the WM_NCPAINT sent to it would wait on
// that thread's message loop.
int SkinWindow(HWND hwnd);
// 1 when the window (and, for a form, every window below it, first) was restored now;
// 0 for a null handle or a window not skinned. The last one restored releases the skin
// images.
int UnskinWindow(HWND hwnd);

// EnumChildWindows callbacks over SkinWindow and UnskinWindow; they always go on.
BOOL CALLBACK SkinChildProc(HWND hwnd, LPARAM lParam);
BOOL CALLBACK UnskinChildProc(HWND hwnd, LPARAM lParam);

// WM_ACTIVATE: the other window of the activation is skinned first when it is owned by
// this one or is a form (a message box, a dialog).
LRESULT OnActivate(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// WM_SIZE: a push button's faces and region follow its new size.
LRESULT OnSize(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// WM_WINDOWPOSCHANGING: a combo box's drop button is shown normal unless its list is open.
LRESULT OnWindowPosChanging(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam,
                            LPARAM lParam);

} // namespace skin
