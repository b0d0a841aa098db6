#pragma once
#include <windows.h>

#include "kernel_handle.h"

#include <functional>
#include <string>
#include <vector>

// Drives the real tool in a process of its own, as a person would: real mouse
// and keyboard input (under Xvfb), window texts and the song table read across
// the process boundary, screenshots of what is on the screen.
class ToolProcess {
  public:
    // Starts `exe`; Running() tells whether it started.
    explicit ToolProcess(const std::wstring& exe);
    ~ToolProcess(); // ends the tool if it still runs
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    bool Running() const;
    // The first visible top-level window of the tool with this class, or null
    // once the time is up.
    HWND WaitForWindow(const wchar_t* windowClass, DWORD timeoutMs) const;
    // True when the tool ended within the time; its exit code then.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
    DWORD id() const { return id_; }

    // The texts of the table's first `columns` columns, row by row.
    std::vector<std::vector<std::wstring>> ReadRows(HWND listView, int columns) const;
    // Where a row of the table lies, in screen coordinates.
    RECT RowRect(HWND listView, int row) const;

  private:
    KernelHandle process_;
    DWORD id_ = 0;
};

// The child of `parent` of this class (and caption, when given), or null.
HWND FindChild(HWND parent, const wchar_t* windowClass, const wchar_t* caption = nullptr);
// A window's text, asked with WM_GETTEXT (which crosses processes).
std::wstring ReadText(HWND hwnd);

enum class MouseButton { Left, Right };
// Real input: the cursor moves there, then the button goes down and up
// (`clicks` times, quickly enough for a double-click).
void ClickAt(POINT screen, MouseButton button = MouseButton::Left, int clicks = 1);
void MoveMouseTo(POINT screen);
void PressKey(WORD virtualKey);
// The point `client` of the window in screen coordinates.
POINT ScreenPoint(HWND hwnd, POINT client);

// What the screen shows of `area` (screen coordinates), as a PNG file, and as
// pixels row by row (0xAARRGGBB, opaque).
bool SaveScreenPng(const RECT& area, const std::wstring& path);
std::vector<DWORD> ScreenPixels(const RECT& area);
// The screen's pixel at a point.
COLORREF ScreenPixel(POINT screen);

// The dots per inch the programs started from now on take as the system's
// (HKCU\Control Panel\Desktop\LogPixels; 0: none set, 96).
DWORD StartingDpi();
void SetStartingDpi(DWORD dpi); // 0: remove the setting

POINT Centre(const RECT& r);
RECT WindowRect(HWND hwnd);

// Asks `done` every few milliseconds until it is true or the time is up; true
// when it became true.
bool WaitUntil(DWORD timeoutMs, const std::function<bool()>& done);
