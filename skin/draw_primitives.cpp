#include "draw_primitives.h"

#include "gdi_handles.h"
#include "scratch_surfaces.h"
#include "skin_colours.h"
#include "skin_numbers.h"
#include "slice_geometry.h"
#include "window_text.h"

#include <olectl.h>

namespace skin {
namespace {

// No window has a side longer than this or a point farther out in either direction,
// and GDI keeps device coordinates in 16 bits on some of its paths: Wine's GDI has
// crashed on boxes beyond them.
constexpr long long kBoxLimit = 32767;

// A box no window can have: a negative or too long side, or an edge beyond the limit.
// The sums are taken in 64 bits, so none of them can wrap.
bool IsImpossibleBox(int x, int y, int width, int height) {
    const auto within = [](long long v) { return v >= -kBoxLimit && v <= kBoxLimit; };
    return width < 0 || height < 0 || width > kBoxLimit || height > kBoxLimit || !within(x) ||
           !within(y) || !within(static_cast<long long>(x) + width) ||
           !within(static_cast<long long>(y) + height);
}

RECT BoxRect(int x, int y, int width, int height) {
    return {x, y, x + width, y + height};
}

// FillRect or FrameRect with a brush made for the call; 0 when the brush is refused.
int PaintWithSolidBrush(int(WINAPI* paint)(HDC, const RECT*, HBRUSH), HDC dc, int x, int y,
                        int width, int height, COLORREF colour) {
    if (IsImpossibleBox(x, y, width, height))
        return 0;
    const UniqueBrush brush = CreateBrush(colour);
    const RECT rc = BoxRect(x, y, width, height);
    return brush ? paint(dc, &rc, brush.get()) : 0;
}

// Destination AND NOT source.
constexpr DWORD kRopDSna = 0x00220326;

} // namespace

std::wstring GetWindowCaption(HWND hwnd) {
    return WindowText(hwnd);
}

int GetWindowSize(HWND hwnd, WindowSize& size) {
    RECT rc{};
    if (!GetWindowRect(hwnd, &rc)) {
        size = {};
        return 0;
    }
    size = {rc.left, rc.top, rc.right, rc.bottom, rc.right - rc.left, rc.bottom - rc.top};
    return 1;
}

COLORREF FrameColourFor(HWND hwnd) {
    return IsWindowEnabled(hwnd) ? kFrameEnabled : kFrameDisabled;
}

int FillSolid(HDC dc, int x, int y, int width, int height, COLORREF colour) {
    return PaintWithSolidBrush(FillRect, dc, x, y, width, height, colour);
}

int FrameSolid(HDC dc, int x, int y, int width, int height, COLORREF colour) {
    return PaintWithSolidBrush(FrameRect, dc, x, y, width, height, colour);
}

BOOL DrawFocusBox(HDC dc, int x, int y, int width, int height) {
    if (IsImpossibleBox(x, y, width, height))
        return FALSE;
    const RECT rc = BoxRect(x, y, width, height);
    return DrawFocusRect(dc, &rc);
}

int DrawTextRect(HDC dc, std::wstring_view text, int x, int y, int width, int height, UINT format) {
    if (IsImpossibleBox(x, y, width, height))
        return 0;
    RECT rc = BoxRect(x, y, width, height);
    return DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rc, format);
}

int GetFrameWidths(HWND hwnd, int& frameX, int& frameY) {
    RECT window{}, client{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    int dx = (window.right - window.left) - (client.right - client.left);
    int dy = (window.bottom - window.top) - (client.bottom - client.top);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    if (style & WS_VSCROLL)
        dx -= GetSystemMetrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL)
        dy -= GetSystemMetrics(SM_CYHSCROLL);
    frameX = RoundHalfEven(dx / 2.0);
    frameY = RoundHalfEven(dy / 2.0);
    return 1;
}

