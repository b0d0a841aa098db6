// Form1: the song table's clicks, the play/pause button, the status poll and
// the copy of an address.
#include "form1.h"

#include "form1_design.h"
#include "form3.h"
#include "window_text.h"

#include <commctrl.h>

using namespace form1_design;


namespace {

// Another program may hold the clipboard for a moment; it is asked again a few
// times before the copy counts as failed.
constexpr int kClipboardAttempts = 10;
constexpr DWORD kClipboardPauseMs = 30;

} // namespace

bool PutTextOnClipboard(HWND owner, const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return false;
    if (void* target = GlobalLock(memory)) {
        memcpy(target, text.c_str(), bytes);
        GlobalUnlock(memory);
    }
    bool opened = false;
    for (int attempt = 0; attempt < kClipboardAttempts && !opened; ++attempt) {
        opened = OpenClipboard(owner);
        if (!opened)
            Sleep(kClipboardPauseMs);
    }
    bool done = false;
    if (opened) {
        EmptyClipboard();
        done = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        CloseClipboard();
    }
    if (!done)
        GlobalFree(memory); // the clipboard owns it only once it took it
    return done;
}

int Form1::SelectedRow() const {
    const int row = ListView_GetNextItem(ListView1_, -1, LVNI_SELECTED);
    return row >= 0 && static_cast<size_t>(row) < rows_.size() ? row : -1;
}

void Form1::ListView1_Click() {
    // The table is being filled: what it shows now is not the friend's list.
    if (QueryRunning())
        return;
    const int row = SelectedRow();
    if (row >= 0) {
        const SongRecord& song = rows_[static_cast<size_t>(row)];
        SetLabel(kGqm, song.name);
        SetLabel(kGq, song.singer);
        SetLabel(kGuRL, song.address);
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
    playingRow_ = row;
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
    if (WP1_ && WP1_->state() != seenState_) {
        seenState_ = WP1_->state();
        PlayOnAfter(seenState_);
    }
}

void Form1::Timer1_Timer() {
    if (!WP1_)
        return;
    // A save shows its progress, and then its result for a while, instead.
    if (!Saving() && GetTickCount64() >= saveShownUntil_)
        SetLabel(kLabel8, WP1_->status());
    switch (WP1_->state()) {
    case PlayerState::Failed: // the status reads "准备就绪"
        Form3::Show(hwnd_, WM_NOTICE_CLOSED_ITSELF, drawn_.dpi());
        break;
    case PlayerState::Playing: // "正在播放"
        // Only a change is written: every caption re-renders the skinned
        // button's faces, which would cut a hover fade short each second.
        if (WindowText(Command2_) != kPauseCaption)
            SetWindowTextW(Command2_, kPauseCaption);
        break;
    default:
        break;
    }
}

// Enabling a running timer leaves it running on its own beat, as the form
// package's timer does: reports that come faster than the poll must not keep
// putting its next tick off.
void Form1::SetTimer1(bool enabled) {
    if (!hwnd_ || (enabled && timer1Enabled_))
        return;
    if (enabled)
        SetTimer(hwnd_, kTimer1Id, kTimer1IntervalMs, nullptr);
    else
        KillTimer(hwnd_, kTimer1Id);
    timer1Enabled_ = enabled;
}

void Form1::GuRL_DblClick() {
    if (PutTextOnClipboard(hwnd_, GuRL()))
        ShowMessage(kCopiedPrompt, kCopyCaption, MB_OK | MB_ICONINFORMATION);
    else
        ShowMessage(kCopyFailedPrompt, kCopyCaption, MB_OK | MB_ICONEXCLAMATION);
}
