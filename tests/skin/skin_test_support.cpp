#include "skin_test_support.h"

#include "draw_primitives.h"
#include "gdi_handles.h"
#include "gallery_form.h"
#include "skin_images.h"
#include "skin_props.h"
#include "skin_state.h"

#include <algorithm>

#include <charconv>
#include <cstdio>
#include <stdexcept>

namespace skin_test {

COLORREF Hex(std::string_view text) {
    if (text == "K")
        return 0x00FF00FF;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size() || text.size() != 6)
        throw std::invalid_argument("bad colour");
    return value;
}

std::vector<COLORREF> Row(std::string_view text) {
    std::vector<COLORREF> row;
    while (!text.empty()) {
        const size_t start = text.find_first_not_of(' ');
        if (start == std::string_view::npos)
            break;
        text.remove_prefix(start);
        const size_t end = std::min(text.find(' '), text.size());
        row.push_back(Hex(text.substr(0, end)));
        text.remove_prefix(end);
    }
    return row;
}

COLORREF Pixel(HDC dc, int x, int y) {
    return GetPixel(dc, x, y);
}

skin::ImageSurface PatternSurface(int width, int height,
                                  const std::function<COLORREF(int, int)>& colourAt) {
    skin::ImageSurface surface = skin::CreateImageSurface(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(surface.get(), x, y, colourAt(x, y));
    return surface;
}

ScopedSkinImages::ScopedSkinImages() {
    skin::BuildSkinImages();
}
ScopedSkinImages::~ScopedSkinImages() {
    skin::ReleaseSkinImages();
}

namespace {

LRESULT CALLBACK InsetWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    const auto* insets =
        reinterpret_cast<const TestWindow::Insets*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCALCSIZE && insets) {
        RECT& rc = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0];
        rc.left += insets->left;
        rc.top += insets->top;
        rc.right -= insets->right;
        rc.bottom -= insets->bottom;
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const wchar_t* InsetWindowClass() {
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = InsetWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SkinTestInsetWindow";
        return RegisterClassW(&wc);
    }();
    return atom ? L"SkinTestInsetWindow" : nullptr;
}

} // namespace

TestWindow::TestWindow(DWORD style, DWORD exStyle, Insets insets) : insets_(insets) {
    hwnd_ = CreateWindowExW(exStyle, InsetWindowClass(), L"", style, 10, 10, 120, 80, nullptr,
                            nullptr, GetModuleHandleW(nullptr), &insets_);
}

TestWindow::TestWindow(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle) {
    hwnd_ = CreateWindowExW(exStyle, className, text, style, 10, 10, 120, 80, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
}

TestWindow::~TestWindow() {
    if (hwnd_)
        DestroyWindow(hwnd_);
}

} // namespace skin_test

namespace skin_test {

std::string DescribeMismatches(HDC dc, int width, int height,
                               const std::function<COLORREF(int, int)>& expected) {
    std::string out;
    int count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF want = expected(x, y);
            const COLORREF got = GetPixel(dc, x, y);
            if (got == want)
                continue;
            if (++count <= 8) {
                char line[80];
                snprintf(line, sizeof line, "(%d,%d) got %06lX want %06lX\n", x, y,
                         static_cast<unsigned long>(got), static_cast<unsigned long>(want));
                out += line;
            }
        }
    if (count > 8)
        out += std::to_string(count) + " mismatches in all\n";
    return out;
}

} // namespace skin_test

namespace skin_test {

HWND Stage() {
    static const HWND stage = gallery::CreatePopupHost(L"SkinTestStage", 0, 0, 640, 400);
    return stage;
}

TestWindow::TestWindow(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y,
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

void DispatchWaiting() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
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
                          skin::GetSkinProp(hwnd, skin::SkinProp::ALPHALEVEL),
                          skin::SkinnedWindowCount});
    const auto own = reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC));
    return CallWindowProcW(own, hwnd, message, wParam, lParam);
}

void RecordBeneath(HWND hwnd) {
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc));
}

} // namespace skin_test
