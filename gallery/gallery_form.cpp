#include "gallery_form.h"

#include <commctrl.h>

#include <array>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace gallery {
namespace {

struct Superclass {
    const wchar_t* base;
    const wchar_t* name;
};

// "apexgrid*" is a prefix in the skin's table: any grid class name will do.
constexpr std::array kSuperclasses{
    Superclass{L"Button", L"ThunderRT6CommandButton"},
    Superclass{L"Button", L"ThunderRT6CheckBox"},
    Superclass{L"Button", L"ThunderRT6OptionButton"},
    Superclass{L"ComboBox", L"ThunderRT6ComboBox"},
    Superclass{L"ComboBox", L"ThunderRT6DriveListBox"},
    Superclass{PROGRESS_CLASSW, L"ProgressBar20WndClass"},
    Superclass{L"ListBox", L"DataListWndClass"},
    Superclass{L"ListBox", L"ApexGridOleDB32"},
};

// The base class's procedure, extra bytes and cursor under a new name: the control
// behaves as its base and is sorted by the new name.
bool RegisterSuperclass(const Superclass& row) {
    const HINSTANCE self = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(self, row.name, &wc))
        return true;
    if (!GetClassInfoExW(nullptr, row.base, &wc))
        return false;
    wc.hInstance = self;
    wc.lpszClassName = row.name;
    wc.style &= ~CS_GLOBALCLASS;
    return RegisterClassExW(&wc) != 0;
}

struct ControlRow {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kCombo = kChild | WS_TABSTOP | WS_VSCROLL;

constexpr std::array kControls{
    ControlRow{kOkButton, L"ThunderRT6CommandButton", L"确定", kChild | WS_TABSTOP, 0, 16, 16, 75,
               25},
    ControlRow{kDisabledButton, L"Button", L"禁用", kChild | WS_TABSTOP | WS_DISABLED, 0, 101, 16,
               75, 25},
    ControlRow{kDefaultButton, L"Button", L"默认按钮", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
               186, 16, 75, 25},
    ControlRow{kEditCombo, L"ThunderRT6ComboBox", L"可编辑", kCombo | CBS_DROPDOWN, 0, 16, 56, 140,
               200},
    ControlRow{kListCombo, L"ComboBox", L"", kCombo | CBS_DROPDOWNLIST, 0, 166, 56, 140, 200},
    ControlRow{kDriveList, L"ThunderRT6DriveListBox", L"", kCombo | CBS_DROPDOWNLIST, 0, 316, 56,
               140, 200},
    ControlRow{kCheckUnchecked, L"ThunderRT6CheckBox", L"未选", kChild | WS_TABSTOP | BS_AUTO3STATE,
               0, 16, 96, 90, 20},
    ControlRow{kCheckChecked, L"ThunderRT6CheckBox", L"已选", kChild | WS_TABSTOP | BS_AUTO3STATE,
               0, 116, 96, 90, 20},
    ControlRow{kCheckMixed, L"ThunderRT6CheckBox", L"不定", kChild | WS_TABSTOP | BS_AUTO3STATE, 0,
               216, 96, 90, 20},
    ControlRow{kOptionFirst, L"ThunderRT6OptionButton", L"单选一",
               kChild | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 0, 316, 96, 90, 20},
    ControlRow{kOptionSecond, L"ThunderRT6OptionButton", L"单选二", kChild | BS_AUTORADIOBUTTON, 0,
               416, 96, 90, 20},
    ControlRow{kHeader, WC_HEADERW, L"", kChild | HDS_BUTTONS | HDS_HORZ, 0, 16, 132, 568, 20},
    ControlRow{kProgress, L"ProgressBar20WndClass", L"", kChild | WS_BORDER | PBS_SMOOTH, 0, 16,
               166, 568, 18},
    ControlRow{kTextBox, L"Edit", L"QQ 12345", kChild | WS_TABSTOP | ES_AUTOHSCROLL,
               WS_EX_CLIENTEDGE, 16, 198, 180, 24},
    ControlRow{kListBox, L"ListBox", L"", kChild | WS_TABSTOP | LBS_NOTIFY | WS_VSCROLL,
               WS_EX_CLIENTEDGE, 16, 232, 180, 56},
    ControlRow{kDataList, L"DataListWndClass", L"", kChild | LBS_NOTIFY, WS_EX_CLIENTEDGE, 210, 198,
               180, 90},
    ControlRow{kGrid, L"ApexGridOleDB32", L"", kChild | WS_BORDER | LBS_NOTIFY, 0, 404, 198, 180,
               90},
};

void AddStrings(HWND control, UINT message, std::initializer_list<const wchar_t*> strings) {
    for (const wchar_t* s : strings)
        SendMessageW(control, message, 0, reinterpret_cast<LPARAM>(s));
}

void FillControls(HWND form) {
    const auto item = [form](int id) { return GetDlgItem(form, id); };
    for (int id : {kEditCombo, kListCombo, kDriveList}) {
        AddStrings(item(id), CB_ADDSTRING, {L"第一首", L"第二首", L"第三首"});
        SendMessageW(item(id), CB_SETCURSEL, 0, 0);
    }
    SendMessageW(item(kCheckChecked), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(item(kCheckMixed), BM_SETCHECK, BST_INDETERMINATE, 0);
    SendMessageW(item(kOptionFirst), BM_SETCHECK, BST_CHECKED, 0);
    int i = 0;
    for (const wchar_t* title : {L"编号", L"歌曲", L"歌手", L"地址"}) {
        HDITEMW hd{};
        hd.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        hd.cxy = i == 3 ? 200 : 110;
        hd.fmt = HDF_LEFT | HDF_STRING;
        hd.pszText = const_cast<wchar_t*>(title);
        SendMessageW(item(kHeader), HDM_INSERTITEMW, static_cast<WPARAM>(i++),
                     reinterpret_cast<LPARAM>(&hd));
    }
    // The form package's bar runs from 0 to 30000 whatever its Min and Max.
    SendMessageW(item(kProgress), PBM_SETRANGE32, 0, 30000);
    SendMessageW(item(kProgress), PBM_SETPOS, 18000, 0);
    for (int id : {kListBox, kDataList, kGrid})
        AddStrings(item(id), LB_ADDSTRING, {L"晴天 — 周杰伦", L"后来 — 刘若英", L"童话 — 光良"});
}

// A modeless dialog closes itself: the dialog manager turns its close box into IDCANCEL.
INT_PTR CALLBACK GalleryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        DestroyWindow(dialog);
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

} // namespace

bool RegisterFormPackageClasses() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        bool all = true;
        for (const Superclass& row : kSuperclasses)
            all = RegisterSuperclass(row) && all;
        return all;
    }();
    return registered;
}

