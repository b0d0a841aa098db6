#pragma once
#include <windows.h>

// Push buttons are drawn in two stages: the four complete faces (one per VisualState)
// are rendered ahead of time into surfaces kept in the button's 0HDC..3HDC
// properties, and every paint is one constant-alpha blend of the face of OLDSTATE at
// ALPHALEVEL, so a hover fade is a series of blends of ready-made faces.
namespace skin {

// Styles the skin paints itself: the push-button styles (BS_PUSHBUTTON,
// BS_DEFPUSHBUTTON and the others whose bits 0x2 and 0x4 are clear). Check boxes,
// radio buttons and group boxes of the "button" class keep their own painting.
constexpr bool IsSkinPaintedButtonStyle(LONG_PTR style) {
    return (style & 0x6) == 0;
}

// Four surfaces compatible with the button's window DC, each as large as the whole
// window rectangle, kept under 0HDC..3HDC with their bitmaps under 0BMP..3BMP; then
// the faces are rendered. A state whose surface cannot be made gets none.
void CreateButtonFaces(HWND hwnd);
// Gives the surfaces bitmaps of the window's current size and renders the faces again.
void ResizeButtonFaces(HWND hwnd);
// Frees the surfaces and their bitmaps and removes the eight properties.
void ReleaseButtonFaces(HWND hwnd);

// Draws the four faces: ButtonSkin's band of the state stretched with 3-pixel
// margins, the caption in the button's font (grey on the disabled face) and, while the
// button has the keyboard focus, the focus rectangle on every face.
void RenderButtonFaces(HWND hwnd);

// Blends the face of OLDSTATE onto dc (the window DC when null) at ALPHALEVEL. A
// disabled window's OLDSTATE becomes 3 first. Draws nothing for a saved style the
// skin does not paint or a missing face. Answers 0.
int PaintPushButton(HWND hwnd, HDC dc);

} // namespace skin
