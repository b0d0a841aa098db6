// Form1: the music-list query and the song table it fills.
#include "form1.h"

#include "char_refs.h"
#include "form1_design.h"
#include "qq_number.h"
#include "query_address.h"
#include "window_text.h"

#include <commctrl.h>

#include <cmath>

using namespace form1_design;

namespace {

// Twips in a pixel at `dpi`: exactly 15 at 96.
double TwipsPerPixel(UINT dpi) {
    return static_cast<double>(kTwipsPerInch) / dpi;
}

// Column widths come in twips; the list view takes pixels. Ties go to the
// even pixel, as everywhere else in the tool.
int TwipsToPixels(double twips, UINT dpi) {
    return static_cast<int>(std::nearbyint(twips / TwipsPerPixel(dpi)));
}

} // namespace

void Form1::QQ_KeyPress(wchar_t key) {
    if (key == L'\r')
        Command1_Click();
}

void Form1::Command1_Click() {
    // The query is one step: a second one waits until the first has ended.
    if (!query_ || query_->Running())
        return;
    const std::wstring typed = WindowText(QQ_);
    if (!IsAcceptedQQNumber(typed)) {
        ShowMessage(kBadNumberPrompt, kErrorCaption, MB_OK | MB_ICONSTOP);
        return;
    }
    ClearTable();
    settings_.SetText(kLastQQNumber, typed);
    try {
        query_->Start(BuildQueryAddress(serviceBase_, typed));
    } catch (...) {
        // No thread or no memory to run it: the answer never comes.
        OnQueryFinished(MusicListAnswer{});
    }
}

void Form1::OnQueryFinished(MusicListAnswer answer) {
    MusicDocLoaded_ = answer.loaded;
    answer_ = std::move(answer);
    if (MusicDocLoaded_) {
        FillList(List1_, answer_.addresses);
        sing();
        song();
    } else {
        // Never show the songs of an earlier query as this number's answer.
        for (HWND list : {List1_, List2_, List3_})
            SendMessageW(list, LB_RESETCONTENT, 0, 0);
    }
    LayOutColumns();
    加载列表();
    answer_ = MusicListAnswer{}; // the lists and the rows hold it now

    EnableWindow(Command2_, TRUE);
    EnableWindow(ListView1_, TRUE);
    SetTimer1(true);
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
    const UINT dpi = drawn_.dpi();
    const double W = static_cast<double>(box.right - box.left) * TwipsPerPixel(dpi);
    const float Wf = static_cast<float>(W);
    const double widths[] = {Wf / 20.0f, Wf / 6.0f, Wf / 9.0f, W / 1.7};

    while (ListView_DeleteColumn(ListView1_, 0)) {
    }
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(kColumnTexts[i]);
        column.cx = TwipsToPixels(widths[i], dpi);
        column.iSubItem = i;
        ListView_InsertColumn(ListView1_, i, &column);
    }
}

void Form1::加载列表() {
    const size_t count = answer_.addresses.size();
    // The hidden lists hold their own copies by now: the texts move into the rows.
    auto entry = [](std::vector<std::wstring>& list, size_t i) {
        return i < list.size() ? std::move(list[i]) : std::wstring();
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