bool CreateGalleryControls(HWND form) {
    if (!RegisterFormPackageClasses())
        return false;
    const auto font = static_cast<WPARAM>(SendMessageW(form, WM_GETFONT, 0, 0));
    const WPARAM shown = font ? font : reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    for (const ControlRow& row : kControls) {
        const HWND control = CreateWindowExW(row.exStyle, row.className, row.text, row.style, row.x,
                                             row.y, row.width, row.height, form,
                                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)),
                                             GetModuleHandleW(nullptr), nullptr);
        if (!control)
            return false;
        SendMessageW(control, WM_SETFONT, shown, FALSE);
    }
    FillControls(form);
    return true;
}

HWND CreatePopupHost(const wchar_t* className, int x, int y, int width, int height) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    RegisterClassW(&wc); // fails harmlessly when the class exists already
    return CreateWindowExW(WS_EX_TOPMOST, className, L"", WS_POPUP | WS_VISIBLE, x, y, width,
                           height, nullptr, nullptr, wc.hInstance, nullptr);
}

HWND CreateGalleryDialog(HWND owner) {
    // An in-memory template with no items: DLGTEMPLATE, then no menu, the default
    // class, the title and the font; the controls are made by CreateGalleryControls.
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    words.push_back(0); // menu
    words.push_back(0); // class
    for (const wchar_t c : std::wstring_view(L"皮肤样品 Skin gallery"))
        words.push_back(c);
    words.push_back(0);
    words.push_back(9); // point size
    for (const wchar_t c : std::wstring_view(L"MS Shell Dlg"))
        words.push_back(c);
    words.push_back(0);
    auto* tpl = reinterpret_cast<DLGTEMPLATE*>(words.data()); // taken once the words are all in
    tpl->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    tpl->cx = 400;
    tpl->cy = 200;
    const HWND dialog =
        CreateDialogIndirectParamW(GetModuleHandleW(nullptr), tpl, owner, GalleryDialogProc, 0);
    if (!dialog)
        return nullptr;
    RECT frame{0, 0, 600, 300};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!CreateGalleryControls(dialog)) {
        DestroyWindow(dialog);
        return nullptr;
    }
    return dialog;
}

} // namespace gallery
