#pragma once
#include <windows.h>


// The main window's pictures, drawn in code at their designed sizes. Every
// picture keeps clear of pure blue (0x00FF0000), the window's colour key,
// except where the window is meant to be see-through: the rounded corners
// and whatever lies beyond the client area.
namespace pictures {

inline constexpr SIZE kBackgroundSize{598, 323};  // Image1
inline constexpr SIZE kBottomStripSize{598, 24};  // Image3
inline constexpr SIZE kIconSize{47, 47};          // Image2, the window's and the program's icon
inline constexpr SIZE kCloseHighlightSize{38, 17};    // CL
inline constexpr SIZE kMinimiseHighlightSize{26, 17}; // MI

inline constexpr COLORREF kKeyColour = 0x00FF0000;
inline constexpr COLORREF kBodyColour = 0x00FFFCEE; // the controls' background too

// Each draws its picture at the top-left corner of `box` (client pixels at
// `dpi`), clipped to the box, at the window's scale; the icon is drawn at the
// box's size.
void DrawBackground(HDC dc, const RECT& box, UINT dpi = 96);
void DrawBottomStrip(HDC dc, const RECT& box, UINT dpi = 96);
void DrawIconPicture(HDC dc, const RECT& box, UINT dpi = 96);
void DrawCloseHighlight(HDC dc, const RECT& box, UINT dpi = 96);
void DrawMinimiseHighlight(HDC dc, const RECT& box, UINT dpi = 96);

// The window's shape at `dpi`: its client area less the rounded-off corners
// that the pictures leave in the key colour. The colour key alone makes those
// corners see-through for clicks on Windows; Wine hit-tests by the window's
// region.
HRGN CreateWindowShape(UINT dpi = 96);

// The icon as a Windows icon of size x size; null when the system refuses.
HICON CreateAppIcon(int size);

} // namespace pictures
