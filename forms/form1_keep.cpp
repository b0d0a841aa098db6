// Form1: keeping the songs. The table's context menu (the right button on a
// row, the Menu key, Shift+F10) and its shortcuts (Ctrl+S, Ctrl+C) save one
// song or all of them, export the list, copy or open addresses, and switch
// playing on from one song to the next. The designed window stays as it is:
// progress and results show in the status label, a batch's summary in a
// window of its own.
#include "form1.h"

#include "file_names.h"
#include "form1_design.h"
#include "form3.h"
#include "list_export.h"
#include "qq_number.h"
#include "whole_file.h"
#include "window_text.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <filesystem>

using namespace form1_design;

namespace {

enum MenuId : UINT {
    kMenuSaveSong = 101,
    kMenuSaveAll,
    kMenuExport,
    kMenuCopy,
    kMenuCopyAll,
    kMenuOpen,
    kMenuPlayOn,
    kMenuCancelSaves,
};

constexpr size_t kSavesAtOnce = 2;

std::wstring FolderOf(const std::wstring& path) {
    return std::filesystem::path(path).parent_path().wstring();
}

std::wstring FileNameOf(const std::wstring& path) {
    return std::filesystem::path(path).filename().wstring();
}

} // namespace

void Form1::ListView1_ContextMenu(POINT screen) {
    if (QueryRunning())
        return;
    const int row = SelectedRow();
    if (screen.x == -1 && screen.y == -1) { // from the keyboard: at the selected row
        RECT place{};
        if (row < 0 || !ListView_GetItemRect(ListView1_, row, &place, LVIR_LABEL))
            GetClientRect(ListView1_, &place);
        screen = {place.left, place.bottom};
        ClientToScreen(ListView1_, &screen);
    }
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    auto enabled = [](bool on) { return MF_STRING | (on ? MF_ENABLED : MF_GRAYED); };
    const UINT oneSong = enabled(row >= 0);
    const UINT anySong = enabled(!rows_.empty());
    AppendMenuW(menu, enabled(row >= 0 && !Saving()), kMenuSaveSong, L"保存歌曲…\tCtrl+S");
    AppendMenuW(menu, enabled(!rows_.empty() && !Saving()), kMenuSaveAll, L"全部保存…");
    if (Saving())
        AppendMenuW(menu, MF_STRING, kMenuCancelSaves, L"取消保存");
    AppendMenuW(menu, anySong, kMenuExport, L"导出列表…");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, oneSong, kMenuCopy, L"复制地址\tCtrl+C");
    AppendMenuW(menu, anySong, kMenuCopyAll, L"复制全部地址");
    AppendMenuW(menu, oneSong, kMenuOpen, L"在浏览器中打开");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | (playOn_ ? MF_CHECKED : MF_UNCHECKED), kMenuPlayOn, L"连续播放");
    const UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                       screen.x, screen.y, 0, hwnd_, nullptr);
    DestroyMenu(menu);
    RunMenuCommand(chosen);
}

void Form1::RunMenuCommand(UINT id) {
    switch (id) {
    case kMenuSaveSong:
        SaveSelectedSong();
        break;
    case kMenuSaveAll:
        SaveAllSongs();
        break;
    case kMenuExport:
        ExportSongList();
        break;
    case kMenuCopy:
        CopySelectedAddress();
        break;
    case kMenuCopyAll:
        CopyAllAddresses();
        break;
    case kMenuOpen:
        OpenSelectedInBrowser();
        break;
    case kMenuPlayOn:
        SetPlayOn(!playOn_);
        break;
    case kMenuCancelSaves:
        if (saves_)
            saves_->Cancel();
        break;
    default:
        break;
    }
}

bool Form1::ListView1_KeyDown(WORD key) {
    if (QueryRunning())
        return false;
    if (key == VK_SPACE && !(GetKeyState(VK_CONTROL) & 0x8000)) {
        if (IsWindowEnabled(Command2_))
            Command2_Click(); // pauses and resumes, as 播/暂 does
        return true;
    }
    if (!(GetKeyState(VK_CONTROL) & 0x8000))
        return false;
    if (key == 'S') {
        SaveSelectedSong();
        return true;
    }
    if (key == 'C') {
        CopySelectedAddress();
        return true;
    }
    return false;
}

bool Form1::Saving() const {
    return saves_ && saves_->Running();
}

