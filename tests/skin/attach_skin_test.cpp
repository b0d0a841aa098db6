#include "gallery_form.h"
#include "scratch_surfaces.h"
#include "skin.h"
#include "skin_props.h"
#include "skin_state.h"
#include "skin_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <tuple>

namespace {

using namespace skin_test;
using skin::SkinProp;

LONG TypeOf(HWND button) {
    return GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK;
}

// "" when the window has the push button's rounded region for width x height (one pixel
// wider and taller: a region's right and bottom edges lie outside it), else what it has.
std::string RegionOf(HWND hwnd, int width, int height) {
    const HRGN want = CreateRoundRectRgn(0, 0, width + 1, height + 1, 3, 3),
               got = CreateRectRgn(0, 0, 0, 0);
    const bool none = GetWindowRgn(hwnd, got) == ERROR, same = EqualRgn(want, got);
    DeleteObject(want);
    DeleteObject(got);
    return none ? "none" : same ? "" : "another";
}

// A form with three push buttons 75 x 25 (a plain one, a disabled default one, a check
// box of the button class) and a text box: five windows, skinned and restored twice; the
// images are released with the last window and built again.
TEST(AttachSkin, SkinsAFormAndEverythingBelowItAndRestoresThemAll) {
    EXPECT_EQ(skin::AttachSkin(nullptr), 0); // builds the images all the same
    EXPECT_TRUE(skin::SkinImagesReady && skin::ButtonSkin);
    const Control form(L"#32770", L"", 0, 0, 0, 100, 150);
    HWND w[4];
    const DWORD styles[] = {BS_PUSHBUTTON, BS_DEFPUSHBUTTON | WS_DISABLED, BS_AUTOCHECKBOX, 0};
    for (int i = 0; i < 4; ++i)
        w[i] = CreateWindowExW(0, i < 3 ? L"Button" : L"Edit", L"按钮",
                               WS_CHILD | WS_VISIBLE | styles[i], 0, 30 * i, 75, 25, form.get(),
                               nullptr, nullptr, nullptr);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(skin::AttachSkin(form.get()), 1);
        EXPECT_EQ(skin::AttachSkin(form.get()), 0);
        EXPECT_TRUE(skin::SkinnedWindowCount == 5 && skin::ButtonSkin);
        EXPECT_EQ(TypeOf(w[0]) * 100 + TypeOf(w[1]) * 10 + TypeOf(w[2]),
                  BS_OWNERDRAW * 110 + BS_AUTOCHECKBOX);
        EXPECT_EQ(skin::GetSkinProp(w[0], SkinProp::OLDSTATE) * 10 +
                      skin::GetSkinProp(w[1], SkinProp::OLDSTATE),
                  round * 30 + 3); // disabled ones start at 3
        EXPECT_EQ(RegionOf(w[2], 75, 25), "");
        SetWindowPos(w[2], nullptr, 0, 0, 100, 30, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_EQ(RegionOf(w[2], 100, 30), "");
        SetWindowPos(w[2], nullptr, 0, 0, 75, 25, SWP_NOMOVE | SWP_NOZORDER);
        EnableWindow(w[0], round == 1); // changed while skinned: stays so after the detach
        ASSERT_EQ(skin::DetachSkin(form.get()), 1);
        EXPECT_EQ(skin::DetachSkin(form.get()), 0);
        EXPECT_EQ(skin::SkinnedWindowCount, 0);
        EXPECT_FALSE(skin::SkinImagesReady || skin::ButtonSkin);
        EXPECT_EQ(TypeOf(w[0]) * 100 + TypeOf(w[1]) * 10 + TypeOf(w[2]),
                  BS_PUSHBUTTON * 100 + BS_DEFPUSHBUTTON * 10 + BS_AUTOCHECKBOX);
        EXPECT_EQ(IsWindowEnabled(w[0]), round == 1);
        EXPECT_EQ(RegionOf(w[2], 75, 25), "none");
        for (const HWND window : {form.get(), w[0], w[1], w[2], w[3]})
            EXPECT_EQ(SkinPropsLeft(window), "");
    }
}

// A window of another thread is not skinned: its procedure cannot be replaced from here.
// A click whose handling detaches the skin (or closes the window) ends the skin's steps:
// no fade starts on the restored button and no property is left on it.
TEST(AttachSkin, ForeignWindowsAndWindowsTheClickDetachedAreLeftAlone) {
    std::atomic<HWND> foreign = nullptr;
    std::atomic<bool> done = false;
    std::thread owner([&] {
        foreign = CreateWindowExW(0, L"Button", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr,
                                  nullptr, nullptr);
        while (!done)
            Sleep(1);
        DestroyWindow(foreign);
    });
    while (!foreign)
        Sleep(1);
    EXPECT_EQ(skin::AttachSkin(foreign) + skin::SkinnedWindowCount, 0);
    done = true;
    owner.join();
    const Control button(L"Button", L"关闭", 0, 10, 10, 41, 25);
    SetWindowLongPtrW(
        button.get(), GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == WM_LBUTTONUP)
                skin::DetachSkin(w);
            return CallWindowProcW(reinterpret_cast<WNDPROC>(GetClassLongPtrW(w, GCLP_WNDPROC)), w,
                                   m, wp, lp);
        }));
    ASSERT_EQ(skin::AttachSkin(button.get()), 1);
    SendMessageW(button.get(), WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(skin::SkinnedWindowCount, 0);
    EXPECT_EQ(SkinPropsLeft(button.get()), "");
}

// Closes the message box from inside its own loop, noting how it stood.
struct {
    bool skinned = false;
    int count = 0;
} shownBox;

void CALLBACK CloseTheMessageBox(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND box = FindWindowW(L"#32770", L"皮肤");
    if (!box)
        return;
    KillTimer(nullptr, timer);
    shownBox = {skin::IsSkinned(box) && skin::IsSkinned(GetDlgItem(box, IDOK)),
                skin::SkinnedWindowCount};
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// A message box that takes the activation from a skinned window is skinned with its
// controls through WM_ACTIVATE, and its own WM_DESTROY restores them all.
TEST(AttachSkin, AMessageBoxIsSkinnedWhenItTakesTheActivationAndRestoredWhenItCloses) {
    ASSERT_EQ(skin::AttachSkin(Stage()), 1);
    SetForegroundWindow(Stage());
    SetTimer(nullptr, 0, 50, CloseTheMessageBox);
    MessageBoxW(Stage(), L"问候", L"皮肤", MB_OK);
    EXPECT_TRUE(shownBox.skinned);
    EXPECT_GT(shownBox.count, 2);
    EXPECT_EQ(skin::SkinnedWindowCount, 1);
    EXPECT_EQ(skin::DetachSkin(Stage()), 1);
}

// A few rounds of attaching to and detaching from the gallery, one control of every kind
// (hidden), leave no GDI object (by the engine's tally and, where the system counts them,
// by the system's GDI and USER counts) and no skinned window behind. (Fades are counted
// by the skinned controls' own tests; the long soak is a figure of bench/skin.)
TEST(AttachSkin, RoundsOfTheGalleryLeaveNothingBehind) {
    const HWND dialog = gallery::CreateGalleryDialog(nullptr);
    const auto held = [] {
        return std::tuple(gdi_tally::Held(), GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                          GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    };
    skin::ReleaseScratchSurfaces(); // what earlier tests left: counted from nothing
    const auto before = held();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(skin::AttachSkin(dialog) + skin::DetachSkin(dialog), 2);
    EXPECT_EQ(held(), before);
    EXPECT_EQ(skin::SkinnedWindowCount, 0);
    DestroyWindow(dialog);
}

} // namespace
