#pragma once
#include "top_windows.h"

#include <windows.h>

// The notice that a song cannot be played: a borderless, colour-keyed window
// showing one picture. It closes itself after 1.5 s, switching the main
// window's status poll off, or at once when clicked. One at a time; once made
// it owns itself and is gone with its window.
class Form3 {
  public:
    // Shows the notice near `mainWindow`, creating it if none is open; an open
    // one just stays. When it closes itself it posts `closedItself` to the main
    // window, if that still exists, which then switches its poll off. Drawn
    // at `dpi` (0: the main window's).
    static void Show(HWND mainWindow, UINT closedItself, UINT dpi = 0);
    // The open notice, or nullptr.
    static Form3* Current();

    ~Form3() = default;
    Form3(const Form3&) = delete;
    Form3& operator=(const Form3&) = delete;
    HWND hwnd() const { return hwnd_; }

    // Event handlers.
    void Form_Load();
    void Form_Click();
    void Timer1_Timer();

  private:
    Form3(HWND mainWindow, UINT closedItself, UINT dpi);
    template <typename Form> friend LRESULT CALLBACK FormWindowProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint();

    HWND hwnd_ = nullptr;
    HWND mainWindow_;
    UINT closedItself_;
    UINT dpi_;
    bool ownedByWindow_ = false; // from a successful creation on; before, Show() owns it
    TopWindowLease lease_;
};

// The notice's picture, 200 x 100 at 96 dpi and as much larger as `dpi` is:
// a red prohibition sign and two lines of red text on the colour key, drawn
// without anti-aliasing so that no pixel is a blend of red and the key.
void DrawNoticePicture(HDC dc, int left, int top, UINT dpi = 96);

inline constexpr COLORREF kNoticeKeyColor = 0x00FF0000;
inline constexpr wchar_t kNoticeLine1[] = L"很遗憾，无法播放！";
inline constexpr wchar_t kNoticeLine2[] = L"可能是地址失效或防盗链接";
inline constexpr COLORREF kNoticeRed = 0x000000DC;
inline constexpr int kNoticePictureWidth = 200;
inline constexpr int kNoticePictureHeight = 100;