void Form1::SaveSelectedSong() {
    const int row = SelectedRow();
    if (row < 0 || Saving())
        return;
    const SongRecord& song = rows_[static_cast<size_t>(row)];
    const std::wstring extension = AudioExtension(song.address);
    FileChoice choice;
    choice.title = L"保存歌曲";
    choice.proposedName = SongFileStem(song.singer, song.name, row + 1) + extension;
    choice.folder = settings_.Text(kSaveFolder);
    choice.types = {{L"音乐文件", L"*" + extension}, {L"所有文件", L"*.*"}};
    const std::optional<FileChosen> chosen = filePicker_(hwnd_, choice);
    if (!chosen)
        return;
    settings_.SetText(kSaveFolder, FolderOf(chosen->path));
    StartSaves({{song.address, chosen->path}}, {song.name});
}

void Form1::SaveAllSongs() {
    if (rows_.empty() || Saving())
        return;
    FileChoice choice;
    choice.kind = FileChoice::Kind::PickFolder;
    choice.title = L"全部保存到";
    choice.folder = settings_.Text(kSaveFolder);
    const std::optional<FileChosen> chosen = filePicker_(hwnd_, choice);
    if (!chosen)
        return;
    settings_.SetText(kSaveFolder, chosen->path);
    std::vector<SaveRequest> requests;
    std::vector<std::wstring> titles;
    std::vector<std::wstring> taken; // two songs of one name get two files
    for (size_t i = 0; i < rows_.size(); ++i) {
        const SongRecord& song = rows_[i];
        std::wstring stem = SongFileStem(song.singer, song.name, static_cast<int>(i) + 1);
        std::wstring unique = stem;
        for (int n = 2; std::find_if(taken.begin(), taken.end(), [&](const std::wstring& t) {
                            return CompareStringOrdinal(t.c_str(), -1, unique.c_str(), -1, TRUE) ==
                                   CSTR_EQUAL;
                        }) != taken.end();
             ++n)
            unique = stem + L" (" + std::to_wstring(n) + L")";
        taken.push_back(unique);
        requests.push_back({song.address, (std::filesystem::path(chosen->path) / unique).wstring(),
                            true, true});
        titles.push_back(song.name.empty() ? unique : song.name);
    }
    StartSaves(std::move(requests), std::move(titles));
}

void Form1::StartSaves(std::vector<SaveRequest> requests, std::vector<std::wstring> titles) {
    if (!saves_)
        saves_ = std::make_unique<SaveQueue>(hwnd_, WM_SAVE_CHANGED, saveHttp_);
    savingAll_ = requests.size() > 1 || requests.front().addExtension;
    saveTitles_ = std::move(titles);
    if (!saves_->Start(std::move(requests), kSavesAtOnce)) {
        SetLabel(kLabel8, L"保存失败: 系统资源不足");
        return;
    }
    SetLabel(kLabel8, L"正在保存 0%");
}

void Form1::OnSaveChanged() {
    if (!saves_)
        return;
    const SaveQueue::State state = saves_->Snapshot();
    if (state.running) {
        const int percent = static_cast<int>(state.fraction * 100);
        std::wstring text = L"正在保存 " + std::to_wstring(percent) + L"%";
        if (savingAll_)
            text += L" (" + std::to_wstring(state.ended) + L"/" + std::to_wstring(state.songs) + L")";
        SetLabel(kLabel8, text);
        return;
    }
    if (state.results.empty())
        return;
    saveShownUntil_ = GetTickCount64() + 5000;
    if (savingAll_) {
        const std::wstring summary = SaveSummary(state, saveTitles_);
        SetLabel(kLabel8, summary.substr(0, summary.find(L'\r')));
        ShowSaveSummary(summary);
        return;
    }
    const SaveResult& result = state.results.front();
    switch (result.outcome) {
    case SaveResult::Outcome::Saved:
        SetLabel(kLabel8, L"已保存: " + FileNameOf(result.path));
        break;
    case SaveResult::Outcome::Cancelled:
        SetLabel(kLabel8, L"已取消保存");
        break;
    default:
        SetLabel(kLabel8, L"保存失败: " + result.reason);
        break;
    }
}

