#include "background_work.h"
#include "com_scope.h"
#include "form1.h"
#include "service_base.h"
#include "top_windows.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

namespace {
constexpr DWORD kWorkersExitWaitMs = 10000;
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    const ComScope com(COINIT_APARTMENTTHREADED); // the clipboard and drag and drop want it
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    int code = 1;
    QuitWhenLastWindowCloses(true);
    {
        Form1 form(kServiceBase, {}, {}, Settings());
        if (form.Create()) {
            ShowWindow(form.hwnd(), show);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (form.PreTranslateMessage(msg))
                    continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            code = static_cast<int>(msg.wParam);
        }
    }
    // The windows are gone; a worker still parsing or decoding for them ends
    // at its next stage and is let finish, rather than cut off by the exit.
    WaitForDetachedWorkers(kWorkersExitWaitMs);
    return code;
}
