#pragma once
#include <windows.h>

#include <utility>

// Move-only owners of GDI objects, one per release function, and guards that
// restore a selection or release a borrowed device context.
template <typename Handle, auto Release> class UniqueGdi {
public:
    UniqueGdi() = default;
    explicit UniqueGdi(Handle h) : h_(h) {}
    ~UniqueGdi() { reset(); }
    UniqueGdi(UniqueGdi&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    UniqueGdi& operator=(UniqueGdi&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.h_, nullptr));
        return *this;
    }
    UniqueGdi(const UniqueGdi&) = delete;
    UniqueGdi& operator=(const UniqueGdi&) = delete;

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    Handle release() { return std::exchange(h_, nullptr); }
    void reset(Handle h = nullptr) {
        if (h_)
            Release(h_);
        h_ = h;
    }

private:
    Handle h_ = nullptr;
};

inline void DeleteGdiObject(HGDIOBJ h) { DeleteObject(h); }
inline void DeleteMemoryDC(HDC h) { DeleteDC(h); }

using UniqueHdc = UniqueGdi<HDC, DeleteMemoryDC>;
using UniqueBitmap = UniqueGdi<HBITMAP, DeleteGdiObject>;
using UniqueBrush = UniqueGdi<HBRUSH, DeleteGdiObject>;
using UniqueFont = UniqueGdi<HFONT, DeleteGdiObject>;
using UniqueRegion = UniqueGdi<HRGN, DeleteGdiObject>;
using UniquePen = UniqueGdi<HPEN, DeleteGdiObject>;

// Selects an object into a DC and puts the previous one back on scope exit.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~SelectGuard() {
        if (old_)
            SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A device context borrowed with GetDC / GetWindowDC, released on scope exit.
class WindowDC {
public:
    WindowDC(HWND hwnd, bool wholeWindow) : hwnd_(hwnd), dc_(wholeWindow ? GetWindowDC(hwnd) : GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_)
            ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};
