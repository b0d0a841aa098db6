#pragma once
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

// COM for the calling thread, for the scope's life. Uninitialises only after its own
// success: S_FALSE (already initialised here) counts, RPC_E_CHANGED_MODE (the thread
// is in the other apartment kind) does not, and COM is usable either way.
class ComScope {
  public:
    explicit ComScope(DWORD model = COINIT_APARTMENTTHREADED)
        : result_(CoInitializeEx(nullptr, model)) {}
    ~ComScope() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

  private:
    HRESULT result_;
};

// Owner of a BSTR.
class UniqueBstr {
  public:
    UniqueBstr() = default;
    explicit UniqueBstr(std::wstring_view text)
        : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~UniqueBstr() { SysFreeString(value_); }
    UniqueBstr(UniqueBstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
    UniqueBstr& operator=(UniqueBstr&& other) noexcept {
        std::swap(value_, other.value_);
        return *this;
    }
    BSTR get() const { return value_; }
    // For an out parameter: frees what is held first.
    BSTR* put() {
        SysFreeString(std::exchange(value_, nullptr));
        return &value_;
    }
    std::wstring str() const { return value_ ? std::wstring(value_, SysStringLen(value_)) : L""; }

  private:
    BSTR value_ = nullptr;
};

// Owner of a VARIANT, cleared once.
class UniqueVariant {
  public:
    UniqueVariant() { VariantInit(&value_); }
    explicit UniqueVariant(bool flag) : UniqueVariant() {
        value_.vt = VT_BOOL;
        value_.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
    }
    explicit UniqueVariant(std::wstring_view text) : UniqueVariant() {
        value_.vt = VT_BSTR;
        value_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    ~UniqueVariant() { VariantClear(&value_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    const VARIANT& get() const { return value_; }

  private:
    VARIANT value_;
};
