#include "form1.h"

#include "form_window.h"

#include "char_refs.h"
#include "form3.h"
#include "qq_number.h"
#include "query_address.h"
#include "top_windows.h"
#include "window_text.h"

#include <commctrl.h>

#include <cmath>

namespace {

constexpr wchar_t kClassName[] = L"QzoneMusicForm1";
constexpr wchar_t kTitle[] = L"QQ空间背景音乐";
constexpr wchar_t kSampleNumber[] = L"123456789";

constexpr UINT WM_QUERY_FINISHED = WM_APP + 1;
constexpr UINT WM_PLAYER_NOTIFY = WM_APP + 2;
constexpr UINT_PTR kTimer1Id = 1;
constexpr UINT kTimer1IntervalMs = 1000;

constexpr COLORREF kFormBackColor = 0x00FFFCEE;
constexpr COLORREF kQQTextColor = 0x0000C000;
constexpr COLORREF kListTextColor = 0x00BE9507;
constexpr COLORREF kCaptionColor = 0x008C581A;
constexpr COLORREF kSongTextColor = 0x00BE9507;
constexpr COLORREF kStatusColor = 0x00BF7822;

constexpr int kTwipsPerPixel = 15;

enum ControlId : int {
    kIdQQ = 101,
    kIdCommand1,
    kIdCommand2,
    kIdListView1,
    kIdList1,
    kIdList2,
    kIdList3,
};

// Positions are designed in twips; the window works in pixels.
struct Placement {
    int left, top, width, height;
};
constexpr int Px(int twips) {
    return twips / kTwipsPerPixel;
}

constexpr Placement kClient{0, 0, 8910, 4920};
constexpr Placement kQQPlace{120, 480, 1575, 375};
constexpr Placement kCommand1Place{1800, 480, 615, 375};
constexpr Placement kCommand2Place{2520, 480, 615, 375};
constexpr Placement kListView1Place{120, 1200, 8775, 3255};
// The hidden lists lie outside the client area and are never shown.
constexpr Placement kList3Place{9000, 0, 1200, 600};
constexpr Placement kList2Place{9000, 600, 1200, 600};
constexpr Placement kList1Place{9000, 1200, 1200, 600};

// Labels are drawn by the window itself, transparent over its background.
// An auto-sized label grows to the right with its text.
struct LabelDesign {
    Placement place;
    COLORREF color;
    bool autoSize;
};
constexpr LabelDesign kLabel1{{4920, 480, 390, 180}, kCaptionColor, true};
constexpr LabelDesign kLabel2{{4920, 720, 390, 180}, kCaptionColor, true};
constexpr LabelDesign kLabel4{{120, 960, 390, 180}, kCaptionColor, true};
constexpr LabelDesign kGqm{{5400, 480, 105, 180}, kSongTextColor, true};
constexpr LabelDesign kGq{{5400, 720, 105, 180}, kSongTextColor, true};
constexpr LabelDesign kGuRL{{600, 960, 8220, 180}, kSongTextColor, false};
constexpr LabelDesign kLabel8{{120, 4560, 105, 180}, kStatusColor, true};

// The caption under which a click pauses, and the one under which it plays.
// While a song plays the poll writes the first, so one click pauses.
constexpr wchar_t kPauseCaption[] = L"播/暂";
constexpr wchar_t kPlayCaption[] = L"暂/播";

struct Column {
    const wchar_t* text;
};
constexpr Column kColumns[] = {{L"编号"}, {L"歌曲"}, {L"歌手"}, {L"地址"}};

constexpr wchar_t kBadNumberPrompt[] = L"QQ号为5至10位数字";
constexpr wchar_t kLoadFailedPrompt[] = L"获取歌曲列表失败，请检查网络后重试";
constexpr wchar_t kErrorCaption[] = L"错误";
constexpr wchar_t kNoSongsPrompt[] = L"对不起，该好友没有歌曲，请重新搜索！";
constexpr wchar_t kNoSongsCaption[] = L"搜索失败";
constexpr wchar_t kCopiedPrompt[] = L"复制成功！";
constexpr wchar_t kCopiedCaption[] = L"复制";
constexpr wchar_t kStatusCannotPlay[] = L"准备就绪";
constexpr wchar_t kStatusPlaying[] = L"正在播放";

HWND MakeChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, Placement p,
               int id) {
    return CreateWindowExW(0, cls, text, WS_CHILD | style, Px(p.left), Px(p.top), Px(p.width),
                           Px(p.height), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

// Column widths come in twips; the list view takes pixels. Ties go to the
// even pixel, as everywhere else in the tool.
int TwipsToPixels(double twips) {
    return static_cast<int>(std::nearbyint(twips / kTwipsPerPixel));
}

RECT PixelRect(const Placement& p) {
    return {Px(p.left), Px(p.top), Px(p.left + p.width), Px(p.top + p.height)};
}

// The area a label may cover: an auto-sized one up to the right edge.
RECT LabelArea(const LabelDesign& label) {
    RECT area = PixelRect(label.place);
    if (label.autoSize)
        area.right = Px(kClient.width);
    return area;
}

bool PutTextOnClipboard(HWND owner, const std::wstring& text) {
    if (!OpenClipboard(owner))
        return false;
    EmptyClipboard();
    bool done = false;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* target = GlobalLock(memory)) {
            memcpy(target, text.c_str(), bytes);
            GlobalUnlock(memory);
            done = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
        if (!done)
            GlobalFree(memory); // the clipboard owns it only once it took it
    }
    CloseClipboard();
    return done;
}

} // namespace

