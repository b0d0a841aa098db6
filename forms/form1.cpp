// Form1: creation, lifetime and the routing of messages to the named handlers.
#include "form1.h"

#include "drawn_accessible.h"

#include "design_fonts.h"
#include "form1_design.h"
#include "form3.h"
#include "form_window.h"
#include "pictures.h"
#include "window_dpi.h"

#include <commctrl.h>

using namespace form1_design;

namespace {

// Registered under the class name of a compiled form of the form package, so
// the skin engine knows the window as a form and skins every control on it.
constexpr wchar_t kClassName[] = L"ThunderRT6FormDC";


enum ControlId : int {
    kIdQQ = 101,
    kIdCommand1,
    kIdCommand2,
    kIdCommand3,
    kIdCommand4,
    kIdListView1,
    kIdList1,
    kIdList2,
    kIdList3,
};

// Each control's designed place, by its id.
constexpr std::pair<int, Placement> kPlaces[] = {
    {kIdQQ, kQQPlace},           {kIdCommand1, kCommand1Place},   {kIdCommand2, kCommand2Place},
    {kIdCommand3, kCommand3Place}, {kIdCommand4, kCommand4Place}, {kIdListView1, kListView1Place},
    {kIdList1, kList1Place},     {kIdList2, kList2Place},         {kIdList3, kList3Place},
};

RECT PlaceOf(int id, UINT dpi) {
    for (const auto& [placed, place] : kPlaces)
        if (placed == id)
            return PixelRect(place, dpi);
    return {};
}

HWND MakeChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id,
               UINT dpi, DWORD exStyle = 0) {
    const RECT r = PlaceOf(id, dpi);
    return CreateWindowExW(exStyle, cls, text, WS_CHILD | style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

// The program's icon at `size`: from the icon file built into the program
// (drawn by the same code at build time), else drawn now.
HICON LoadAppIcon(int size) {
    if (auto* icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1),
                                                   IMAGE_ICON, size, size, 0)))
        return icon;
    return pictures::CreateAppIcon(size);
}

// The window's client area at `dpi`, placed with its top-left corner at `at`.
RECT ClientAt(POINT at, UINT dpi) {
    return {at.x, at.y, at.x + Px(kClient.width, dpi), at.y + Px(kClient.height, dpi)};
}


// Which drawn-control event a mouse message is. A left button going up is a
// click only over the control it went down on.
struct MouseRoute {
    UINT message;
    DrawnEvent event;
};
constexpr MouseRoute kMouseRoutes[] = {
    {WM_LBUTTONDOWN, DrawnEvent::MouseDown}, {WM_RBUTTONDOWN, DrawnEvent::MouseDown},
    {WM_MBUTTONDOWN, DrawnEvent::MouseDown}, {WM_MOUSEMOVE, DrawnEvent::MouseMove},
    {WM_LBUTTONUP, DrawnEvent::Click},       {WM_LBUTTONDBLCLK, DrawnEvent::DblClick},
};

} // namespace

std::vector<DrawnControl> Form1::DrawnControlRows() {
    using E = DrawnEvent;
    using Handlers = std::array<DrawnHandler, kDrawnEventCount>;
    auto on = [](std::initializer_list<std::pair<E, DrawnHandler>> routes) {
        Handlers handlers{};
        for (const auto& [event, handler] : routes)
            handlers[static_cast<size_t>(event)] = handler;
        return handlers;
    };
    // In the order of DrawnRow. The background lies beneath everything, the
    // frame's hot areas and highlights above the strips, the labels on top.
    return {
        {L"Image1", kImage1Place, 0, &pictures::DrawBackground, false, true, 0,
         on({{E::MouseMove, &Form1::Image1_MouseMove}}), L""},
        {L"Image3", kImage3Place, 0, &pictures::DrawBottomStrip, false, true, 1,
         on({{E::Click, &Form1::Image3_Click}}), L""},
        {L"Image2", kImage2Place, 0, &pictures::DrawIconPicture, false, true, 2,
         on({{E::MouseDown, &Form1::Image2_MouseDown}}), L""},
        {L"Label3", kLabel3Place, 0, nullptr, false, true, 1,
         on({{E::MouseDown, &Form1::Label3_MouseDown}, {E::MouseMove, &Form1::Label3_MouseMove}}),
         L""},
        {L"Label5", kLabel5Place, 0, nullptr, false, true, 3,
         on({{E::MouseMove, &Form1::Label5_MouseMove}}), L""},
        {L"Label6", kLabel6Place, 0, nullptr, false, true, 3,
         on({{E::MouseMove, &Form1::Label6_MouseMove}}), L""},
        {L"CL", kCLPlace, 0, &pictures::DrawCloseHighlight, false, false, 4,
         on({{E::MouseDown, &Form1::CL_MouseDown}}), L""},
        {L"MI", kMIPlace, 0, &pictures::DrawMinimiseHighlight, false, false, 4,
         on({{E::MouseDown, &Form1::MI_MouseDown}}), L""},
        {L"Label1", kLabel1Place, kCaptionColor, nullptr, true, true, 5, {}, L"歌曲"},
        {L"Label2", kLabel2Place, kCaptionColor, nullptr, true, true, 5, {}, L"歌手"},
        {L"Label4", kLabel4Place, kCaptionColor, nullptr, true, true, 5, {}, L"出处"},
        {L"gqm", kGqmPlace, kSongTextColor, nullptr, true, true, 5, {}, L""},
        {L"gq", kGqPlace, kSongTextColor, nullptr, true, true, 5, {}, L""},
        {L"GuRL", kGuRLPlace, kSongTextColor, nullptr, false, true, 5,
         on({{E::DblClick, &Form1::GuRL_DblClick}}), L""},
        {L"Label8", kLabel8Place, kStatusColor, nullptr, true, true, 5, {}, L""},
    };
}

