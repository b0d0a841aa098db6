#pragma once
#include <windows.h>

// The skin engine as the application sees it: attach it to a top-level window once
// it exists, detach it before the window goes. Both answer 1 when they changed the
// window, 0 when there was nothing to do (a null handle, a window skinned already or
// never skinned, a window of another thread). GUI thread only. Windows that appear
// later under a skinned one (message boxes, dialogs, drop-down lists) are skinned as
// they show up, and every skinned window is restored by its own WM_DESTROY.
namespace skin {

int AttachSkin(HWND hwnd);
int DetachSkin(HWND hwnd);

} // namespace skin
