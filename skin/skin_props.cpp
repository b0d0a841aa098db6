#include "skin_props.h"

namespace skin {

// HANDLE is pointer-sized, so the whole intptr_t (-1 included) survives the trip
// through the property list on 64-bit as well as on 32-bit Windows.
std::intptr_t GetSkinProp(HWND hwnd, SkinProp prop) {
    return reinterpret_cast<std::intptr_t>(GetPropW(hwnd, SkinPropName(prop)));
}

bool SetSkinProp(HWND hwnd, SkinProp prop, std::intptr_t value) {
    return SetPropW(hwnd, SkinPropName(prop), reinterpret_cast<HANDLE>(value)) != FALSE;
}

std::intptr_t RemoveSkinProp(HWND hwnd, SkinProp prop) {
    return reinterpret_cast<std::intptr_t>(RemovePropW(hwnd, SkinPropName(prop)));
}

} // namespace skin