Form1::Form1(std::wstring serviceBase, HttpOptions http, AudioOutputFactory audio,
             Settings settings)
    : serviceBase_(std::move(serviceBase)), httpOptions_(http),
      messageBox_([](HWND owner, const wchar_t* prompt, const wchar_t* caption, UINT flags) {
          return MessageBoxW(owner, prompt, caption, flags);
      }),
      audio_(audio ? std::move(audio) : [] { return std::make_unique<WaveOutput>(); }),
      drawn_(DrawnControlRows()), settings_(std::move(settings)), filePicker_(ShowFileDialog),
      saveHttp_(SaveHttpOptions()) {
    if (httpOptions_.deadlineMs == 0)
        httpOptions_.deadlineMs = kQueryDeadlineMs;
}

Form1::~Form1() {
    if (hwnd_)
        DestroyWindow(hwnd_);
}

bool Form1::Create() {
    const ATOM atom = RegisterFormClass<Form1>(kClassName, CS_DBLCLKS);
    if (!atom)
        return false;

    // Borderless: the window draws its own title strip. Centred on the
    // primary screen, at its scale.
    drawn_.SetDpi(startDpi_ ? startDpi_ : SystemDpi());
    const RECT frame = ClientAt({0, 0}, drawn_.dpi());
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - frame.right) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - frame.bottom) / 2;
    CreateWindowExW(0, kClassName, kTitle, style, x, y, frame.right, frame.bottom, nullptr, nullptr,
                    GetModuleHandleW(nullptr), this);
    // Made on a screen of another scale than the primary one's: laid out again.
    const UINT screenDpi = hwnd_ && !startDpi_ ? WindowDpi(hwnd_) : drawn_.dpi();
    if (screenDpi != drawn_.dpi()) {
        RECT now;
        GetWindowRect(hwnd_, &now);
        const RECT suggested = ClientAt({now.left, now.top}, screenDpi);
        SendMessageW(hwnd_, WM_DPICHANGED, MAKEWPARAM(screenDpi, screenDpi),
                     reinterpret_cast<LPARAM>(&suggested));
    }
    return hwnd_ != nullptr;
}

void Form1::MakeFonts(UINT dpi) {
    // The controls get the new fonts before the old ones go.
    UniqueFont qq = CreateDesignFont(kQQFont, dpi);
    UniqueFont label = CreateDesignFont(kLabelFont, dpi);
    UniqueFont button = CreateDesignFont(kButtonFont, dpi);
    // The table and the tips keep their own (the system's) fonts at the
    // system's scale, until the window has been at another: then they get
    // those fonts at each scale. The list view hands its font to its header.
    const bool systemFonts = dpi != SystemDpi() || listFont_;
    UniqueFont list = systemFonts ? CreateSystemFont(SystemFont::IconTitle, dpi) : UniqueFont();
    UniqueFont tips = systemFonts ? CreateSystemFont(SystemFont::Status, dpi) : UniqueFont();
    const std::pair<HWND, HFONT> uses[] = {{QQ_, qq.get()},
                                           {Command1_, button.get()},
                                           {Command2_, button.get()},
                                           {Command3_, button.get()},
                                           {Command4_, button.get()},
                                           {summary_, label.get()},
                                           {list ? ListView1_ : nullptr, list.get()},
                                           {tips ? toolTips_ : nullptr, tips.get()}};
    for (const auto& [control, font] : uses)
        if (control)
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    qqFont_ = std::move(qq);
    labelFont_ = std::move(label);
    buttonFont_ = std::move(button);
    if (systemFonts) {
        listFont_ = std::move(list);
        tipsFont_ = std::move(tips);
    }
}

