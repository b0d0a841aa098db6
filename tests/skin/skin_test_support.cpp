#include "skin_test_support.h"

#include "draw_primitives.h"
#include "gallery_form.h"
#include "gdi_handles.h"
#include "scratch_surfaces.h"
#include "skin.h"
#include "skin_props.h"
#include "skin_state.h"

#include <algorithm>
#include <cstdio>

namespace skin_test {
namespace {

LRESULT CALLBACK InsetWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    const auto* insets = reinterpret_cast<const Insets*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCALCSIZE && insets) {
        RECT& rc = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0];
        rc = {rc.left + insets->left, rc.top + insets->top, rc.right - insets->right,
              rc.bottom - insets->bottom};
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

HWND Stage() {
    static const HWND stage = gallery::CreatePopupHost(L"SkinTestStage", 0, 0, 640, 400);
    return stage;
}

Control::Control(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y,
                 int width, int height, DWORD exStyle) {
    if (gallery::RegisterFormPackageClasses())
        hwnd_ =
            CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                            height, Stage(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    RedrawWindow(hwnd_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

Control::Control(Insets insets) : insets_(insets) {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = InsetWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SkinTestInsetWindow";
        return RegisterClassW(&wc) != 0;
    }();
    if (registered)
        hwnd_ = CreateWindowExW(0, L"SkinTestInsetWindow", L"", WS_CHILD | WS_VISIBLE, 10, 10, 120,
                                80, Stage(), nullptr, GetModuleHandleW(nullptr), &insets_);
}

void FillWindow(HWND hwnd, COLORREF colour) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    skin::FillSolid(WindowDC(hwnd, true).get(), 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                    colour);
}

std::vector<COLORREF> WindowSnapshot(HWND hwnd) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    const int width = rc.right - rc.left;
    const WindowDC dc(hwnd, true);
    std::vector<COLORREF> all;
    for (int i = 0; i < width * (rc.bottom - rc.top); ++i)
        all.push_back(GetPixel(dc.get(), i % width, i / width));
    return all;
}

COLORREF At(const skin::ImageSurface& image, int x, int y) {
    return GetPixel(image.get(), x, y);
}

std::string Mismatches(HDC dc, std::initializer_list<long long> xyColour) {
    std::string out;
    for (auto p = xyColour.begin(); p + 2 < xyColour.end(); p += 3)
        if (GetPixel(dc, static_cast<int>(p[0]), static_cast<int>(p[1])) != p[2])
            out += std::to_string(p[0]) + "," + std::to_string(p[1]) + " ";
    return out;
}

std::string Mismatches(HWND window, std::initializer_list<long long> xyColour) {
    return Mismatches(WindowDC(window, true).get(), xyColour);
}

std::string DescribeMismatches(HDC dc, int width, int height,
                               const std::function<COLORREF(int, int)>& expected) {
    std::string out;
    int count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF want = expected(x, y), got = GetPixel(dc, x, y);
            if (got != want && ++count <= 8) {
                char line[80];
                snprintf(line, sizeof line, "(%d,%d) got %06lX want %06lX\n", x, y,
                         static_cast<unsigned long>(got), static_cast<unsigned long>(want));
                out += line;
            }
        }
    return count > 8 ? out + std::to_string(count) + " mismatches in all\n" : out;
}

std::string SkinPropsLeft(HWND hwnd) {
    std::string out;
    for (const wchar_t* name : skin::kSkinPropNames)
        out += GetPropW(hwnd, name) ? std::string(name, name + wcslen(name)) + " " : "";
    return out;
}

std::vector<Seen>& Recorded() {
    static std::vector<Seen> messages;
    return messages;
}

bool WasRecorded(UINT message) {
    return std::any_of(Recorded().begin(), Recorded().end(),
                       [message](const Seen& seen) { return seen.message == message; });
}

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Recorded().push_back({hwnd, message, skin::GetSkinProp(hwnd, skin::SkinProp::OLDSTATE),
                          skin::GetSkinProp(hwnd, skin::SkinProp::ALPHALEVEL)});
    const auto own = reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC));
    return CallWindowProcW(own, hwnd, message, wParam, lParam);
}

void RecordBeneath(HWND hwnd) {
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc));
}

void SkinnedControls::SetUp() {
    skin::ReleaseScratchSurfaces(); // what earlier tests left: counted from empty
    held_ = gdi_tally::Held();
    for (HWND control : controls_) {
        RecordBeneath(control);
        ASSERT_EQ(skin::AttachSkin(control), 1);
    }
    Recorded().clear();
    SetCursorPos(639, 399);
}

void SkinnedControls::TearDown() {
    for (HWND control : controls_) {
        skin::DetachSkin(control);
        EXPECT_EQ(SkinPropsLeft(control), "");
    }
    EXPECT_EQ(skin::SkinnedWindowCount, 0);
    EXPECT_FALSE(skin::SkinImagesReady);
    EXPECT_EQ(gdi_tally::Held(), held_);
}

} // namespace skin_test
