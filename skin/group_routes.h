#pragma once
#include "class_groups.h"
#include "skin_state.h"

#include <span>

// Dispatch tables of the handlers: each says what a group of windows gets for one
// message; every group without a row gets the handler's fallback.
namespace skin {

struct GroupRoute {
    ClassGroup group;
    SkinHandler handler;
};

constexpr SkinHandler RouteFor(std::span<const GroupRoute> table, ClassGroup group,
                               SkinHandler fallback) {
    for (const GroupRoute& row : table) {
        if (row.group == group)
            return row.handler;
    }
    return fallback;
}

// The message, unchanged, to the window's previous procedure.
inline LRESULT CallPrevious(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    return CallWindowProcW(previous, hwnd, message, wParam, lParam);
}

} // namespace skin
