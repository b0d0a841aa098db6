#include "form3.h"

#include "form1_design.h"
#include "form_window.h"
#include "gdi_handles.h"
#include "window_dpi.h"

#include <memory>
#include <string>

namespace {

using form1_design::Scaled;

constexpr wchar_t kClassName[] = L"QzoneMusicForm3";
constexpr UINT_PTR kTimer1Id = 1;
constexpr UINT kTimer1IntervalMs = 1500;
// 3060 x 1485 twips, in pixels at 96 dpi.
constexpr int kClientWidth = 204;
constexpr int kClientHeight = 99;

Form3* current = nullptr;

UniqueFont MakeNoticeFont(UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -Scaled(12, dpi);
    font.lfWeight = FW_BOLD;
    font.lfCharSet = GB2312_CHARSET;
    font.lfQuality = NONANTIALIASED_QUALITY;
    wcscpy_s(font.lfFaceName, L"宋体");
    return UniqueFont(CreateFontIndirectW(&font));
}

} // namespace

void DrawNoticePicture(HDC dc, int left, int top, UINT dpi) {
    const RECT all{left, top, left + Scaled(kNoticePictureWidth, dpi),
                   top + Scaled(kNoticePictureHeight, dpi)};
    UniqueBrush key(CreateSolidBrush(kNoticeKeyColor));
    FillRect(dc, &all, key.get());

    // The sign: a ring with a bar from upper left to lower right.
    const int cx = Scaled(kNoticePictureWidth / 2, dpi), cy = Scaled(30, dpi), r = Scaled(24, dpi),
              ring = Scaled(6, dpi);
    UniquePen pen(CreatePen(PS_SOLID, ring, kNoticeRed));
    {
        SelectGuard usePen(dc, pen.get());
        SelectGuard noFill(dc, GetStockObject(NULL_BRUSH));
        Ellipse(dc, left + cx - r, top + cy - r, left + cx + r, top + cy + r);
        const int d = (r * 7) / 10; // 45 degrees, just inside the ring
        MoveToEx(dc, left + cx - d, top + cy - d, nullptr);
        LineTo(dc, left + cx + d, top + cy + d);
    }

    UniqueFont font = MakeNoticeFont(dpi);
    SelectGuard useFont(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kNoticeRed);
    RECT line1{all.left, top + Scaled(60, dpi), all.right, top + Scaled(76, dpi)};
    RECT line2{all.left, top + Scaled(78, dpi), all.right, top + Scaled(94, dpi)};
    DrawTextW(dc, kNoticeLine1, -1, &line1, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
    DrawTextW(dc, kNoticeLine2, -1, &line2, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
}

Form3::Form3(HWND mainWindow, UINT closedItself, UINT dpi)
    : mainWindow_(mainWindow), closedItself_(closedItself), dpi_(dpi) {}

Form3* Form3::Current() {
    return current;
}

void Form3::Show(HWND mainWindow, UINT closedItself, UINT dpi) {
    if (current)
        return;
    const ATOM atom = RegisterFormClass<Form3>(kClassName, 0);
    if (!atom)
        return;

    // Centred over the main window, or the screen when there is none.
    RECT over{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (mainWindow && IsWindow(mainWindow))
        GetWindowRect(mainWindow, &over);
    if (!dpi)
        dpi = WindowDpi(mainWindow); // the system's when there is no such window
    const int width = Scaled(kClientWidth, dpi), height = Scaled(kClientHeight, dpi);
    const int x = (over.left + over.right - width) / 2;
    const int y = (over.top + over.bottom - height) / 2;

    // A creation that fails after WM_NCCREATE still sends WM_NCDESTROY: until
    // CreateWindowExW succeeds the notice belongs here, not to its window.
    std::unique_ptr<Form3> notice(new Form3(mainWindow, closedItself, dpi));
    // Above other windows, without a task-bar button, and without taking the
    // focus from the main window.
    // Its title is what it says, for a screen reader: the window shows none.
    const std::wstring says = std::wstring(kNoticeLine1) + kNoticeLine2;
    const HWND hwnd = CreateWindowExW(
        WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClassName, says.c_str(), WS_POPUP, x,
        y, width, height, nullptr, nullptr, GetModuleHandleW(nullptr), notice.get());
    if (!hwnd) {
        if (current == notice.get())
            current = nullptr;
        return;
    }
    notice.release()->ownedByWindow_ = true;
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    NotifyWinEvent(EVENT_SYSTEM_ALERT, hwnd, OBJID_CLIENT, CHILDID_SELF); // read out at once
}

LRESULT Form3::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        current = this;
        lease_.Take();
        Form_Load();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the picture covers the window
    case WM_PAINT:
        Paint();
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        Form_Click();
        return 0;
    case WM_TIMER:
        if (wParam == kTimer1Id)
            Timer1_Timer();
        return 0;
    case WM_DESTROY:
        KillTimer(hwnd_, kTimer1Id);
        if (current == this)
            current = nullptr;
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        if (current == this)
            current = nullptr;
        lease_.Release();
        if (ownedByWindow_)
            delete this;
        return 0;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

void Form3::Form_Load() {
    // Everything in the key colour is transparent and lets clicks through,
    // so only the sign and its text are seen.
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(hwnd_, kNoticeKeyColor, 0, LWA_COLORKEY);
    SetTimer(hwnd_, kTimer1Id, kTimer1IntervalMs, nullptr);
}

void Form3::Paint() {
    const PaintDC paint(hwnd_);
    const HDC dc = paint.get();
    RECT client;
    GetClientRect(hwnd_, &client);
    UniqueBrush key(CreateSolidBrush(kNoticeKeyColor));
    FillRect(dc, &client, key.get()); // the strip the picture leaves
    DrawNoticePicture(dc, 0, 0, dpi_); // Image3
}

void Form3::Form_Click() {
    // Clicked away: the main window's poll stays on, so a song that still
    // cannot be played brings a new notice at its next tick.
    DestroyWindow(hwnd_);
}

void Form3::Timer1_Timer() {
    KillTimer(hwnd_, kTimer1Id);
    if (IsWindow(mainWindow_))
        PostMessageW(mainWindow_, closedItself_, 0, 0);
    DestroyWindow(hwnd_);
}
