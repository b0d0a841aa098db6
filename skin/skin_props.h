#pragma once
#include <windows.h>

#include <array>
#include <cstdint>

// The registry of window properties that hold all per-window skin state. Each value is
// one pointer-sized integer; a property that was never set reads as 0.
namespace skin {

enum class SkinProp : std::uint8_t {
    PROCADDR,   // previous window procedure; non-zero marks a skinned window
    OLDSTATE,   // VisualState last shown or being faded to
    OLDSTYLE,   // push button's style before the owner-draw switch
    MOUSEFLAG,  // 1 while the mouse is inside the control
    TIMERID,    // running fade timer, 0 for none
    ALPHALEVEL, // fade level 0..255
    HDINDEX,    // header item held down, -1 for none
    HMINDEX,    // header item under the mouse, -1 for none
    HDC0,       // "0HDC".."3HDC": a push button's face surface per VisualState
    HDC1,
    HDC2,
    HDC3,
    BMP0, // "0BMP".."3BMP": the bitmap selected into the matching surface
    BMP1,
    BMP2,
    BMP3,
};
inline constexpr int kSkinPropCount = 16;

// The names under which the properties are stored, indexed by SkinProp.
inline constexpr std::array<const wchar_t*, kSkinPropCount> kSkinPropNames{
    L"PROCADDR", L"OLDSTATE", L"OLDSTYLE", L"MOUSEFLAG", L"TIMERID", L"ALPHALEVEL",
    L"HDINDEX",  L"HMINDEX",  L"0HDC",     L"1HDC",      L"2HDC",    L"3HDC",
    L"0BMP",     L"1BMP",     L"2BMP",     L"3BMP",
};

constexpr const wchar_t* SkinPropName(SkinProp prop) {
    return kSkinPropNames[static_cast<size_t>(prop)];
}
// The face surface and its bitmap for a VisualState 0..3.
constexpr SkinProp StateSurfaceProp(int state) {
    return static_cast<SkinProp>(static_cast<int>(SkinProp::HDC0) + state);
}
constexpr SkinProp StateBitmapProp(int state) {
    return static_cast<SkinProp>(static_cast<int>(SkinProp::BMP0) + state);
}

std::intptr_t GetSkinProp(HWND hwnd, SkinProp prop);
bool SetSkinProp(HWND hwnd, SkinProp prop, std::intptr_t value);
// Removes the property and answers the value it held (0 when it was absent).
std::intptr_t RemoveSkinProp(HWND hwnd, SkinProp prop);

// The window carries the skin: PROCADDR is set. False too for a window that is gone.
inline bool IsSkinned(HWND hwnd) {
    return GetSkinProp(hwnd, SkinProp::PROCADDR) != 0;
}

// Handles and procedures kept in properties, read back as their own type.
template <typename T> T GetSkinPropAs(HWND hwnd, SkinProp prop) {
    return reinterpret_cast<T>(GetSkinProp(hwnd, prop));
}
template <typename T> bool SetSkinPropAs(HWND hwnd, SkinProp prop, T value) {
    return SetSkinProp(hwnd, prop, reinterpret_cast<std::intptr_t>(value));
}

} // namespace skin