Form1::Form1(std::wstring serviceBase, HttpOptions http, AudioOutputFactory audio)
    : serviceBase_(std::move(serviceBase)), httpOptions_(http),
      messageBox_([](HWND owner, const wchar_t* prompt, const wchar_t* caption, UINT flags) {
          return MessageBoxW(owner, prompt, caption, flags);
      }),
      audio_(audio ? std::move(audio) : [] { return std::make_unique<WaveOutput>(); }) {}

Form1::~Form1() {
    if (hwnd_)
        DestroyWindow(hwnd_);
    if (http_)
        http_->Cancel();
    if (worker_.joinable())
        worker_.join();
}

bool Form1::Create() {
    const ATOM atom = RegisterFormClass<Form1>(kClassName, CS_DBLCLKS);
    if (!atom)
        return false;

    // Borderless: the window draws its own title strip.
    RECT frame{0, 0, Px(kClient.width), Px(kClient.height)};
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    CreateWindowExW(0, kClassName, kTitle, style, x, y, width, height, nullptr, nullptr,
                    GetModuleHandleW(nullptr), this);
    return hwnd_ != nullptr;
}

LRESULT Form1::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        TopWindowOpened();
        CreateControls();
        WP1_ = std::make_unique<MediaPlayer>(hwnd_, WM_PLAYER_NOTIFY, audio_);
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kIdCommand1)
            Command1_Click();
        else if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kIdCommand2)
            Command2_Click();
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom != ListView1_)
            return 0;
        if (header->code == LVN_GETDISPINFOW)
            OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
        else if (header->code == NM_CLICK)
            ListView1_Click();
        else if (header->code == NM_DBLCLK)
            ListView1_DblClick();
        return 0;
    }
    case WM_PAINT:
        Paint();
        return 0;
    case WM_LBUTTONDBLCLK: {
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const RECT gurl = GuRLRect();
        if (PtInRect(&gurl, at))
            GuRL_DblClick();
        return 0;
    }
    case WM_TIMER:
        if (wParam == kTimer1Id)
            Timer1_Timer();
        return 0;
    case WM_PLAYER_NOTIFY:
        if (WP1_ && WP1_->OnNotify(wParam, lParam))
            WP1_OpenStateChange();
        return 0;
    case WM_CTLCOLOREDIT:
        if (reinterpret_cast<HWND>(lParam) == QQ_) {
            const HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kQQTextColor);
            SetBkColor(dc, kFormBackColor);
            return reinterpret_cast<LRESULT>(backBrush_.get());
        }
        break;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(hwnd_, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, backBrush_.get());
        return 1;
    }
    case WM_QUERY_FINISHED:
        OnQueryFinished();
        return 0;
    case WM_DESTROY:
        if (http_)
            http_->Cancel();
        if (worker_.joinable())
            worker_.join();
        queryRunning_ = false;
        WP1_.reset(); // ends the song, its download and its thread
        Form3::ForgetMainWindow();
        SetTimer1(false);
        RemoveWindowSubclass(QQ_, &Form1::QQProc, 0);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        qqFont_.reset();
        labelFont_.reset();
        backBrush_.reset();
        TopWindowClosed();
        return 0;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