int DrawSkinSlice(HDC destDC, int x, int y, int width, int height, HDC srcDC, int srcX, int srcY,
                  int srcWidth, int srcHeight, int left, int top, int right, int bottom,
                  std::optional<COLORREF> keyColour) {
    if (IsImpossibleBox(x, y, width, height) || IsImpossibleBox(srcX, srcY, srcWidth, srcHeight))
        return 0;
    const SlicePlan plan =
        PlanSkinSlice(width, height, {srcX, srcY, srcWidth, srcHeight}, {left, top, right, bottom});
    if (plan.empty())
        return 0;
    // Composed off-screen so the destination never shows a half-drawn control.
    const HDC surface = BorrowScratch(ScratchRole::Slice, width, height);
    if (!surface)
        return 0;
    // The stretch mode is the context's default on purpose: the skin's look was
    // designed with it.
    for (const SliceBlit& b : plan) {
        if (b.stretch)
            StretchBlt(surface, b.dest.x, b.dest.y, b.dest.width, b.dest.height, srcDC, b.source.x,
                       b.source.y, b.source.width, b.source.height, SRCCOPY);
        else
            BitBlt(surface, b.dest.x, b.dest.y, b.dest.width, b.dest.height, srcDC, b.source.x,
                   b.source.y, SRCCOPY);
    }
    if (!keyColour)
        return BitBlt(destDC, x, y, width, height, surface, 0, 0, SRCCOPY);
    DrawKeyed(destDC, x, y, width, height, surface, 0, 0, *keyColour, nullptr);
    return 1;
}

void DrawKeyed(HDC destDC, int x, int y, int width, int height, HDC srcDC, int srcX, int srcY,
               COLORREF keyColour, HPALETTE palette) {
    if (width <= 0 || height <= 0 || IsImpossibleBox(x, y, width, height) ||
        IsImpossibleBox(srcX, srcY, width, height))
        return;
    const HDC work = BorrowScratch(ScratchRole::KeyedWork, width, height);
    const HDC copy = BorrowScratch(ScratchRole::KeyedCopy, width, height);
    const HDC mask = BorrowScratch(ScratchRole::KeyedMask, width, height);
    if (!work || !copy || !mask)
        return;
    if (!palette)
        palette = ScratchHalftonePalette(); // null when refused: the DCs keep their own
    COLORREF key = keyColour;
    if (FAILED(OleTranslateColor(keyColour, nullptr, &key)))
        key = keyColour;
    key &= 0x00FFFFFF;
    const PaletteGuard workPalette(work, palette);
    const PaletteGuard copyPalette(copy, palette);

    // The destination's pixels, to show through where the source has the key.
    BitBlt(work, 0, 0, width, height, destDC, x, y, SRCCOPY);

    SetBkColor(copy, GetBkColor(srcDC));
    SetTextColor(copy, GetTextColor(srcDC));
    BitBlt(copy, 0, 0, width, height, srcDC, srcX, srcY, SRCCOPY);

    // Colour to monochrome: pixels equal to the source's background colour become 1.
    SetBkColor(copy, key);
    SetTextColor(copy, kWhite);
    BitBlt(mask, 0, 0, width, height, copy, 0, 0, SRCCOPY);

    // Monochrome to colour maps 1 to the destination's background colour and 0 to its
    // text colour: white and black make DSna blacken the key pixels of the copy and
    // SRCAND keep the destination only where the key was.
    SetTextColor(copy, 0x00000000);
    SetBkColor(copy, kWhite);
    BitBlt(copy, 0, 0, width, height, mask, 0, 0, kRopDSna);
    SetTextColor(work, 0x00000000);
    SetBkColor(work, kWhite);
    BitBlt(work, 0, 0, width, height, mask, 0, 0, SRCAND);
    BitBlt(work, 0, 0, width, height, copy, 0, 0, SRCPAINT);
    BitBlt(destDC, x, y, width, height, work, 0, 0, SRCCOPY);
}

} // namespace skin
