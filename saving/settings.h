#pragma once
#include <windows.h>

#include <string>

// The tool's settings, under HKCU\Software\QzoneMusic. A value that is
// missing, of another type or out of shape reads as its default; a setting
// that cannot be written is simply not remembered.
class Settings {
  public:
    // `key` below HKEY_CURRENT_USER; tests give one of their own. An empty
    // key remembers nothing: every value reads as its default.
    explicit Settings(std::wstring key = L"Software\\QzoneMusic") : key_(std::move(key)) {}

    std::wstring Text(const wchar_t* name, const std::wstring& fallback = {}) const;
    void SetText(const wchar_t* name, const std::wstring& value) const;
    bool Flag(const wchar_t* name, bool fallback = false) const;
    void SetFlag(const wchar_t* name, bool value) const;

  private:
    std::wstring key_;
};

// The names of the settings.
inline constexpr wchar_t kLastQQNumber[] = L"LastQQNumber";
inline constexpr wchar_t kSaveFolder[] = L"SaveFolder";
inline constexpr wchar_t kPlayOn[] = L"PlayOn";