void Form1::CreateControls() {
    backBrush_.reset(CreateSolidBrush(kFormBackColor));
    LOGFONTW font{};
    font.lfHeight = -MulDiv(12, 96, 72);
    font.lfWeight = FW_BOLD;
    font.lfCharSet = GB2312_CHARSET;
    wcscpy_s(font.lfFaceName, L"宋体");
    qqFont_.reset(CreateFontIndirectW(&font));
    font.lfHeight = -MulDiv(9, 96, 72);
    labelFont_.reset(CreateFontIndirectW(&font));

    QQ_ = MakeChild(hwnd_, L"EDIT", kSampleNumber,
                    WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, kQQPlace, kIdQQ);
    SendMessageW(QQ_, WM_SETFONT, reinterpret_cast<WPARAM>(qqFont_.get()), FALSE);
    SetWindowSubclass(QQ_, &Form1::QQProc, 0, reinterpret_cast<DWORD_PTR>(this));

    Command1_ = MakeChild(hwnd_, L"BUTTON", L"查询", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                          kCommand1Place, kIdCommand1);
    Command2_ =
        MakeChild(hwnd_, L"BUTTON", L"播/暂", WS_VISIBLE | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON,
                  kCommand2Place, kIdCommand2);

    // A virtual list: the rows live in rows_, so 10,000 of them are shown in
    // one step without adding items one by one.
    ListView1_ = MakeChild(hwnd_, WC_LISTVIEWW, L"",
                           WS_VISIBLE | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_OWNERDATA |
                               LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                           kListView1Place, kIdListView1);
    ListView_SetExtendedListViewStyle(ListView1_, LVS_EX_FULLROWSELECT);
    ListView_SetTextColor(ListView1_, kListTextColor);
    ListView_SetTextBkColor(ListView1_, kFormBackColor);
    ListView_SetBkColor(ListView1_, kFormBackColor);

    const DWORD listStyle = LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    List3_ = MakeChild(hwnd_, L"LISTBOX", L"", listStyle, kList3Place, kIdList3);
    List2_ = MakeChild(hwnd_, L"LISTBOX", L"", listStyle, kList2Place, kIdList2);
    List1_ = MakeChild(hwnd_, L"LISTBOX", L"", listStyle, kList1Place, kIdList1);
}

