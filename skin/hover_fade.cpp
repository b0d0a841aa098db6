#include "hover_fade.h"

#include "class_groups.h"
#include "group_routes.h"
#include "hover_timer.h"
#include "push_button_painter.h"
#include "skin_props.h"
#include "skin_state.h"

#include <commctrl.h>

namespace skin {

bool IsFunctionAvailable(const char* functionName, const wchar_t* libraryName) {
    HMODULE module = GetModuleHandleW(libraryName);
    const bool loadedHere = module == nullptr;
    if (loadedHere)
        module = LoadLibraryW(libraryName);
    if (!module)
        return false;
    const bool found = GetProcAddress(module, functionName) != nullptr;
    if (loadedHere)
        FreeLibrary(module);
    return found;
}

void TrackMouseLeave(HWND hwnd) {
    TRACKMOUSEEVENT request{sizeof(request), TME_LEAVE, hwnd, 0};
    if (HasTrackMouseEvent)
        TrackMouseEvent(&request);
    else
        _TrackMouseEvent(&request);
}

LRESULT OnTimer(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // Only the fade's own timer steps it: a timer the application runs on the button,
    // or a tick that comes after the fade ended, leaves the fade alone.
    const auto fadeTimer = static_cast<WPARAM>(GetSkinProp(hwnd, SkinProp::TIMERID));
    if (fadeTimer != 0 && wParam == fadeTimer && GetClassGroup(hwnd) == ClassGroup::PushButton) {
        const std::intptr_t level = GetSkinProp(hwnd, SkinProp::ALPHALEVEL);
        PaintPushButton(hwnd, nullptr);
        if (level + kFadeStep > 255) {
            StopHoverTimer(hwnd);
            SetSkinProp(hwnd, SkinProp::ALPHALEVEL, 0);
        } else {
            SetSkinProp(hwnd, SkinProp::ALPHALEVEL, level + kFadeStep);
        }
    }
    return CallPrevious(previous, hwnd, message, wParam, lParam);
}

} // namespace skin
