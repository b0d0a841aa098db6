#pragma once
#include <windows.h>

// The skin engine as the application sees it: attach it to a top-level window once
// it exists, detach it before the window goes. Both answer 1 when they changed the
// window, 0 when there was nothing to do (a null handle, a window skinned already or
// never skinned). GUI thread only.
namespace skin {

int AttachSkin(HWND hwnd);
int DetachSkin(HWND hwnd);

} // namespace skin