// Everything that depends on the scale, again: fonts, every control's place
// (the skin draws a resized button's faces afresh, in its new font), the
// table's columns, the labels' and pictures' areas and the window's shape.
void Form1::ApplyDpi(UINT dpi) {
    drawn_.SetDpi(dpi);
    MakeFonts(dpi);
    for (const auto& [id, place] : kPlaces) {
        const RECT r = PixelRect(place, dpi);
        SetWindowPos(GetDlgItem(hwnd_, id), nullptr, r.left, r.top, r.right - r.left,
                     r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (Header_GetItemCount(ListView_GetHeader(ListView1_)) > 0)
        LayOutColumns();
    SetWindowRgn(hwnd_, pictures::CreateWindowShape(dpi), TRUE);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

LRESULT Form1::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        lease_.Take();
        CreateControls();
        query_ = std::make_unique<QueryRunner>(hwnd_, WM_QUERY_FINISHED, httpOptions_);
        WP1_ = std::make_unique<MediaPlayer>(hwnd_, WM_PLAYER_NOTIFY, audio_);
        Form_Load();
        RestoreSettings();
        FollowHighContrast();
        return 0;
    case WM_CLOSE:
        Unload();
        return 0;
    case WM_COMMAND:
        OnCommand(wParam);
        return 0;
    case WM_NOTIFY:
        OnNotify(*reinterpret_cast<NMHDR*>(lParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        OnMouse(msg, lParam);
        return 0;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(hwnd_, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client,
                 highContrast_ ? GetSysColorBrush(COLOR_WINDOW) : formBrush_.get());
        return 1;
    }
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETHIGHCONTRAST || wParam == 0)
            FollowHighContrast();
        break;
    case WM_CTLCOLOREDIT:
        if (reinterpret_cast<HWND>(lParam) == QQ_ && !highContrast_) {
            const HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kQQTextColor);
            SetBkColor(dc, kFormBackColor);
            return reinterpret_cast<LRESULT>(qqBrush_.get());
        }
        break;
    case WM_TIMER:
        if (wParam == kTimer1Id)
            Timer1_Timer();
        if (wParam == kAfterFirstFrameTimerId) {
            KillTimer(hwnd_, kAfterFirstFrameTimerId);
            KeyOutBackground();
            GiveIcons();
            AddToolTips();
        }
        return 0;
    case WM_QUERY_FINISHED:
        if (query_)
            if (std::optional<MusicListAnswer> answer = query_->Finish(wParam))
                OnQueryFinished(std::move(*answer));
        return 0;
    case WM_PLAYER_NOTIFY:
        if (WP1_ && WP1_->OnNotify(wParam, lParam))
            WP1_OpenStateChange();
        return 0;
    case WM_NOTICE_CLOSED_ITSELF:
        SetTimer1(false);
        return 0;
    case WM_SAVE_CHANGED:
        OnSaveChanged();
        return 0;
    case WM_ACCESSIBLE_ACTION:
        RunAccessibleAction(static_cast<size_t>(wParam));
        return 0;
    case WM_GETOBJECT:
        return OnGetObject(wParam, lParam);
    case WM_DPICHANGED: {
        // Moved to a screen of another scale: where the system suggests, at
        // the size the design has there.
        const UINT dpi = LOWORD(wParam);
        const RECT at = ClientAt({reinterpret_cast<const RECT*>(lParam)->left,
                                  reinterpret_cast<const RECT*>(lParam)->top},
                                 dpi);
        SetWindowPos(hwnd_, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (dpi && dpi != drawn_.dpi())
            ApplyDpi(dpi);
        return 0;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_KEYMENU && lParam == L' ') {
            ShowSystemMenu();
            return 0;
        }
        break;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == ListView1_) {
            ListView1_ContextMenu({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
            return 0;
        }
        break;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        qqFont_.reset();
        labelFont_.reset();
        buttonFont_.reset();
        formBrush_.reset();
        qqBrush_.reset();
        bigIcon_.reset();
        smallIcon_.reset();
        lease_.Release();
        return 0;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

// Lets go of the query and the song without waiting for either: their workers
// finish on their own and find nobody to report to.
void Form1::OnDestroy() {
    Form_Unload(); // when destroyed without being unloaded first
    query_.reset();
    WP1_.reset();
    saves_.reset(); // cancels what is being saved: nothing half-written stays
    if (IsWindow(summary_))
        DestroyWindow(summary_);
    SetTimer1(false);
    RemoveWindowSubclass(QQ_, &Form1::QQProc, 0);
}

void Form1::OnCommand(WPARAM wParam) {
    struct CommandRoute {
        int id;
        WORD code;
        void (Form1::*handler)();
    };
    // The skin makes the buttons owner-drawn, and an owner-drawn button reports
    // the second click of a quick pair as a double-click: it is a click all the same.
    static constexpr CommandRoute kRoutes[] = {
        {kIdCommand1, BN_CLICKED, &Form1::Command1_Click},
        {kIdCommand1, BN_DOUBLECLICKED, &Form1::Command1_Click},
        {kIdCommand2, BN_CLICKED, &Form1::Command2_Click},
        {kIdCommand2, BN_DOUBLECLICKED, &Form1::Command2_Click},
        {kIdCommand3, BN_CLICKED, &Form1::Command3_Click},
        {kIdCommand4, BN_CLICKED, &Form1::Command4_Click},
        {kIdCommand4, BN_DOUBLECLICKED, &Form1::Command4_Click},
    };
    for (const CommandRoute& route : kRoutes)
        if (route.id == LOWORD(wParam) && route.code == HIWORD(wParam))
            return (this->*route.handler)();
}

void Form1::OnNotify(NMHDR& header) {
    struct NotifyRoute {
        int id;
        UINT code;
        void (*handler)(Form1&, NMHDR&);
    };
    static constexpr NotifyRoute kRoutes[] = {
        {kIdListView1, LVN_GETDISPINFOW,
         [](Form1& f, NMHDR& h) { f.OnGetDispInfo(reinterpret_cast<NMLVDISPINFOW&>(h)); }},
        {kIdListView1, NM_CLICK, [](Form1& f, NMHDR&) { f.ListView1_Click(); }},
        {kIdListView1, NM_DBLCLK, [](Form1& f, NMHDR&) { f.ListView1_DblClick(); }},
        {kIdListView1, LVN_KEYDOWN,
         [](Form1& f, NMHDR& h) { f.ListView1_KeyDown(reinterpret_cast<NMLVKEYDOWN&>(h).wVKey); }},
        {kIdListView1, LVN_ITEMCHANGED,
         [](Form1& f, NMHDR& h) { f.ListView1_ItemChanged(reinterpret_cast<NMLISTVIEW&>(h)); }},
        {kIdListView1, NM_RETURN, [](Form1& f, NMHDR&) { f.ListView1_DblClick(); }},
    };
    for (const NotifyRoute& route : kRoutes)
        if (static_cast<UINT_PTR>(route.id) == header.idFrom && route.code == header.code &&
            header.hwndFrom == GetDlgItem(hwnd_, route.id))
            return route.handler(*this, header);
}

void Form1::OnMouse(UINT msg, LPARAM lParam) {
    const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    const int hit = drawn_.HitTest(at);
    for (const MouseRoute& route : kMouseRoutes) {
        if (route.message != msg)
            continue;
        if (msg == WM_LBUTTONDOWN)
            pressed_ = hit;
        if (route.event == DrawnEvent::Click && std::exchange(pressed_, -1) != hit)
            return;
        if (hit < 0)
            return;
        if (const DrawnHandler handler =
                drawn_[static_cast<size_t>(hit)].handlers[static_cast<size_t>(route.event)])
            (this->*handler)();
        return;
    }
}

void Form1::CreateControls() {
    formBrush_.reset(CreateSolidBrush(kFormBackColor));
    qqBrush_.reset(CreateSolidBrush(kFormBackColor));
    const UINT dpi = drawn_.dpi();

    // The text box and the table are sunken, as the form package made them.
    QQ_ = MakeChild(hwnd_, L"EDIT", kSampleNumber, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                    kIdQQ, dpi, WS_EX_CLIENTEDGE);
    SetWindowSubclass(QQ_, &Form1::QQProc, 0, reinterpret_cast<DWORD_PTR>(this));

    const DWORD button = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    Command1_ = MakeChild(hwnd_, L"BUTTON", kCommand1Caption, button, kIdCommand1, dpi);
    Command2_ = MakeChild(hwnd_, L"BUTTON", kPauseCaption, button | WS_DISABLED, kIdCommand2,
                          dpi);
    Command3_ = MakeChild(hwnd_, L"BUTTON", kCommand3Caption, button, kIdCommand3, dpi);
    Command4_ = MakeChild(hwnd_, L"BUTTON", kCommand4Caption, button, kIdCommand4, dpi);

    // A virtual list: the rows live in rows_, so 10,000 of them are shown in
    // one step without adding items one by one.
    ListView1_ = MakeChild(hwnd_, WC_LISTVIEWW, L"",
                           WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                               LVS_SHOWSELALWAYS,
                           kIdListView1, dpi, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(ListView1_, LVS_EX_FULLROWSELECT);
    ListView_SetTextColor(ListView1_, kListTextColor);
    ListView_SetTextBkColor(ListView1_, kFormBackColor);
    ListView_SetBkColor(ListView1_, kFormBackColor);
    MakeFonts(dpi); // and hands them to the QQ box, the buttons and the table

    const DWORD listStyle = LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    List3_ = MakeChild(hwnd_, L"LISTBOX", L"", listStyle, kIdList3, dpi);
    List2_ = MakeChild(hwnd_, L"LISTBOX", L"", listStyle, kIdList2, dpi);
    List1_ = MakeChild(hwnd_, L"LISTBOX", L"", listStyle, kIdList1, dpi);
}

// The taskbar's and Alt+Tab's pictures of the window. Handing them over costs
// Wine a conversion for the X server each, so they wait for the first frame.
void Form1::GiveIcons() {
    bigIcon_.reset(LoadAppIcon(GetSystemMetrics(SM_CXICON)));
    smallIcon_.reset(LoadAppIcon(GetSystemMetrics(SM_CXSMICON)));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void Form1::AddToolTips() {
    toolTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (tipsFont_) // the window has been at another scale than the system's
        SendMessageW(toolTips_, WM_SETFONT, reinterpret_cast<WPARAM>(tipsFont_.get()), FALSE);
    const std::pair<HWND, const wchar_t*> tips[] = {
        {Command1_, kCommand1Tip},
        {Command2_, kCommand2Tip},
        {Command3_, kCommand3Tip},
        {Command4_, kCommand4Tip},
    };
    for (const auto& [control, tip] : tips) {
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE; // understood by every version of the control
        // Not TTF_SUBCLASS: the buttons' procedures are the skin's, and a
        // subclass put on top of it afterwards would be cut off when the skin
        // lets go (high contrast, closing). The message loop relays instead.
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = hwnd_;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = const_cast<wchar_t*>(tip);
        SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

LRESULT CALLBACK Form1::QQProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR self) {
    if (msg == WM_CHAR && wParam == VK_RETURN) {
        reinterpret_cast<Form1*>(self)->QQ_KeyPress(L'\r');
        return 0; // a single-line edit would only beep at it
    }
    // Its text is the number; a screen reader needs to hear what it is for.
    if (msg == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT)
        if (const LRESULT named = AnswerGetObject(hwnd, wParam, {.name = kQQAccessibleName}))
            return named;
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

int Form1::ShowMessage(const wchar_t* prompt, const wchar_t* caption, UINT flags) {
    return messageBox_(hwnd_, prompt, caption, flags);
}

void Form1::Paint() {
    // The colour key, the icons and the buttons' tips (a window of their own)
    // come once the first frame is on the screen: the system shows it when the
    // program first waits, and the timer makes it wait first. A tip shows only
    // after a hover anyway.
    if (!painted_) {
        painted_ = true;
        SetTimer(hwnd_, kAfterFirstFrameTimerId, kAfterFirstFrameMs, nullptr);
    }
    const PaintDC paint(hwnd_);
    if (highContrast_) {
        // The system's colours: a plain window with its title as text.
        RECT client;
        GetClientRect(hwnd_, &client);
        FillRect(paint.get(), &client, GetSysColorBrush(COLOR_WINDOW));
        FrameRect(paint.get(), &client, GetSysColorBrush(COLOR_WINDOWTEXT));
        SelectGuard font(paint.get(), labelFont_.get());
        SetBkMode(paint.get(), TRANSPARENT);
        SetTextColor(paint.get(), GetSysColor(COLOR_WINDOWTEXT));
        RECT title = drawn_.Area(kLabel3);
        OffsetRect(&title, Scaled(28, drawn_.dpi()), 0);
        DrawTextW(paint.get(), kTitle, -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    drawn_.Paint(paint.get(), paint.area(), labelFont_.get(), highContrast_);
}

void Form1::SetLabel(DrawnRow row, std::wstring text) {
    if (drawn_[row].text == text)
        return;
    drawn_[row].text = std::move(text);
    const RECT area = drawn_.Area(row);
    InvalidateRect(hwnd_, &area, TRUE);
    AnnounceLabel(row);
}
