#pragma once
#include <windows.h>
#include <commctrl.h>

#include "com_scope.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// What the tool put in a message box.
struct ShownMessage {
    std::wstring prompt;
    std::wstring caption;
    UINT flags;
};

// Once per test process, on the window thread: COM (the player and the
// clipboard want it) and the list-view class.
inline void InitGuiTestThread() {
    static const ComScope com(COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
}

// A message box that records instead of waiting for a click; answers OK.
inline std::function<int(HWND, const wchar_t*, const wchar_t*, UINT)>
RecordMessages(std::vector<ShownMessage>& shown) {
    return [&shown](HWND, const wchar_t* prompt, const wchar_t* caption, UINT flags) {
        shown.push_back({prompt, caption, flags});
        return IDOK;
    };
}

// The text on the clipboard; "<no clipboard>" when it is busy.
inline std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return L"<no clipboard>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    } else {
        text = L"<no text>";
    }
    CloseClipboard();
    return text;
}

// The fake xdg-open on PATH writes each address Wine's browser hands it, after
// the time it came (nanoseconds since 1970), to a list beside the Wine prefix.
// The tests that open pages run one at a time; each starts the list afresh.
class OpenedPages {
  public:
    OpenedPages()
        : path_("Z:" + std::string(getenv("WINEPREFIX") ? getenv("WINEPREFIX") : "/tmp") +
                "/qzm-opened.log") {
        std::remove(path_.c_str());
    }
    std::vector<std::pair<std::uint64_t, std::string>> Read() const {
        std::vector<std::pair<std::uint64_t, std::string>> lines;
        std::ifstream in(path_);
        for (std::uint64_t at; in >> at;) {
            std::string address;
            std::getline(in >> std::ws, address);
            lines.push_back({at, address});
        }
        return lines;
    }

  private:
    std::string path_;
};
