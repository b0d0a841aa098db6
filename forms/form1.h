#pragma once
#include "audio_output.h"
#include "drawn_controls.h"
#include "file_dialogs.h"
#include "gdi_handles.h"
#include "http_client.h"
#include "music_query.h"
#include "player.h"
#include "save_queue.h"
#include "settings.h"
#include "top_windows.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The main window: the QQ box, the query, the song table and playback. One
// class spread over files by event group: creation and message routing
// (form1.cpp), the query (form1_query.cpp), playback (form1_playback.cpp),
// the painted frame (form1_shell.cpp) and keeping the songs (form1_keep.cpp).
class Form1 {
  public:
    using MessageBoxFn =
        std::function<int(HWND owner, const wchar_t* prompt, const wchar_t* caption, UINT flags)>;

    // serviceBase: "http://host[:port]" of the music-list service. Songs play
    // through outputs made by `audio` (the system's waveOut when empty).
    // Nothing is remembered unless `settings` names a key (the program's
    // does; tests keep theirs apart).
    explicit Form1(std::wstring serviceBase, HttpOptions http = {}, AudioOutputFactory audio = {},
                   Settings settings = Settings(L""));
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Creates the window and its controls, hidden. False if the system refused.
    bool Create();
    HWND hwnd() const { return hwnd_; }
    // Message boxes go through here; tests record them instead of blocking.
    void SetMessageBox(MessageBoxFn show) { messageBox_ = std::move(show); }
    // The Save and Open dialogs go through here; tests answer them instead.
    void SetFilePicker(FilePickerFn pick) { filePicker_ = std::move(pick); }
    void SetSaveHttpOptions(HttpOptions http) { saveHttp_ = http; }

    // Controls, by their designed names.
    HWND QQ() const { return QQ_; }
    HWND Command1() const { return Command1_; }
    HWND Command2() const { return Command2_; }
    HWND Command3() const { return Command3_; }
    HWND Command4() const { return Command4_; }
    HWND ListView1() const { return ListView1_; }
    HWND ToolTips() const { return toolTips_; } // once the first frame is drawn
    HWND List1() const { return List1_; }
    HWND List2() const { return List2_; }
    HWND List3() const { return List3_; }
    MediaPlayer* WP1() const { return WP1_.get(); }
    // The texts of the labels the window draws itself.
    const std::wstring& gqm() const { return drawn_[kGqm].text; }
    const std::wstring& gq() const { return drawn_[kGq].text; }
    const std::wstring& GuRL() const { return drawn_[kGuRL].text; }
    const std::wstring& Label8() const { return drawn_[kLabel8].text; }
    // Where GuRL lies in the client area (a double-click there copies).
    RECT GuRLRect() const { return drawn_.Area(kGuRL); }
    // The labels and pictures the window draws itself (what is shown, where).
    const DrawnControls& Drawn() const { return drawn_; }

    // Event handlers.
    void Form_Load();
    void Form_Unload();
    void Command1_Click();
    void Command2_Click();
    void QQ_KeyPress(wchar_t key);
    void ListView1_Click();
    void ListView1_DblClick();
    void WP1_OpenStateChange();
    void Timer1_Timer();
    void GuRL_DblClick();
    void Command3_Click();
    void Command4_Click();
    void Image3_Click();
    void Label3_MouseDown();
    void Image2_MouseDown();
    void Image1_MouseMove();
    void Label3_MouseMove();
    void Label5_MouseMove();
    void Label6_MouseMove();
    void MI_MouseDown();
    void CL_MouseDown();

    // Keeping the songs (form1_keep.cpp): the table's context menu at a
    // screen point ((-1, -1): from the keyboard, at the selected row), its
    // shortcuts (true when the key was one), and what the menu runs.
    void ListView1_ContextMenu(POINT screen);
    bool ListView1_KeyDown(WORD key);
    void SaveSelectedSong();
    void SaveAllSongs();
    void ExportSongList();
    void CopySelectedAddress();
    void CopyAllAddresses();
    void OpenSelectedInBrowser();
    void SetPlayOn(bool on);
    bool PlayOn() const { return playOn_; }

    // Without a mouse (form1_access.cpp): the message loop gives every
    // message here first; true when it was taken (Tab and Shift+Tab). The
    // mouse's messages are shown to the buttons' tips on the way.
    bool PreTranslateMessage(const MSG& msg);
    // Whether a high-contrast scheme is on: the system's answer, unless a
    // test asks its own. The window follows it when the settings change.
    void SetHighContrastQuery(std::function<bool()> query) { highContrastQuery_ = std::move(query); }
    bool HighContrast() const { return highContrast_; }
    // The window is laid out for the screen's dots per inch when created (or
    // for `dpi`, set before Create), then for whatever WM_DPICHANGED brings.
    void SetStartDpi(UINT dpi) { startDpi_ = dpi; }
    bool Saving() const;
    HWND SaveSummaryWindow() const { return summary_; }

    bool QueryRunning() const { return query_ && query_->Running(); }
    bool MusicDocLoaded() const { return MusicDocLoaded_; }
    bool Timer1Enabled() const { return timer1Enabled_; }
    const std::vector<SongRecord>& Rows() const { return rows_; }

