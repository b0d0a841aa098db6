// Runs the demo as a person would, without one: starts the tool, presses Enter
// on the sample number, prints the table, plays the first song for a moment,
// then the song whose address fails, and saves screenshots of the main window
// and of the notice. demo_driver TOOL.exe OUTPUT-FOLDER; 0 when all went well.
#include "tool_driver.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

void PrintUtf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), n,
                        nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

int Fail(const wchar_t* what) {
    PrintUtf8(std::wstring(L"demo: ") + what + L"\n");
    return 1;
}


} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3)
        return Fail(L"usage: demo_driver TOOL.exe OUTPUT-FOLDER");
    const std::wstring out = argv[2];
    ToolProcess tool(argv[1]);
    const HWND main = tool.WaitForWindow(L"ThunderRT6FormDC", 20000);
    if (!main)
        return Fail(L"the main window did not appear");
    const HWND qq = FindChild(main, L"Edit");
    const HWND table = FindChild(main, L"SysListView32");
    if (!qq || !table)
        return Fail(L"the QQ box or the song table is missing");

    // The box starts with the number queried last (the tests query others):
    // the demo always asks for the sample, the one the demo service answers.
    SendMessageW(qq, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"123456789"));
    PrintUtf8(L"QQ号: " + ReadText(qq) + L", 回车查询\n");
    RECT box;
    GetWindowRect(qq, &box);
    ClickAt(Centre(box));
    PressKey(VK_END);
    PressKey(VK_RETURN);
    if (!WaitUntil(15000, [&] { return SendMessageW(table, LVM_GETITEMCOUNT, 0, 0) > 0; }))
        return Fail(L"the table stayed empty");
    const auto rows = tool.ReadRows(table, 4);
    for (const auto& row : rows)
        PrintUtf8(row[0] + L"\t" + row[1] + L"\t" + row[2] + L"\t" + row[3] + L"\n");

    ClickAt(Centre(tool.RowRect(table, 0)), MouseButton::Left, 2);
    Sleep(2500); // the first song plays; the status poll shows it
    RECT window;
    GetWindowRect(main, &window);
    if (!SaveScreenPng(window, out + L"\\main-window.png"))
        return Fail(L"cannot save the screenshot of the main window");

    // The table's context menu: what keeps the songs.
    ClickAt(Centre(tool.RowRect(table, 0)), MouseButton::Right);
    const HWND menu = tool.WaitForWindow(L"#32768", 5000);
    if (!menu)
        return Fail(L"no context menu on the table");
    Sleep(300); // painted
    RECT menuArea = WindowRect(menu);
    UnionRect(&menuArea, &menuArea, &window);
    if (!SaveScreenPng(menuArea, out + L"\\context-menu.png"))
        return Fail(L"cannot save the screenshot of the context menu");
    PressKey(VK_ESCAPE);
    Sleep(200);

    ClickAt(Centre(tool.RowRect(table, static_cast<int>(rows.size()) - 1)), MouseButton::Left, 2);
    const HWND notice = tool.WaitForWindow(L"QzoneMusicForm3", 5000);
    if (!notice)
        return Fail(L"no notice for the song that cannot be played");
    // The window exists before it has painted: wait until its red is on the
    // screen (sampled every few pixels), or the picture shows the table.
    const auto noticeShows = [notice] {
        constexpr COLORREF kNoticeRed = RGB(0xDC, 0, 0);
        const RECT r = WindowRect(notice);
        for (LONG y = r.top; y < r.bottom; y += 3)
            for (LONG x = r.left; x < r.right; x += 3)
                if (ScreenPixel({x, y}) == kNoticeRed)
                    return true;
        return false;
    };
    if (!WaitUntil(5000, noticeShows))
        return Fail(L"the notice did not paint itself");
    RECT around;
    GetWindowRect(notice, &around);
    InflateRect(&around, 40, 30);
    if (!SaveScreenPng(around, out + L"\\notice.png"))
        return Fail(L"cannot save the screenshot of the notice");

    PostMessageW(main, WM_CLOSE, 0, 0);
    if (!tool.WaitForExit(15000))
        return Fail(L"the tool did not end");
    PrintUtf8(L"screenshots: " + out + L"\n");
    return 0;
}