LRESULT CALLBACK Form1::QQProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR self) {
    if (msg == WM_CHAR && wParam == VK_RETURN) {
        reinterpret_cast<Form1*>(self)->QQ_KeyPress(L'\r');
        return 0; // a single-line edit would only beep at it
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

void Form1::QQ_KeyPress(wchar_t key) {
    if (key == L'\r')
        Command1_Click();
}

int Form1::ShowMessage(const wchar_t* prompt, const wchar_t* caption, UINT flags) {
    return messageBox_(hwnd_, prompt, caption, flags);
}

void Form1::Command1_Click() {
    // The query is one step: a second one waits until the first has ended.
    if (queryRunning_)
        return;
    const std::wstring typed = WindowText(QQ_);
    if (!IsAcceptedQQNumber(typed)) {
        ShowMessage(kBadNumberPrompt, kErrorCaption, MB_OK | MB_ICONSTOP);
        return;
    }
    ClearTable();

    queryRunning_ = true;
    http_ = std::make_shared<HttpClient>(httpOptions_);
    const std::wstring address = BuildQueryAddress(serviceBase_, typed);
    worker_ = std::thread([this, http = http_, address, hwnd = hwnd_] {
        answer_ = FetchMusicList(*http, address);
        PostMessageW(hwnd, WM_QUERY_FINISHED, 0, 0);
    });
}

void Form1::OnQueryFinished() {
    if (worker_.joinable())
        worker_.join();
    http_.reset();
    timings_ = answer_.timings;
    MusicDocLoaded_ = answer_.loaded;

    Stopwatch watch;
    if (MusicDocLoaded_) {
        FillList(List1_, answer_.addresses);
        sing();
        song();
    } else {
        // Never show the songs of an earlier query as this number's answer.
        answer_ = MusicListAnswer{};
        for (HWND list : {List1_, List2_, List3_})
            SendMessageW(list, LB_RESETCONTENT, 0, 0);
    }
    timings_.fillLists = watch.Lap();

    LayOutColumns();
    加载列表();
    timings_.fillTable = watch.Lap(); // columns and rows

    EnableWindow(Command2_, TRUE);
    EnableWindow(ListView1_, TRUE);
    SetTimer1(true);
    queryRunning_ = false;
    if (!MusicDocLoaded_)
        ShowMessage(kLoadFailedPrompt, kErrorCaption, MB_OK | MB_ICONSTOP);
}

void Form1::FillList(HWND list, const std::vector<std::wstring>& items) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    size_t bytes = 0;
    for (const std::wstring& item : items)
        bytes += (item.size() + 1) * sizeof(wchar_t);
    SendMessageW(list, LB_INITSTORAGE, items.size(), static_cast<LPARAM>(bytes));
    for (const std::wstring& item : items)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

void Form1::sing() {
    if (MusicDocLoaded_)
        FillList(List2_, answer_.singers);
}

void Form1::song() {
    if (MusicDocLoaded_)
        FillList(List3_, answer_.names);
}

void Form1::ClearTable() {
    rows_.clear();
    ListView_SetItemCountEx(ListView1_, 0, 0);
    while (ListView_DeleteColumn(ListView1_, 0)) {
    }
}

void Form1::LayOutColumns() {
    // The designed widths are fractions of the table width in twips; the
    // first three were computed in single precision, the last in double.
    RECT box;
    GetWindowRect(ListView1_, &box);
    const double W = static_cast<double>(box.right - box.left) * kTwipsPerPixel;
    const float Wf = static_cast<float>(W);
    const double widths[] = {Wf / 20.0f, Wf / 6.0f, Wf / 9.0f, W / 1.7};

    while (ListView_DeleteColumn(ListView1_, 0)) {
    }
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(kColumns[i].text);
        column.cx = TwipsToPixels(widths[i]);
        column.iSubItem = i;
        ListView_InsertColumn(ListView1_, i, &column);
    }
}

void Form1::加载列表() {
    const size_t count = answer_.addresses.size();
    auto entry = [](const std::vector<std::wstring>& list, size_t i) {
        return i < list.size() ? list[i] : std::wstring();
    };
    rows_.clear();
    rows_.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        rows_.push_back({std::to_wstring(i + 1), entry(answer_.names, i), entry(answer_.singers, i),
                         RemoveLastCharacter(answer_.addresses[i])});
    }
    ListView_SetItemCountEx(ListView1_, static_cast<int>(rows_.size()), 0);
    InvalidateRect(ListView1_, nullptr, TRUE);
}

void Form1::OnGetDispInfo(NMLVDISPINFOW& info) const {
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || item.iItem < 0 ||
        static_cast<size_t>(item.iItem) >= rows_.size() || !item.pszText || item.cchTextMax <= 0)
        return;
    const SongRecord& row = rows_[static_cast<size_t>(item.iItem)];
    const std::wstring* cells[] = {&row.number, &row.name, &row.singer, &row.address};
    if (item.iSubItem < 0 || item.iSubItem > 3)
        return;
    lstrcpynW(item.pszText, cells[item.iSubItem]->c_str(), item.cchTextMax);
}

