// The skin gallery: one control of every class group the skin knows, on one dialog,
// skinned. A person sees the whole engine at once; scripts/gallery.sh photographs it.
//
//   skin_gallery.exe               shows the gallery until its close box is pressed
//   skin_gallery.exe --ready FILE  at the top-left of the screen, the first button
//                                  focused and the default one under the mouse; once
//                                  the fades are over, writes the dialog's screen
//                                  rectangle ("x y width height") to FILE and stays
//                                  for ten seconds, for a screenshot
#include "gallery_form.h"
#include "skin.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

// Dispatches the thread's messages, dialog keys included, for `ms` milliseconds or
// until the dialog is gone.
void RunDialog(HWND dialog, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (IsWindow(dialog) && GetTickCount64() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(dialog, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
}

// The pose of the screenshot: focus on the first button, the mouse resting on the
// default one, the fades (1.3 s at most) run to their end.
bool PoseForScreenshot(HWND dialog, const wchar_t* readyFile) {
    SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(dialog);
    SetFocus(GetDlgItem(dialog, gallery::kOkButton));
    RECT button{};
    GetWindowRect(GetDlgItem(dialog, gallery::kDefaultButton), &button);
    SetCursorPos((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    RunDialog(dialog, 2500);
    RECT rc{};
    GetWindowRect(dialog, &rc);
    FILE* file = _wfopen(readyFile, L"w");
    if (!file)
        return false;
    std::fprintf(file, "%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left,
                 rc.bottom - rc.top);
    std::fclose(file);
    return true;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    const HWND dialog = gallery::CreateGalleryDialog(nullptr);
    if (!dialog)
        return 1;
    skin::AttachSkin(dialog);
    ShowWindow(dialog, show);
    if (__argc == 3 && std::wcscmp(__wargv[1], L"--ready") == 0) {
        ShowWindow(dialog, SW_SHOW);
        const bool ready = PoseForScreenshot(dialog, __wargv[2]);
        RunDialog(dialog, ready ? 10000 : 0);
        DestroyWindow(dialog);
        return ready ? 0 : 1;
    }
    // Closing restores every window through its own WM_DESTROY.
    RunDialog(dialog, INFINITE);
    return 0;
}
