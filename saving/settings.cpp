#include "settings.h"

#include <vector>

namespace {

constexpr DWORD kMaxTextBytes = 64 * 1024; // longer is damage, not a setting

} // namespace

std::wstring Settings::Text(const wchar_t* name, const std::wstring& fallback) const {
    DWORD type = 0, size = 0;
    if (key_.empty() ||
        RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name, RRF_RT_REG_SZ, &type, nullptr,
                     &size) != ERROR_SUCCESS ||
        size < sizeof(wchar_t) || size > kMaxTextBytes)
        return fallback;
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1);
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name, RRF_RT_REG_SZ, &type, text.data(),
                     &size) != ERROR_SUCCESS)
        return fallback;
    return text.data(); // RegGetValueW ends the string
}

void Settings::SetText(const wchar_t* name, const std::wstring& value) const {
    if (key_.empty())
        return;
    RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name, REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

bool Settings::Flag(const wchar_t* name, bool fallback) const {
    DWORD value = 0, size = sizeof(value);
    if (key_.empty() ||
        RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS ||
        value > 1)
        return fallback;
    return value == 1;
}

void Settings::SetFlag(const wchar_t* name, bool value) const {
    if (key_.empty())
        return;
    const DWORD data = value ? 1 : 0;
    RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name, REG_DWORD, &data, sizeof(data));
}