void Form1::SetTimer1(bool enabled) {
    if (!hwnd_)
        return;
    if (enabled)
        SetTimer(hwnd_, kTimer1Id, kTimer1IntervalMs, nullptr);
    else
        KillTimer(hwnd_, kTimer1Id);
    timer1Enabled_ = enabled;
}

RECT Form1::GuRLRect() {
    return PixelRect(kGuRL.place);
}

void Form1::Paint() {
    const PaintDC paint(hwnd_);
    const HDC dc = paint.get();
    SelectGuard font(dc, labelFont_.get());
    SetBkMode(dc, TRANSPARENT);
    const struct {
        const LabelDesign& design;
        const wchar_t* text;
    } labels[] = {
        {kLabel1, L"歌曲"},         {kLabel2, L"歌手"}, {kLabel4, L"出处"},
        {kGqm, gqm_.c_str()},       {kGq, gq_.c_str()}, {kGuRL, GuRL_.c_str()},
        {kLabel8, Label8_.c_str()},
    };
    for (const auto& label : labels) {
        RECT area = LabelArea(label.design);
        SetTextColor(dc, label.design.color);
        DrawTextW(dc, label.text, -1, &area,
                  DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX |
                      (label.design.autoSize ? 0u : static_cast<UINT>(DT_END_ELLIPSIS)));
    }
}

void Form1::SetLabel(std::wstring& label, const RECT& area, std::wstring text) {
    if (label == text)
        return;
    label = std::move(text);
    InvalidateRect(hwnd_, &area, TRUE);
}

int Form1::SelectedRow() const {
    const int row = ListView_GetNextItem(ListView1_, -1, LVNI_SELECTED);
    return row >= 0 && static_cast<size_t>(row) < rows_.size() ? row : -1;
}

void Form1::ListView1_Click() {
    const int row = SelectedRow();
    if (row >= 0) {
        const SongRecord& song = rows_[static_cast<size_t>(row)];
        SetLabel(gqm_, LabelArea(kGqm), song.name);
        SetLabel(gq_, LabelArea(kGq), song.singer);
        SetLabel(GuRL_, LabelArea(kGuRL), song.address);
        return;
    }
    // A click beside the rows of a filled table only clears the selection;
    // the friend has no songs only when the table is empty.
    if (!rows_.empty())
        return;
    ShowMessage(kNoSongsPrompt, kNoSongsCaption, MB_OK | MB_ICONSTOP);
    EnableWindow(ListView1_, FALSE);
    EnableWindow(Command2_, FALSE);
}

void Form1::ListView1_DblClick() {
    const int row = SelectedRow();
    if (row < 0 || !WP1_)
        return;
    WP1_->stop();
    WP1_->SetURL(rows_[static_cast<size_t>(row)].address);
    WP1_->play();
}

void Form1::Command2_Click() {
    if (!WP1_)
        return;
    const std::wstring caption = WindowText(Command2_);
    if (caption == kPauseCaption) {
        SetWindowTextW(Command2_, kPlayCaption);
        WP1_->pause();
    } else if (caption == kPlayCaption) {
        WP1_->play();
        SetWindowTextW(Command2_, kPauseCaption);
    }
}

void Form1::WP1_OpenStateChange() {
    SetTimer1(true);
}

void Form1::Timer1_Timer() {
    if (!WP1_)
        return;
    SetLabel(Label8_, LabelArea(kLabel8), WP1_->status());
    if (WP1_->status().find(kStatusCannotPlay) != std::wstring::npos) {
        Form3::Show(hwnd_, [this] { SetTimer1(false); });
        return;
    }
    if (WP1_->status().find(kStatusPlaying) != std::wstring::npos)
        SetWindowTextW(Command2_, kPauseCaption);
}

void Form1::GuRL_DblClick() {
    PutTextOnClipboard(hwnd_, GuRL_);
    ShowMessage(kCopiedPrompt, kCopiedCaption, MB_OK | MB_ICONINFORMATION);
}
