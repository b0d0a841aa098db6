// Form1 without a mouse and without sight: Tab and Shift+Tab through the
// controls, the table's keys (what a click and a double-click do, Space for
// play/pause), Alt+Space for a system menu the borderless window otherwise
// lacks, and an accessible object that tells a screen reader what the
// painted parts say and lets it act on them.
#include "form1.h"

#include "drawn_accessible.h"
#include "form1_design.h"
#include "skin.h"

#include <commctrl.h>

using namespace form1_design;

namespace {

// The painted parts a screen reader is told of, in reading order.
enum AccessiblePartIndex : size_t {
    kPartTitle, kPartMinimise, kPartClose, kPartSong, kPartSinger, kPartAddress, kPartStatus,
    kPartHomePage, kPartCount,
};

enum SystemMenuId : UINT { kSysMinimise = 1, kSysClose };

bool SystemHighContrast();

} // namespace

std::vector<AccessiblePart> Form1::AccessibleParts() const {
    auto part = [this](LONG role, const wchar_t* name, DrawnRow row, std::wstring value = {},
                       const wchar_t* action = L"") {
        return AccessiblePart{role, name, std::move(value), action, drawn_.Area(row)};
    };
    return {
        part(ROLE_SYSTEM_TITLEBAR, kTitle, kLabel3),
        part(ROLE_SYSTEM_PUSHBUTTON, L"最小化", kMI, {}, L"最小化"),
        part(ROLE_SYSTEM_PUSHBUTTON, L"关闭", kCL, {}, L"关闭"),
        part(ROLE_SYSTEM_STATICTEXT, drawn_[kLabel1].text.c_str(), kGqm, gqm()),
        part(ROLE_SYSTEM_STATICTEXT, drawn_[kLabel2].text.c_str(), kGq, gq()),
        part(ROLE_SYSTEM_LINK, drawn_[kLabel4].text.c_str(), kGuRL, GuRL(), L"复制"),
        part(ROLE_SYSTEM_STATICTEXT, L"状态", kLabel8, Label8()),
        part(ROLE_SYSTEM_LINK, L"QQ空间 qzone.qq.com", kImage3, {}, L"打开"),
    };
}

// A part's default action, as its mouse event does it.
void Form1::RunAccessibleAction(size_t index) {
    switch (index) {
    case kPartMinimise:
        MI_MouseDown();
        break;
    case kPartClose:
        CL_MouseDown();
        break;
    case kPartAddress:
        GuRL_DblClick();
        break;
    case kPartHomePage:
        Image3_Click();
        break;
    default:
        break; // anything else comes from outside and means nothing
    }
}

LRESULT Form1::OnGetObject(WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT)
        return DefWindowProcW(hwnd_, WM_GETOBJECT, wParam, lParam);
    return AnswerGetObject(hwnd_, wParam,
                           {[this] { return AccessibleParts(); }, WM_ACCESSIBLE_ACTION, {}});
}

// A change a screen reader should read out: the status ("正在缓冲 40%"), and
// the song the labels show.
void Form1::AnnounceLabel(DrawnRow row) {
    const size_t part = row == kLabel8 ? kPartStatus
                        : row == kGqm  ? kPartSong
                        : row == kGq   ? kPartSinger
                        : row == kGuRL ? kPartAddress
                                       : kPartCount;
    if (part != kPartCount && hwnd_)
        NotifyPartValueChanged(hwnd_, part);
}

// Tab and Shift+Tab move through the controls that take the focus, as in a
// dialog, without a dialog's other keys (Enter stays the QQ box's and the
// table's own).
bool Form1::PreTranslateMessage(const MSG& msg) {
    if (toolTips_ && msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
        SendMessageW(toolTips_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || !hwnd_ ||
        !IsChild(hwnd_, msg.hwnd) || (GetKeyState(VK_CONTROL) & 0x8000))
        return false;
    const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    if (HWND next = GetNextDlgTabItem(hwnd_, GetFocus(), back ? TRUE : FALSE)) {
        SetFocus(next);
        if (next == QQ_)
            SendMessageW(QQ_, EM_SETSEL, 0, -1);
    }
    return true;
}

// Alt+Space: the window has no caption and so no system menu of its own.
// 关闭 asks, as the close area does; Alt+F4 closes as before.
void Form1::ShowSystemMenu() {
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    AppendMenuW(menu, MF_STRING, kSysMinimise, L"最小化(&N)");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kSysClose, L"关闭(&C)\tAlt+F4");
    RECT window;
    GetWindowRect(hwnd_, &window);
    const UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, window.left,
                                       window.top + GetSystemMetrics(SM_CYCAPTION), 0, hwnd_,
                                       nullptr);
    DestroyMenu(menu);
    if (chosen == kSysMinimise)
        MI_MouseDown();
    else if (chosen == kSysClose)
        CL_MouseDown();
}

// Moving through the table with the keys shows the song as a click does.
void Form1::ListView1_ItemChanged(const NMLISTVIEW& change) {
    if (QueryRunning() || !(change.uChanged & LVIF_STATE) ||
        !(change.uNewState & LVIS_SELECTED) || (change.uOldState & LVIS_SELECTED) ||
        change.iItem < 0 || static_cast<size_t>(change.iItem) >= rows_.size())
        return;
    ListView1_Click();
}

namespace {
bool SystemHighContrast() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}
} // namespace

// In a high-contrast scheme the skin stands aside (detached: the controls
// then draw themselves in the scheme's colours, as every other program's
// do) and the window paints its labels in the system's colours without its
// pictures; when the scheme is turned off the skin comes back.
void Form1::FollowHighContrast() {
    const bool on = highContrastQuery_ ? highContrastQuery_() : SystemHighContrast();
    if (on == highContrast_ || !hwnd_)
        return;
    highContrast_ = on;
    if (on)
        skin::DetachSkin(hwnd_);
    else
        skin::AttachSkin(hwnd_);
    ListView_SetTextColor(ListView1_, on ? GetSysColor(COLOR_WINDOWTEXT) : kListTextColor);
    ListView_SetTextBkColor(ListView1_, on ? GetSysColor(COLOR_WINDOW) : kFormBackColor);
    ListView_SetBkColor(ListView1_, on ? GetSysColor(COLOR_WINDOW) : kFormBackColor);
    RedrawWindow(hwnd_, nullptr, nullptr,
                 RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}
