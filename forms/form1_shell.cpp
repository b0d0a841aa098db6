// Form1: loading and unloading, the painted frame (dragging, the hover
// pictures, minimise and close) and the buttons that leave the tool or open
// the maker's home page.
#include "form1.h"

#include "form1_design.h"
#include "pictures.h"
#include "skin.h"

#include <shellapi.h>

using namespace form1_design;

namespace {

// What starting the browser on the address with a minimised window does; it
// returns at once, without waiting for the browser.
void OpenHomePage() {
    ShellExecuteW(nullptr, L"open", kHomePage, nullptr, nullptr, SW_SHOWMINIMIZED);
}

} // namespace

void Form1::Form_Load() {
    // The skin first: it paints every control below the window from here on.
    skin::AttachSkin(hwnd_);
    // The background is the colour key (see KeyOutBackground).
    formBrush_.reset(CreateSolidBrush(kKeyColour));
    // The see-through corners let clicks through on Wine as well; the window
    // owns the region from here on.
    SetWindowRgn(hwnd_, pictures::CreateWindowShape(drawn_.dpi()), TRUE);
}

// Everything in the background colour becomes see-through and lets clicks
// through, so only the pictures and the controls are seen. Done once the first
// frame is on the screen: Wine scans a colour-keyed window whole for its key at
// every flush (a full repaint at 192 dpi takes two to three times as long), and
// the first frame looks the same without the key, as the pictures cover the
// window and its shape already cuts the corners.
void Form1::KeyOutBackground() {
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(hwnd_, kKeyColour, 0, LWA_COLORKEY);
}

void Form1::Form_Unload() {
    skin::DetachSkin(hwnd_);
}

void Form1::Unload() {
    Form_Unload();
    DestroyWindow(hwnd_);
}

// The system moves the window with the mouse, as if its caption had been
// grabbed, until the button goes up: whichever button went down.
void Form1::StartMovingWindow() {
    ReleaseCapture();
    SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void Form1::Label3_MouseDown() {
    StartMovingWindow();
}

void Form1::Image2_MouseDown() {
    StartMovingWindow();
}

void Form1::SetDrawnVisible(DrawnRow row, bool visible) {
    if (drawn_[row].visible == visible)
        return;
    drawn_[row].visible = visible;
    const RECT area = drawn_.Area(row);
    InvalidateRect(hwnd_, &area, FALSE);
}

// Over the background or the title strip both frame buttons look plain again,
// in this order.
void Form1::Image1_MouseMove() {
    SetDrawnVisible(kCL, false);
    SetDrawnVisible(kMI, false);
    SetDrawnVisible(kLabel5, true);
    SetDrawnVisible(kLabel6, true);
}

void Form1::Label3_MouseMove() {
    Image1_MouseMove();
}

void Form1::Label5_MouseMove() {
    SetDrawnVisible(kMI, true);
    SetDrawnVisible(kLabel5, false);
}

void Form1::Label6_MouseMove() {
    SetDrawnVisible(kCL, true);
    SetDrawnVisible(kLabel6, false);
}

void Form1::MI_MouseDown() {
    ShowWindow(hwnd_, SW_MINIMIZE); // a refusal changes nothing
}

void Form1::CL_MouseDown() {
    if (ShowMessage(kExitPrompt, kExitCaption, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    Unload();
    OpenHomePage();
}

void Form1::Command3_Click() {
    OpenHomePage();
    Unload();
}

void Form1::Command4_Click() {
    OpenHomePage();
}

void Form1::Image3_Click() {
    OpenHomePage();
}
