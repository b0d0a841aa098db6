#pragma once
#include "gdi_handles.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

// The drawing primitives every painter is built from. Boxes are x, y, width, height
// with right and bottom exclusive. A box no window can have (a side negative or longer
// than 32767, an edge beyond -32767..32767) is refused before GDI sees it: nothing is
// drawn and the answer is 0. Brushes live for one call; slices and keyed copies
// compose in the engine's scratch surfaces (scratch_surfaces.h).
namespace skin {

std::wstring GetWindowCaption(HWND hwnd);

// The window rectangle in screen coordinates and its size, non-client area included.
struct WindowSize {
    int Left, Top, Right, Bottom, Width, Height;
};
// Nonzero on success; all zero on failure.
int GetWindowSize(HWND hwnd, WindowSize& size);

int FillSolid(HDC dc, int x, int y, int width, int height, COLORREF colour);
// A one-pixel frame on the outermost rows and columns of the box.
int FrameSolid(HDC dc, int x, int y, int width, int height, COLORREF colour);
// The system's dotted XOR rectangle: drawing it twice removes it.
BOOL DrawFocusBox(HDC dc, int x, int y, int width, int height);
// The caller selects font, text colour and background mode. Ampersands prefix unless
// the format has DT_NOPREFIX.
int DrawTextRect(HDC dc, std::wstring_view text, int x, int y, int width, int height, UINT format);

// Half the non-client width and height, scroll bars left out, rounded half to even.
int GetFrameWidths(HWND hwnd, int& frameX, int& frameY);

// Draws the source rectangle of srcDC into the box, keeping the four margins at their
// natural size and stretching the rest, composed off-screen and transferred in one
// piece. With a key colour the key-coloured pixels leave the destination unchanged.
// Answers 0 when nothing was drawn, else the final transfer's result (1 with a key).
int DrawSkinSlice(HDC destDC, int x, int y, int width, int height, HDC srcDC, int srcX, int srcY,
                  int srcWidth, int srcHeight, int left, int top, int right, int bottom,
                  std::optional<COLORREF> keyColour = std::nullopt);

// Copies width x height from (srcX, srcY) of srcDC to the box, leaving the pixels of
// the key colour (a COLORREF or a system colour) transparent. A null palette means a
// halftone palette made for the call.
void DrawKeyed(HDC destDC, int x, int y, int width, int height, HDC srcDC, int srcX, int srcY,
               COLORREF keyColour, HPALETTE palette = nullptr);

// The frame line of a control: pale while the window is disabled.
COLORREF FrameColourFor(HWND hwnd);

// The device context a painter was given, or the window's own (non-client area
// included) borrowed for the painter's call when it was given none.
class TargetDC {
  public:
    TargetDC(HWND hwnd, HDC given) : given_(given) {
        if (!given_)
            own_.emplace(hwnd, true);
    }
    HDC get() const { return given_ ? given_ : own_->get(); }

  private:
    HDC given_;
    std::optional<WindowDC> own_;
};

} // namespace skin
