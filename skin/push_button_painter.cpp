#include "push_button_painter.h"

#include "draw_primitives.h"
#include "skin_colours.h"
#include "skin_props.h"
#include "skin_state.h"

#include <algorithm>
#include <string>

namespace skin {
namespace {

// Height of one state's band in ButtonSkin and the fixed border kept when stretching.
constexpr int kButtonBand = 21;
constexpr int kButtonMargin = 3;
// The caption and the focus rectangle sit 2 pixels inside the window on every side.
constexpr int kCaptionInset = 2;

template <typename Owner, typename Handle = decltype(Owner().get())>
Owner TakeFromProp(HWND hwnd, SkinProp prop) {
    return Owner::Adopt(reinterpret_cast<Handle>(RemoveSkinProp(hwnd, prop)));
}

} // namespace

void CreateButtonFaces(HWND hwnd) {
    const WindowDC windowDc(hwnd, true);
    WindowSize size{};
    GetWindowSize(hwnd, size);
    for (int state = 0; state < kVisualStateCount; ++state) {
        UniqueHdc face = CreateMemoryDC(windowDc.get());
        UniqueBitmap bitmap = CreateBitmapFor(windowDc.get(), size.Width, size.Height);
        // The bitmap displaced is the context's stock 1x1 bitmap, which is never freed.
        if (!face || !bitmap || !SelectObject(face.get(), bitmap.get()))
            continue;
        if (!SetSkinPropAs(hwnd, StateSurfaceProp(state), face.get()) ||
            !SetSkinPropAs(hwnd, StateBitmapProp(state), bitmap.get())) {
            RemoveSkinProp(hwnd, StateSurfaceProp(state));
            face.reset(); // before the bitmap it holds, which can then be freed
            continue;
        }
        face.release();
        bitmap.release();
    }
    RenderButtonFaces(hwnd);
}

void ResizeButtonFaces(HWND hwnd) {
    const WindowDC windowDc(hwnd, true);
    WindowSize size{};
    GetWindowSize(hwnd, size);
    for (int state = 0; state < kVisualStateCount; ++state) {
        const HDC face = GetSkinPropAs<HDC>(hwnd, StateSurfaceProp(state));
        UniqueBitmap bitmap = CreateBitmapFor(windowDc.get(), size.Width, size.Height);
        if (!face || !bitmap)
            continue; // the face keeps its old size and draws nothing while it misfits
        const HGDIOBJ displaced = SelectObject(face, bitmap.get());
        if (!displaced)
            continue;
        UniqueBitmap::Adopt(static_cast<HBITMAP>(displaced)).reset();
        SetSkinPropAs(hwnd, StateBitmapProp(state), bitmap.release());
    }
    RenderButtonFaces(hwnd);
}

void ReleaseButtonFaces(HWND hwnd) {
    for (int state = 0; state < kVisualStateCount; ++state) {
        // The context goes first so that its bitmap is no longer selected anywhere.
        TakeFromProp<UniqueHdc>(hwnd, StateSurfaceProp(state)).reset();
        TakeFromProp<UniqueBitmap>(hwnd, StateBitmapProp(state)).reset();
    }
}

void RenderButtonFaces(HWND hwnd) {
    WindowSize size{};
    GetWindowSize(hwnd, size);
    const std::wstring caption = GetWindowCaption(hwnd);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    const bool focused = GetFocus() == hwnd;
    const int boxWidth = size.Width - 2 * kCaptionInset;
    const int boxHeight = size.Height - 2 * kCaptionInset;
    for (int state = 0; state < kVisualStateCount; ++state) {
        const HDC face = GetSkinPropAs<HDC>(hwnd, StateSurfaceProp(state));
        if (!face)
            continue;
        // Put back afterwards: a font the application deletes must not stay selected
        // in a surface that outlives it.
        const SelectGuard fontGuard(face, font);
        SetBkMode(face, TRANSPARENT);
        DrawSkinSlice(face, 0, 0, size.Width, size.Height, ButtonSkin.get(), 0, kButtonBand * state,
                      7, kButtonBand, kButtonMargin, kButtonMargin, kButtonMargin, kButtonMargin);
        SetTextColor(face, state == VisualDisabled ? kDisabledCaption : kBlack);
        DrawTextRect(face, caption, kCaptionInset, kCaptionInset, boxWidth, boxHeight,
                     kSkinTextFormat);
        if (focused)
            DrawFocusBox(face, kCaptionInset, kCaptionInset, boxWidth, boxHeight);
    }
}

int PaintPushButton(HWND hwnd, HDC dc) {
    if (!IsWindowEnabled(hwnd))
        SetSkinProp(hwnd, SkinProp::OLDSTATE, VisualDisabled);
    if (!IsSkinPaintedButtonStyle(GetSkinProp(hwnd, SkinProp::OLDSTYLE)))
        return 0;
    const std::intptr_t state = GetSkinProp(hwnd, SkinProp::OLDSTATE);
    if (state < 0 || state >= kVisualStateCount)
        return 0;
    const HDC face = GetSkinPropAs<HDC>(hwnd, StateSurfaceProp(static_cast<int>(state)));
    if (!face)
        return 0;
    WindowSize size{};
    GetWindowSize(hwnd, size);
    const auto level = std::clamp<std::intptr_t>(GetSkinProp(hwnd, SkinProp::ALPHALEVEL), 0, 255);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(level), 0};
    const TargetDC target(hwnd, dc);
    AlphaBlend(target.get(), 0, 0, size.Width, size.Height, face, 0, 0, size.Width, size.Height,
               blend);
    return 0;
}

} // namespace skin
