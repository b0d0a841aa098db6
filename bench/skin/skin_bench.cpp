// Times the skin's drawing primitives and a full repaint of a form's worth of skinned
// controls. Prints one line per figure; run under Wine with a display (Xvfb).
#include "draw_primitives.h"
#include "skin_colours.h"
#include "skin_images.h"
#include "skin_state.h"

#include <windows.h>

#include <cstdio>
#include <functional>

namespace {

double NowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticksPerMs;
}

// Mean time of one call, in microseconds, over enough calls to last about a second.
double MicrosPerCall(const std::function<void()>& call) {
    for (int i = 0; i < 20; ++i)
        call();
    int calls = 0;
    const double start = NowMs();
    double elapsed = 0;
    do {
        for (int i = 0; i < 50; ++i)
            call();
        calls += 50;
        elapsed = NowMs() - start;
    } while (elapsed < 1000.0);
    return elapsed * 1000.0 / calls;
}

// Ten controls as a form shows them: six push buttons, two option buttons (circle and
// dot) and two combo boxes (drop button and arrow).
void RepaintForm(HDC dc) {
    using namespace skin;
    for (int i = 0; i < 6; ++i)
        DrawSkinSlice(dc, 10 + 80 * i, 10, 75, 25, ButtonSkin.get(), 0, 21 * (i % 4), 7, 21, 3, 3,
                      3, 3);
    for (int i = 0; i < 2; ++i) {
        DrawSkinSlice(dc, 10 + 20 * i, 50, 13, 13, BoxSkin.get(), 0, 13 * i, 13, 13, 5, 5, 5, 5,
                      kSkinKey);
        DrawKeyed(dc, 14 + 20 * i, 54, 5, 5, GlyphSkin.get(), 2, 18, kSkinKey);
    }
    for (int i = 0; i < 2; ++i) {
        DrawSkinSlice(dc, 100 + 120 * i, 50, 17, 21, DropButtonSkin.get(), 0, 0, 4, 18, 2, 1, 1, 1);
        DrawKeyed(dc, 105 + 120 * i, 58, 7, 4, DropButtonSkin.get(), 8, 0, kSkinKey);
    }
}

} // namespace

int wmain() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SkinBench";
    RegisterClassW(&wc);
    const HWND window = CreateWindowExW(0, L"SkinBench", L"", WS_POPUP | WS_VISIBLE, 0, 0, 520, 120,
                                        nullptr, nullptr, wc.hInstance, nullptr);
    const skin::ImageSurface memory = skin::CreateImageSurface(520, 120);
    HDC windowDc = window ? GetWindowDC(window) : nullptr;

    // The building blocks the primitives make and free on every call.
    std::printf("display DC create + delete     %9.1f us\n",
                MicrosPerCall([] { DeleteDC(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr)); }));
    const HDC screen = GetDC(nullptr);
    std::printf("memory DC create + delete      %9.1f us\n",
                MicrosPerCall([screen] { DeleteDC(CreateCompatibleDC(screen)); }));
    std::printf("bitmap 75x25 create + delete   %9.1f us\n",
                MicrosPerCall([screen] { DeleteObject(CreateCompatibleBitmap(screen, 75, 25)); }));
    std::printf("halftone palette create+delete %9.1f us\n",
                MicrosPerCall([screen] { DeleteObject(CreateHalftonePalette(screen)); }));
    ReleaseDC(nullptr, screen);

    std::printf("BuildSkinImages + release      %9.1f us\n", MicrosPerCall([] {
                    skin::BuildSkinImages();
                    skin::ReleaseSkinImages();
                }));
    skin::BuildSkinImages();

    const struct {
        const char* name;
        HDC dc;
    } targets[] = {{"memory", memory.get()}, {"window", windowDc}};
    for (const auto& target : targets) {
        if (!target.dc)
            continue;
        const HDC dc = target.dc;
        std::printf("[%s DC]\n", target.name);
        std::printf("DrawSkinSlice 75x25 margins 3  %9.1f us\n", MicrosPerCall([dc] {
                        skin::DrawSkinSlice(dc, 5, 5, 75, 25, skin::ButtonSkin.get(), 0, 0, 7, 21,
                                            3, 3, 3, 3);
                    }));
        std::printf("DrawKeyed 13x13                %9.1f us\n", MicrosPerCall([dc] {
                        skin::DrawKeyed(dc, 5, 40, 13, 13, skin::BoxSkin.get(), 0, 0,
                                        skin::kSkinKey);
                    }));
        std::printf("DrawSkinSlice 13x13 keyed      %9.1f us\n", MicrosPerCall([dc] {
                        skin::DrawSkinSlice(dc, 5, 60, 13, 13, skin::BoxSkin.get(), 0, 0, 13, 13, 5,
                                            5, 5, 5, skin::kSkinKey);
                    }));
        std::printf("form repaint, 10 controls      %9.1f us\n",
                    MicrosPerCall([dc] { RepaintForm(dc); }));
    }
    if (windowDc)
        ReleaseDC(window, windowDc);
    skin::ReleaseSkinImages();
    if (window)
        DestroyWindow(window);
    return 0;
}