// A window of its own, never in the way: the summary can be read, selected
// and copied, and closed when the user likes.
void Form1::ShowSaveSummary(const std::wstring& text) {
    if (IsWindow(summary_))
        DestroyWindow(summary_);
    summary_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"EDIT", L"全部保存",
                               WS_OVERLAPPEDWINDOW | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                                   ES_AUTOVSCROLL,
                               CW_USEDEFAULT, CW_USEDEFAULT, Scaled(420, drawn_.dpi()),
                               Scaled(260, drawn_.dpi()), nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!summary_)
        return;
    SendMessageW(summary_, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.get()), FALSE);
    SetWindowTextW(summary_, text.c_str());
    ShowWindow(summary_, SW_SHOWNOACTIVATE);
}

void Form1::ExportSongList() {
    if (rows_.empty())
        return;
    FileChoice choice;
    choice.title = L"导出列表";
    choice.proposedName = SafeFileName(WindowText(QQ_)) + L".m3u8";
    choice.folder = settings_.Text(kSaveFolder);
    choice.types = {{L"M3U8 播放列表", L"*.m3u8"}, {L"CSV 表格 (UTF-8)", L"*.csv"},
                    {L"文本 (每行一个地址)", L"*.txt"}};
    const std::optional<FileChosen> chosen = filePicker_(hwnd_, choice);
    if (!chosen)
        return;
    settings_.SetText(kSaveFolder, FolderOf(chosen->path));
    constexpr ExportFormat kFormats[] = {ExportFormat::M3u8, ExportFormat::Csv, ExportFormat::Text};
    std::vector<ExportRow> rows;
    for (const SongRecord& song : rows_)
        rows.push_back({song.name, song.singer, song.address});
    const ExportFormat format = kFormats[std::min<unsigned>(chosen->typeIndex, 2)];
    SetLabel(kLabel8, WriteWholeFile(chosen->path, ExportList(rows, format))
                          ? L"已导出: " + FileNameOf(chosen->path)
                          : L"导出失败: 无法写入文件");
}

void Form1::CopySelectedAddress() {
    const int row = SelectedRow();
    if (row >= 0)
        SetLabel(kLabel8, PutTextOnClipboard(hwnd_, rows_[static_cast<size_t>(row)].address)
                              ? L"已复制地址"
                              : L"复制失败");
}

void Form1::CopyAllAddresses() {
    std::wstring all;
    for (const SongRecord& song : rows_)
        all += song.address + L"\r\n";
    if (!all.empty())
        SetLabel(kLabel8, PutTextOnClipboard(hwnd_, all) ? L"已复制全部地址" : L"复制失败");
}

// Only a web address is handed to the system: anything else in a stranger's
// list could name a file or a program.
void Form1::OpenSelectedInBrowser() {
    const int row = SelectedRow();
    if (row < 0)
        return;
    std::wstring address = rows_[static_cast<size_t>(row)].address;
    while (!address.empty() && address.back() == L' ')
        address.pop_back();
    if (!IsHttpAddress(address) || address.find_first_of(L"\r\n\t\" ") != std::wstring::npos) {
        SetLabel(kLabel8, L"不是网址，未打开");
        return;
    }
    ShellExecuteW(hwnd_, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Form1::SetPlayOn(bool on) {
    playOn_ = on;
    settings_.SetFlag(kPlayOn, on);
}

// With playing on: a song that ended is followed by the next row; one that
// cannot be played shows its notice, and the next row plays all the same.
void Form1::PlayOnAfter(PlayerState state) {
    if (!playOn_ || playingRow_ < 0 || (state != PlayerState::Stopped && state != PlayerState::Failed))
        return;
    if (state == PlayerState::Failed)
        Form3::Show(hwnd_, WM_PLAY_ON_NOTICE_CLOSED, drawn_.dpi());
    const int next = playingRow_ + 1;
    if (static_cast<size_t>(next) >= rows_.size()) {
        playingRow_ = -1;
        return;
    }
    ListView_SetItemState(ListView1_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(ListView1_, next, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(ListView1_, next, FALSE);
    ListView1_Click(); // shows the song, as a click does
    ListView1_DblClick();
}

// The QQ box starts with the number queried last, once there is one.
void Form1::RestoreSettings() {
    playOn_ = settings_.Flag(kPlayOn, false);
    const std::wstring last = settings_.Text(kLastQQNumber);
    if (IsAcceptedQQNumber(last) && last.size() <= 64)
        SetWindowTextW(QQ_, last.c_str());
}
