#pragma once
#include "image_surface.h"
#include "skin_images.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// The one stage of the skin's tests: every window they make is a child of a visible,
// topmost host made once and never destroyed (Wine draws nothing into a hidden window
// and waits 2 s whenever a shown top-level window goes). ctest runs the skin's tests
// one at a time, so no other test's windows cover these.
namespace skin_test {

HWND Stage();

// The non-client area a test window gets on each side, through WM_NCCALCSIZE.
struct Insets {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// A visible child of the stage, destroyed with the test: a control of the class (the
// form package's class names are registered first) in the default GUI font and painted
// once, or a plain window of the tests' own class with the insets given.
class Control {
  public:
    Control(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
            int height, DWORD exStyle = 0);
    explicit Control(Insets insets);
    ~Control() { DestroyWindow(hwnd_); }
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    HWND get() const { return hwnd_; }

  private:
    Insets insets_;
    HWND hwnd_ = nullptr;
};

// Builds the five skin images for one test and releases them after it.
struct ScopedSkinImages {
    ScopedSkinImages() { skin::BuildSkinImages(); }
    ~ScopedSkinImages() { skin::ReleaseSkinImages(); }
};

// The whole window rectangle, frame included, through the window DC.
void FillWindow(HWND hwnd, COLORREF colour);
std::vector<COLORREF> WindowSnapshot(HWND hwnd);
COLORREF At(const skin::ImageSurface& image, int x, int y);

// Pixels a test expects, as x, y, colour triples; names those that differ (empty when
// all match).
std::string Mismatches(HDC dc, std::initializer_list<long long> xyColour);
std::string Mismatches(HWND window, std::initializer_list<long long> xyColour);
// Compares every pixel of the width x height area at (0, 0) of dc with expected(x, y)
// and describes the first few mismatches; empty when all match.
std::string DescribeMismatches(HDC dc, int width, int height,
                               const std::function<COLORREF(int, int)>& expected);

// The names of the skin's properties (skin_props.h) the window still carries.
std::string SkinPropsLeft(HWND hwnd);

// Stands in for a control's previous procedure: notes each message with the control's
// OLDSTATE and ALPHALEVEL as they stand when it arrives, then hands it to the procedure of the
// control's class. RecordBeneath makes it the window's own procedure, so that a skin attached
// afterwards calls it as the previous one.
LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void RecordBeneath(HWND hwnd);
struct Seen {
    HWND hwnd;
    UINT message;
    std::intptr_t state, level;
};
std::vector<Seen>& Recorded();
bool WasRecorded(UINT message);

// Five skinned controls on the stage, each with the recording procedure beneath the
// skin: a push button 41 x 25 with a caption and one without, an editable combo box 120
// wide (drop zone x = 101 .. 118), a check box and an option button; the mouse rests
// away from them. Detached after the test, they leave no skinned window, no skin image
// and no GDI object behind.
class SkinnedControls : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    Control button_{L"Button", L"播放", 0, 10, 10, 41, 25};
    Control combo_{L"ThunderRT6ComboBox", L"", CBS_DROPDOWN, 60, 10, 120, 200};
    Control check_{L"ThunderRT6CheckBox", L"选", BS_AUTOCHECKBOX, 10, 50, 60, 20};
    Control option_{L"ThunderRT6OptionButton", L"选", BS_AUTORADIOBUTTON, 80, 50, 60, 20};
    Control blank_{L"ThunderRT6CommandButton", L"", 0, 150, 50, 41, 25};
    HWND controls_[5] = {button_.get(), combo_.get(), check_.get(), option_.get(), blank_.get()};
    long held_ = 0;
};

} // namespace skin_test
