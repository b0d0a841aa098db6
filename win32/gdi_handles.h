#pragma once
#include <windows.h>

#include <atomic>
#include <utility>

// Every handle a wrapper takes or gives back is tallied, so tests can prove that a
// drawing call leaves no GDI object behind. Wine's GetGuiResources does not count GDI
// objects, so the wrappers are the only reliable witness there. Relaxed atomics: the
// tally only has to add up once the threads that touched it are done.
namespace gdi_tally {
inline std::atomic<long> acquired{0};
inline std::atomic<long> released{0};
inline void NoteAcquired() {
    acquired.fetch_add(1, std::memory_order_relaxed);
}
inline void NoteReleased() {
    released.fetch_add(1, std::memory_order_relaxed);
}
// Objects made (or device contexts borrowed) through the wrappers and not yet freed.
inline long Held() {
    return acquired.load(std::memory_order_relaxed) - released.load(std::memory_order_relaxed);
}

// When set to n > 0, the n-th creation through the helpers below fails as if the
// system had run out of GDI resources; tests use it to walk every failure path.
inline int failAfter = 0;
inline bool CreationFails() {
    return failAfter > 0 && --failAfter == 0;
}
} // namespace gdi_tally

// Move-only owners of GDI objects, one per release function, and guards that
// restore a selection or release a borrowed device context.
template <typename Handle, auto Release> class UniqueGdi {
  public:
    UniqueGdi() = default;
    explicit UniqueGdi(Handle h) : h_(h) {
        if (h_)
            gdi_tally::NoteAcquired();
    }
    ~UniqueGdi() { reset(); }
    UniqueGdi(UniqueGdi&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    UniqueGdi& operator=(UniqueGdi&& other) noexcept {
        if (this != &other) {
            reset();
            h_ = std::exchange(other.h_, nullptr);
        }
        return *this;
    }
    UniqueGdi(const UniqueGdi&) = delete;
    UniqueGdi& operator=(const UniqueGdi&) = delete;

    // Takes back a handle that release() once handed out (kept in a window property,
    // say): the tally has counted it since its creation.
    static UniqueGdi Adopt(Handle h) {
        UniqueGdi owner;
        owner.h_ = h;
        return owner;
    }

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    // Hands ownership out. The object stays counted until a wrapper deletes it, so a
    // handle released and then forgotten shows as a leak.
    Handle release() { return std::exchange(h_, nullptr); }
    void reset(Handle h = nullptr) {
        if (h_) {
            Release(h_);
            gdi_tally::NoteReleased();
        }
        h_ = h;
        if (h_)
            gdi_tally::NoteAcquired();
    }

  private:
    Handle h_ = nullptr;
};

inline void DeleteGdiObject(HGDIOBJ h) {
    DeleteObject(h);
}
inline void DeleteMemoryDC(HDC h) {
    DeleteDC(h);
}

using UniqueHdc = UniqueGdi<HDC, DeleteMemoryDC>;
using UniqueBitmap = UniqueGdi<HBITMAP, DeleteGdiObject>;
using UniqueBrush = UniqueGdi<HBRUSH, DeleteGdiObject>;
using UniqueFont = UniqueGdi<HFONT, DeleteGdiObject>;
using UniqueRegion = UniqueGdi<HRGN, DeleteGdiObject>;
using UniquePen = UniqueGdi<HPEN, DeleteGdiObject>;
using UniquePalette = UniqueGdi<HPALETTE, DeleteGdiObject>;

// Creation helpers: each yields an empty owner when the system (or a test's injected
// fault) refuses the object, so callers test one thing before using it.
inline UniqueHdc CreateDisplayDC() {
    return UniqueHdc(gdi_tally::CreationFails() ? nullptr
                                                : CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
}
inline UniqueHdc CreateMemoryDC(HDC compatibleWith) {
    return UniqueHdc(gdi_tally::CreationFails() ? nullptr : CreateCompatibleDC(compatibleWith));
}
inline UniqueBitmap CreateBitmapFor(HDC compatibleWith, int width, int height) {
    return UniqueBitmap(gdi_tally::CreationFails()
                            ? nullptr
                            : CreateCompatibleBitmap(compatibleWith, width, height));
}
inline UniqueBitmap CreateMonochromeBitmap(int width, int height) {
    return UniqueBitmap(gdi_tally::CreationFails() ? nullptr
                                                   : CreateBitmap(width, height, 1, 1, nullptr));
}
inline UniqueBrush CreateBrush(COLORREF colour) {
    return UniqueBrush(gdi_tally::CreationFails() ? nullptr : CreateSolidBrush(colour));
}
// A 32-bit top-down DIB section of width x height (pixels 0xAARRGGBB, top row
// first) and where its pixels are; empty when refused.
inline UniqueBitmap CreateTopDownDib(int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    *bits = nullptr;
    UniqueBitmap dib(gdi_tally::CreationFails()
                         ? nullptr
                         : CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
    if (!*bits)
        dib.reset();
    return dib;
}
inline UniquePalette CreateHalftonePaletteFor(HDC dc) {
    return UniquePalette(gdi_tally::CreationFails() ? nullptr : CreateHalftonePalette(dc));
}

// Selects an object into a DC and puts the previous one back on scope exit.
class SelectGuard {
  public:
    SelectGuard(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~SelectGuard() {
        if (old_)
            SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    bool selected() const { return old_ != nullptr; }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// Palettes are selected with SelectPalette, not SelectObject. Selected as a
// background palette and realised; the previous palette goes back on scope exit.
class PaletteGuard {
  public:
    PaletteGuard(HDC dc, HPALETTE palette)
        : dc_(dc), old_(dc && palette ? SelectPalette(dc, palette, TRUE) : nullptr) {
        if (old_)
            RealizePalette(dc_);
    }
    ~PaletteGuard() {
        if (old_)
            SelectPalette(dc_, old_, TRUE);
    }
    PaletteGuard(const PaletteGuard&) = delete;
    PaletteGuard& operator=(const PaletteGuard&) = delete;

  private:
    HDC dc_;
    HPALETTE old_;
};

// A device context borrowed with GetDC / GetWindowDC, released on scope exit.
class WindowDC {
  public:
    WindowDC(HWND hwnd, bool wholeWindow)
        : hwnd_(hwnd), dc_(wholeWindow ? GetWindowDC(hwnd) : GetDC(hwnd)) {
        if (dc_)
            gdi_tally::NoteAcquired();
    }
    ~WindowDC() {
        if (dc_) {
            ReleaseDC(hwnd_, dc_);
            gdi_tally::NoteReleased();
        }
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint / EndPaint for one WM_PAINT: the paint DC is valid for the owner's life.
class PaintDC {
  public:
    explicit PaintDC(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
    ~PaintDC() { EndPaint(hwnd_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return dc_; }
    const RECT& area() const { return ps_.rcPaint; }

  private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// Icons are USER objects, released with DestroyIcon.
inline void DestroyIconHandle(HICON h) {
    DestroyIcon(h);
}
using UniqueIcon = UniqueGdi<HICON, DestroyIconHandle>;
