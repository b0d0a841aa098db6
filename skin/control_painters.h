#pragma once
#include <windows.h>

#include <string>

// Painters of the controls that keep their own procedure for everything but their
// skinned parts: the drop button of a combo box or drive list, the box of a check box,
// the circle of an option button, header items and whole headers, progress bars.
// Each takes the DC it draws into and borrows the window's own DC only when given
// none, so the paint handler, the input handlers and tests call the same code.
namespace skin {

// The state painters paint only when the state asked for differs from OLDSTATE or
// force is set, and then store it in OLDSTATE. The disabled look comes from
// IsWindowEnabled, not from the state. They answer 1 when they painted, else 0.

// While the list is open the button is drawn pressed whatever was asked, and state
// reads 2 afterwards. A simple combo box has no drop button: nothing is drawn and
// OLDSTATE is left alone.
int PaintComboButton(HWND hwnd, HDC dc, int& state, bool force);
int PaintCheckBox(HWND hwnd, HDC dc, int state, bool force);
// Drawn through the skin's key colour, so the control's own background shows at the
// corners of the circle; the dot only for BST_CHECKED.
int PaintOptionButton(HWND hwnd, HDC dc, int state, bool force);

// Item `index` of a header in state 0 normal, 1 hot or 2 pressed; nothing for a
// negative index or one the header does not have. Answers 0.
int PaintHeaderItem(HWND hwnd, HDC dc, int index, int state);

// The text of a header item, at most 255 characters.
std::wstring HeaderItemText(HWND hwnd, int index);

// A complete picture composed off-screen for one transfer to the screen. It lives in
// the engine's compose surface: valid until the next composition, not to be freed.
struct ComposedPicture {
    HDC dc = nullptr;
    int width = 0;
    int height = 0;
};

// The whole header, W x H: the stretched background, then every item pressed when it
// is HDINDEX, hot when it is HMINDEX, else normal, with its text.
ComposedPicture ComposeHeader(HWND hwnd);
// The client area of a progress bar: white, with the filled part from the left (or
// from the bottom for PBS_VERTICAL); a position of 30000 is a full bar.
ComposedPicture ComposeProgressBar(HWND hwnd);

// PBM_GETPOS over the full-bar position 30000, in single precision.
float ProgressFraction(HWND hwnd);
// Columns filled from the left of a horizontal bar `width` wide at fraction f.
int ProgressFilledWidth(float f, int width);
// Rows left white above the filled part of a vertical bar `height` high.
int ProgressUnfilledHeight(float f, int height);

} // namespace skin
