#pragma once
#include "image_surface.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace skin_test {

// "D58F1B" -> 0x00D58F1B (the notation is already BBGGRR); "K" -> the key colour.
COLORREF Hex(std::string_view text);
// A row of blank-separated colours in that notation.
std::vector<COLORREF> Row(std::string_view text);

COLORREF Pixel(HDC dc, int x, int y);

// A surface whose every pixel is colourAt(x, y).
skin::ImageSurface PatternSurface(int width, int height,
                                  const std::function<COLORREF(int, int)>& colourAt);

// Builds the five skin images for one test and releases them after it.
struct ScopedSkinImages {
    ScopedSkinImages();
    ~ScopedSkinImages();
};

// A plain top-level window (hidden) of a private class. Insets, when given, make the
// non-client area that wide on each side through WM_NCCALCSIZE.
struct WindowInsets {
    int left = 0, top = 0, right = 0, bottom = 0;
};

class TestWindow {
  public:
    using Insets = WindowInsets;
    explicit TestWindow(DWORD style = WS_POPUP, DWORD exStyle = 0, Insets insets = {});
    TestWindow(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle = 0);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND get() const { return hwnd_; }

  private:
    Insets insets_;
    HWND hwnd_ = nullptr;
};

} // namespace skin_test

namespace skin_test {

// Compares every pixel of a width x height area at (0, 0) of dc with expected(x, y)
// and describes the first few mismatches; empty when all match.
std::string DescribeMismatches(HDC dc, int width, int height,
                               const std::function<COLORREF(int, int)>& expected);

} // namespace skin_test
