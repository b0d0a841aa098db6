#include "skin_props.h"

#include <array>
#include <bitset>
#include <unordered_map>

namespace skin {
namespace {

// Every message a skinned window receives reads its properties (PROCADDR at the
// least), and under Wine each property read is a round trip to the server, about
// 50 us: a hidden list box filled with 10,000 strings spent over a second there,
// and the first paint of the main window tens of milliseconds. The properties
// stay the windows' own and are what other code reads; the engine, which alone
// writes them, keeps a copy for its reads. A window the engine has written to
// reads from the copy only: what it never set is absent. A window's copy goes
// when the window is restored (every skinned window is, at its WM_DESTROY at the
// latest); a handle value comes back only after many generations. GUI thread
// only, like every skinned window.
struct Copy {
    std::array<std::intptr_t, kSkinPropCount> values{};
    std::bitset<kSkinPropCount> set;
};

std::unordered_map<HWND, Copy>& Copies() {
    static auto* copies = new std::unordered_map<HWND, Copy>;
    return *copies;
}

size_t IndexOf(SkinProp prop) {
    return static_cast<size_t>(prop);
}

} // namespace

// HANDLE is pointer-sized, so the whole intptr_t (-1 included) survives the trip
// through the property list on 64-bit as well as on 32-bit Windows.
std::intptr_t GetSkinProp(HWND hwnd, SkinProp prop) {
    const auto copy = Copies().find(hwnd);
    if (copy != Copies().end())
        return copy->second.set[IndexOf(prop)] ? copy->second.values[IndexOf(prop)] : 0;
    return reinterpret_cast<std::intptr_t>(GetPropW(hwnd, SkinPropName(prop)));
}

bool SetSkinProp(HWND hwnd, SkinProp prop, std::intptr_t value) {
    if (!SetPropW(hwnd, SkinPropName(prop), reinterpret_cast<HANDLE>(value)))
        return false;
    Copy& copy = Copies()[hwnd];
    copy.values[IndexOf(prop)] = value;
    copy.set[IndexOf(prop)] = true;
    return true;
}

// Restoring a window removes PROCADDR last: its copy goes with it.
std::intptr_t RemoveSkinProp(HWND hwnd, SkinProp prop) {
    const auto copy = Copies().find(hwnd);
    if (copy != Copies().end()) {
        copy->second.set[IndexOf(prop)] = false;
        if (prop == SkinProp::PROCADDR)
            Copies().erase(copy);
    }
    return reinterpret_cast<std::intptr_t>(RemovePropW(hwnd, SkinPropName(prop)));
}

} // namespace skin
