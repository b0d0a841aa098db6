#pragma once
#include "audio_output.h"
#include "gdi_handles.h"
#include "http_client.h"
#include "music_query.h"
#include "player.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// One song of a query result, as a row of the song table shows it.
struct SongRecord {
    std::wstring number; // 1-based, plain decimal
    std::wstring name;
    std::wstring singer;
    std::wstring address; // as played and copied: the stored text less its last character
};

// The main window: the QQ box, the query, the song table and playback.
class Form1 {
  public:
    using MessageBoxFn =
        std::function<int(HWND owner, const wchar_t* prompt, const wchar_t* caption, UINT flags)>;

    // serviceBase: "http://host[:port]" of the music-list service. Songs play
    // through outputs made by `audio` (the system's waveOut when empty).
    explicit Form1(std::wstring serviceBase, HttpOptions http = {}, AudioOutputFactory audio = {});
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Creates the window and its controls, hidden. False if the system refused.
    bool Create();
    HWND hwnd() const { return hwnd_; }
    // Message boxes go through here; tests record them instead of blocking.
    void SetMessageBox(MessageBoxFn show) { messageBox_ = std::move(show); }

    // Controls, by their designed names.
    HWND QQ() const { return QQ_; }
    HWND Command1() const { return Command1_; }
    HWND Command2() const { return Command2_; }
    HWND ListView1() const { return ListView1_; }
    HWND List1() const { return List1_; }
    HWND List2() const { return List2_; }
    HWND List3() const { return List3_; }
    MediaPlayer* WP1() const { return WP1_.get(); }
    // The texts of the labels the window draws itself.
    const std::wstring& gqm() const { return gqm_; }
    const std::wstring& gq() const { return gq_; }
    const std::wstring& GuRL() const { return GuRL_; }
    const std::wstring& Label8() const { return Label8_; }
    // Where GuRL lies in the client area (a double-click there copies).
    static RECT GuRLRect();

    // Event handlers.
    void Command1_Click();
    void Command2_Click();
    void QQ_KeyPress(wchar_t key);
    void ListView1_Click();
    void ListView1_DblClick();
    void WP1_OpenStateChange();
    void Timer1_Timer();
    void GuRL_DblClick();

    bool QueryRunning() const { return queryRunning_; }
    bool MusicDocLoaded() const { return MusicDocLoaded_; }
    bool Timer1Enabled() const { return timer1Enabled_; }
    const std::vector<SongRecord>& Rows() const { return rows_; }
    const QueryTimings& LastQueryTimings() const { return timings_; }

  private:
    template <typename Form> friend LRESULT CALLBACK FormWindowProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK QQProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void Paint();
    // Sets a label's text and repaints the area it may cover.
    void SetLabel(std::wstring& label, const RECT& area, std::wstring text);
    int SelectedRow() const;
    void OnQueryFinished();
    void OnGetDispInfo(NMLVDISPINFOW& info) const;
    void ClearTable();
    void LayOutColumns();
    void SetTimer1(bool enabled);
    void FillList(HWND list, const std::vector<std::wstring>& items);
    void sing();
    void song();
    void 加载列表();
    int ShowMessage(const wchar_t* prompt, const wchar_t* caption, UINT flags);

    std::wstring serviceBase_;
    HttpOptions httpOptions_;
    HWND hwnd_ = nullptr;
    HWND QQ_ = nullptr, Command1_ = nullptr, Command2_ = nullptr, ListView1_ = nullptr;
    HWND List1_ = nullptr, List2_ = nullptr, List3_ = nullptr;
    UniqueFont qqFont_;
    UniqueFont labelFont_;
    UniqueBrush backBrush_;
    MessageBoxFn messageBox_;
    AudioOutputFactory audio_;
    std::unique_ptr<MediaPlayer> WP1_;
    std::wstring gqm_, gq_, GuRL_, Label8_;

    bool queryRunning_ = false;
    bool MusicDocLoaded_ = false;
    bool timer1Enabled_ = false;
    std::thread worker_;
    std::shared_ptr<HttpClient> http_;
    MusicListAnswer answer_; // written by the worker, read after it is joined
    std::vector<SongRecord> rows_;
    QueryTimings timings_;
};
