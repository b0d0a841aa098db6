#include "hover_timer.h"

#include "skin_props.h"

namespace skin {

UINT_PTR StartHoverTimer(HWND hwnd) {
    if (GetSkinProp(hwnd, SkinProp::TIMERID) != 0)
        return 0;
    const UINT_PTR id = SetTimer(hwnd, kHoverTimerId, kHoverTimerPeriodMs, nullptr);
    SetSkinProp(hwnd, SkinProp::TIMERID, static_cast<std::intptr_t>(id));
    return id;
}

BOOL StopHoverTimer(HWND hwnd) {
    const auto id = static_cast<UINT_PTR>(GetSkinProp(hwnd, SkinProp::TIMERID));
    if (id == 0)
        return 0;
    const BOOL killed = KillTimer(hwnd, id);
    SetSkinProp(hwnd, SkinProp::TIMERID, 0);
    return killed;
}

} // namespace skin
