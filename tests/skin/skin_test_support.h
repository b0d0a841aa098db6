#pragma once
#include "image_surface.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
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
    // A visible child of Stage() at (x, y), width x height.
    TestWindow(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
               int height, DWORD exStyle = 0);
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

// A visible, topmost host for tests that read pixels back from window DCs (Wine draws
// nothing into a hidden window), made once and never destroyed: Wine waits 2 s whenever
// a shown top-level window goes. ctest runs the skin's tests one at a time, so no other
// test's stage covers this one.
HWND Stage();

// A child control of the stage, painted by its own procedure once created. The form
// package's class names are registered first.
using Control = TestWindow;

// Dispatches the messages waiting, as a message loop would have by now. (Under Wine
// every call into the window system slows down while windows wait to be painted.)
void DispatchWaiting();

// The whole window rectangle, frame included, through the window DC.
void FillWindow(HWND hwnd, COLORREF colour);
std::vector<COLORREF> WindowSnapshot(HWND hwnd);
COLORREF At(const skin::ImageSurface& image, int x, int y);

// Pixels a test expects, as x, y, colour triples; names those that differ (empty when
// all match).
std::string Mismatches(HDC dc, std::initializer_list<long long> xyColour);
std::string Mismatches(HWND window, std::initializer_list<long long> xyColour);

// Stands in for a control's previous procedure: notes each message with the control's
// OLDSTATE and ALPHALEVEL and the count of skinned windows as they stand when it
// arrives, then hands it to the procedure of the control's class. RecordBeneath puts it in as the
// window's own procedure, so that a skin attached afterwards calls it as the previous one.
LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void RecordBeneath(HWND hwnd);
struct Seen {
    HWND hwnd;
    UINT message;
    std::intptr_t state, level;
    int skinned;
};
std::vector<Seen>& Recorded();
bool WasRecorded(UINT message);

// Compares every pixel of a width x height area at (0, 0) of dc with expected(x, y)
// and describes the first few mismatches; empty when all match.
std::string DescribeMismatches(HDC dc, int width, int height,
                               const std::function<COLORREF(int, int)>& expected);

} // namespace skin_test
