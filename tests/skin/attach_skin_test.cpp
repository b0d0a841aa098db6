#include "gallery_form.h"
#include "push_button_painter.h"
#include "scratch_surfaces.h"
#include "skin.h"
#include "skin_props.h"
#include "skin_state.h"
#include "skin_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using namespace skin_test;
using skin::SkinProp;

LONG TypeOf(HWND button) {
    return GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK;
}

// The push button's region and the size of its four faces.
std::string ShapeOf(HWND button, int width, int height) {
    const HRGN want = CreateRoundRectRgn(0, 0, width + 1, height + 1, 3, 3),
               got = CreateRectRgn(0, 0, 0, 0);
    std::string out = GetWindowRgn(button, got) != ERROR && EqualRgn(want, got) ? "" : "region ";
    DeleteObject(want);
    DeleteObject(got);
    for (int state = 0; state < 4; ++state) {
        BITMAP bm{};
        GetObjectW(skin::GetSkinPropAs<HBITMAP>(button, skin::StateBitmapProp(state)), sizeof bm,
                   &bm);
        out += bm.bmWidth == width && bm.bmHeight == height ? ""
                                                            : "face" + std::to_string(state) + " ";
    }
    return out;
}

// A hidden form with three push buttons 75 x 25 (a plain one, a disabled default one, a
// check box of the button class) and a text box: five windows, skinned and restored
// twice; the images are released with the last window and built again the same.
TEST(AttachSkin, SkinsAFormAndEverythingBelowItAndRestoresThemAll) {
    EXPECT_EQ(skin::AttachSkin(nullptr), 0); // builds the images all the same
    EXPECT_TRUE(skin::SkinImagesReady && skin::ButtonSkin);
    std::vector<COLORREF> first;
    for (int i = 0; i < 7 * 84; ++i)
        first.push_back(GetPixel(skin::ButtonSkin.get(), i % 7, i / 7));
    const TestWindow form(L"#32770", L"", WS_POPUP);
    HWND w[4];
    const DWORD styles[] = {BS_PUSHBUTTON, BS_DEFPUSHBUTTON | WS_DISABLED, BS_AUTOCHECKBOX, 0};
    for (int i = 0; i < 4; ++i)
        w[i] = CreateWindowExW(0, i < 3 ? L"Button" : L"Edit", L"按钮",
                               WS_CHILD | WS_VISIBLE | styles[i], 0, 30 * i, 75, 25, form.get(),
                               nullptr, nullptr, nullptr);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(skin::AttachSkin(form.get()), 1);
        EXPECT_EQ(skin::AttachSkin(form.get()), 0);
        EXPECT_EQ(skin::SkinnedWindowCount, 5);
        for (int i = 0; i < 7 * 84; ++i)
            ASSERT_EQ(GetPixel(skin::ButtonSkin.get(), i % 7, i / 7),
                      first[static_cast<size_t>(i)]);
        EXPECT_EQ(TypeOf(w[0]) * 100 + TypeOf(w[1]) * 10 + TypeOf(w[2]),
                  BS_OWNERDRAW * 110 + BS_AUTOCHECKBOX);
        EXPECT_EQ(skin::GetSkinProp(w[0], SkinProp::OLDSTATE) * 10 +
                      skin::GetSkinProp(w[1], SkinProp::OLDSTATE),
                  round * 30 + 3); // disabled ones start at 3
        EXPECT_EQ(ShapeOf(w[2], 75, 25), "");
        SetWindowPos(w[2], nullptr, 0, 0, 100, 30, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_EQ(ShapeOf(w[2], 100, 30), "");
        SetWindowPos(w[2], nullptr, 0, 0, 75, 25, SWP_NOMOVE | SWP_NOZORDER);
        EnableWindow(w[0], round == 1); // changed while skinned: stays so after the detach
        ASSERT_EQ(skin::DetachSkin(form.get()), 1);
        EXPECT_EQ(skin::DetachSkin(form.get()), 0);
        EXPECT_EQ(skin::SkinnedWindowCount, 0);
        EXPECT_FALSE(skin::SkinImagesReady || skin::ButtonSkin);
        EXPECT_EQ(TypeOf(w[0]) * 100 + TypeOf(w[1]) * 10 + TypeOf(w[2]),
                  BS_PUSHBUTTON * 100 + BS_DEFPUSHBUTTON * 10 + BS_AUTOCHECKBOX);
        EXPECT_EQ(IsWindowEnabled(w[0]), round == 1);
        EXPECT_EQ(GetWindowRgn(w[2], nullptr), ERROR);
        for (const HWND window : {form.get(), w[0], w[1], w[2]})
            EXPECT_FALSE(skin::IsSkinned(window) || skin::GetSkinProp(window, SkinProp::OLDSTYLE));
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
    for (const SkinProp prop :
         {SkinProp::OLDSTATE, SkinProp::ALPHALEVEL, SkinProp::TIMERID, SkinProp::MOUSEFLAG})
        EXPECT_EQ(GetPropW(button.get(), skin::SkinPropName(prop)), nullptr);
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

// The gallery: Tab moves the focus from a button to the next, whose faces are rendered
// again with the focus rectangle and the first's without (row 2 of face 0). Then 500
// attach and detach rounds and 1,000 complete fades (the mouse entering and leaving in
// turn) leave no GDI object, no skinned window and no timer behind.
TEST(AttachSkin, TabAndASoakOfTheGallery) {
    const HWND dialog = gallery::CreateGalleryDialog(nullptr);
    const HWND from = GetDlgItem(dialog, gallery::kOkButton),
               to = GetDlgItem(dialog, gallery::kDefaultButton);
    ASSERT_EQ(skin::AttachSkin(dialog), 1);
    const auto row2 = [](HWND b) {
        std::vector<COLORREF> row;
        for (int x = 2; x < 73; ++x)
            row.push_back(GetPixel(skin::GetSkinPropAs<HDC>(b, skin::StateSurfaceProp(0)), x, 2));
        return row;
    };
    SetFocus(from);
    const auto fromBefore = row2(from), toBefore = row2(to);
    MSG tab{from, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    ASSERT_TRUE(IsDialogMessageW(dialog, &tab) && GetFocus() == to);
    EXPECT_NE(row2(from), fromBefore);
    EXPECT_NE(row2(to), toBefore);
    skin::DetachSkin(dialog);

    const Control button(L"Button", L"播放", 0, 10, 10, 41, 25);
    skin::ReleaseScratchSurfaces();
    const long held = gdi_tally::Held();
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(skin::AttachSkin(dialog) + skin::DetachSkin(dialog), 2);
    EXPECT_EQ(gdi_tally::Held(), held);
    DestroyWindow(dialog);  // with the paints its hidden windows were asked for
    SetCursorPos(639, 399); // away from the button: no move of its own reaches it
    ASSERT_EQ(skin::AttachSkin(button.get()), 1);
    DispatchWaiting();
    for (int fade = 0; fade < 1000; ++fade) {
        SendMessageW(button.get(), fade % 2 ? WM_MOUSELEAVE : WM_MOUSEMOVE, 0, 0);
        KillTimer(button.get(), 1); // the test sends the ticks; pending ones slow Wine down
        for (int tick = 0; tick < 86; ++tick) // from 0, the 86th tick ends the fade
            SendMessageW(button.get(), WM_TIMER, 1, 0);
        ASSERT_EQ(skin::GetSkinProp(button.get(), SkinProp::ALPHALEVEL) +
                      skin::GetSkinProp(button.get(), SkinProp::TIMERID),
                  0);
    }
    ASSERT_EQ(skin::DetachSkin(button.get()), 1);
    EXPECT_EQ(skin::SkinnedWindowCount, 0);
    EXPECT_EQ(gdi_tally::Held(), held);
}

} // namespace
