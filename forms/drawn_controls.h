#pragma once
#include "form1_design.h"

#include <windows.h>

#include <array>
#include <string>
#include <vector>

class Form1;

// The mouse events a drawn control answers, as the form package named them.
enum class DrawnEvent { MouseDown, MouseMove, Click, DblClick };
inline constexpr size_t kDrawnEventCount = 4;

using DrawnHandler = void (Form1::*)();
// Paints a picture into its box (client pixels at the window's dpi).
using PicturePainter = void (*)(HDC dc, const RECT& box, UINT dpi);

// A label or picture the window draws itself, without a window of its own.
struct DrawnControl {
    const wchar_t* name;
    form1_design::Placement place; // twips
    COLORREF colour;               // a label's text colour
    PicturePainter picture;        // null for a label
    bool autoSize;                 // a label that grows to the right with its text
    bool visible;
    int z; // rows with a higher z lie above
    std::array<DrawnHandler, kDrawnEventCount> handlers;
    std::wstring text;
};

// Every drawn control of a window as one table: painted in z order, hit-tested
// topmost first, and mouse events routed to the row's handler.
class DrawnControls {
  public:
    explicit DrawnControls(std::vector<DrawnControl> rows);

    DrawnControl& operator[](size_t row) { return rows_[row]; }
    const DrawnControl& operator[](size_t row) const { return rows_[row]; }
    size_t size() const { return rows_.size(); }

    // The window's dots per inch, which every area follows (96 at first).
    void SetDpi(UINT dpi) { dpi_ = dpi; }
    UINT dpi() const { return dpi_; }

    // What the row may cover, in client pixels: an auto-sized label reaches to
    // the right edge of the client area.
    RECT Area(size_t row) const;
    // The topmost visible row under the point, or -1.
    int HitTest(POINT client) const;
    // Paints the visible rows meeting `dirty`, lowest z first; labels in `labelFont`.
    // With `systemColours` (a high-contrast scheme) the pictures stand aside
    // and every label is drawn in the system's window text colour.
    void Paint(HDC dc, const RECT& dirty, HFONT labelFont, bool systemColours = false) const;

  private:
    std::vector<DrawnControl> rows_;
    std::vector<size_t> order_; // rows by z, lowest first
    UINT dpi_ = form1_design::kDesignDpi;
};