  private:
    template <typename Form> friend LRESULT CALLBACK FormWindowProc(HWND, UINT, WPARAM, LPARAM);
    static constexpr UINT WM_QUERY_FINISHED = WM_APP + 1;
    static constexpr UINT WM_PLAYER_NOTIFY = WM_APP + 2;
    static constexpr UINT WM_NOTICE_CLOSED_ITSELF = WM_APP + 3;
    static constexpr UINT WM_SAVE_CHANGED = WM_APP + 4;
    static constexpr UINT WM_PLAY_ON_NOTICE_CLOSED = WM_APP + 5; // nothing to do then
    static constexpr UINT WM_ACCESSIBLE_ACTION = WM_APP + 6;     // wParam: the part
    static constexpr UINT_PTR kTimer1Id = 1;
    // What the first frame does not need waits until it is on the screen.
    static constexpr UINT_PTR kAfterFirstFrameTimerId = 2;
    static constexpr UINT kAfterFirstFrameMs = 100;

    // The rows of the drawn-controls table.
    enum DrawnRow : size_t {
        kImage1, kImage3, kImage2, kLabel3, kLabel5, kLabel6, kCL, kMI,
        kLabel1, kLabel2, kLabel4, kGqm, kGq, kGuRL, kLabel8,
    };
    static std::vector<DrawnControl> DrawnControlRows();

    // form1.cpp: creation and routing.
    static LRESULT CALLBACK QQProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void KeyOutBackground();
    void GiveIcons();
    void AddToolTips();
    void OnCommand(WPARAM wParam);
    void OnNotify(NMHDR& header);
    void OnMouse(UINT msg, LPARAM lParam);
    void OnDestroy();
    void Paint();
    void SetLabel(DrawnRow row, std::wstring text);
    int ShowMessage(const wchar_t* prompt, const wchar_t* caption, UINT flags);

    // form1_shell.cpp: the painted frame and leaving the tool.
    void Unload();
    void StartMovingWindow();
    void SetDrawnVisible(DrawnRow row, bool visible);

    // form1.cpp: the layout at the window's dots per inch.
    void MakeFonts(UINT dpi);
    void ApplyDpi(UINT dpi);

    // form1_query.cpp
    void OnQueryFinished(MusicListAnswer answer);
    void OnGetDispInfo(NMLVDISPINFOW& info) const;
    void ClearTable();
    void LayOutColumns();
    void FillList(HWND list, const std::vector<std::wstring>& items);
    void sing();
    void song();
    void 加载列表();

    // form1_playback.cpp
    int SelectedRow() const;
    void SetTimer1(bool enabled);

    // form1_access.cpp
    std::vector<struct AccessiblePart> AccessibleParts() const;
    void RunAccessibleAction(size_t index);
    LRESULT OnGetObject(WPARAM wParam, LPARAM lParam);
    void AnnounceLabel(DrawnRow row);
    void ShowSystemMenu();
    void ListView1_ItemChanged(const NMLISTVIEW& change);
    void FollowHighContrast();

    // form1_keep.cpp
    void RunMenuCommand(UINT id);
    void StartSaves(std::vector<SaveRequest> requests, std::vector<std::wstring> titles);
    void OnSaveChanged();
    void ShowSaveSummary(const std::wstring& text);
    void PlayOnAfter(PlayerState state);
    void RestoreSettings();

    std::wstring serviceBase_;
    HttpOptions httpOptions_;
    HWND hwnd_ = nullptr;
    HWND QQ_ = nullptr, Command1_ = nullptr, Command2_ = nullptr, ListView1_ = nullptr;
    HWND Command3_ = nullptr, Command4_ = nullptr, toolTips_ = nullptr;
    HWND List1_ = nullptr, List2_ = nullptr, List3_ = nullptr;
    UniqueFont qqFont_;
    UniqueFont labelFont_;
    UniqueFont buttonFont_;
    UniqueFont listFont_;   // none while the table has its own
    UniqueFont tipsFont_;   // and the tips theirs
    UniqueBrush formBrush_; // the window's background: the colour key once loaded
    UniqueBrush qqBrush_;
    UniqueIcon bigIcon_, smallIcon_;
    MessageBoxFn messageBox_;
    AudioOutputFactory audio_;
    std::unique_ptr<MediaPlayer> WP1_;
    DrawnControls drawn_;
    int pressed_ = -1; // the drawn control a left button went down on
    TopWindowLease lease_;

    std::unique_ptr<QueryRunner> query_;
    bool MusicDocLoaded_ = false;
    bool timer1Enabled_ = false;
    MusicListAnswer answer_; // the hidden lists' contents of the last load
    std::vector<SongRecord> rows_;

    Settings settings_;
    FilePickerFn filePicker_;
    HttpOptions saveHttp_;
    std::unique_ptr<SaveQueue> saves_;
    std::vector<std::wstring> saveTitles_;
    bool savingAll_ = false;
    ULONGLONG saveShownUntil_ = 0; // the poll leaves a save's result in the label till then
    HWND summary_ = nullptr;
    bool playOn_ = false;
    int playingRow_ = -1;                      // the row whose song was played last
    PlayerState seenState_ = PlayerState::Idle; // the player's state the window saw last
    UINT startDpi_ = 0; // 0: the screen's
    std::function<bool()> highContrastQuery_;
    bool painted_ = false;      // the first frame is drawn
    bool highContrast_ = false; // the skin stands aside and the system's colours draw
};

// Puts the text on the clipboard, asking again a few times while another
// program holds it; false when it stayed busy (it is left as it was).
bool PutTextOnClipboard(HWND owner, const std::wstring& text);
