// The real tool (the demo build) in a process of its own against this test's
// loopback service, driven with real mouse and keyboard input under Xvfb, and
// read from here as a screen reader reads it.
#include "answers.h"
#include "gdi_handles.h"
#include "gui_test.h"
#include "loopback_server.h"
#include "tool_driver.h"
#include "wav.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

using Microsoft::WRL::ComPtr;

constexpr char kListPath[] = "/fcg-bin/fcgi_agent_zhenghe.fcg";


// Nanoseconds since 1970, the clock the fake xdg-open writes down.
std::uint64_t UnixNanoseconds() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                                now.dwLowDateTime;
    return (ticks - 116444736000000000ull) * 100;
}

void Press(std::initializer_list<WORD> held, WORD key) {
    for (WORD k : held)
        keybd_event(static_cast<BYTE>(k), 0, 0, 0);
    PressKey(key);
    for (auto it = std::rbegin(held); it != std::rend(held); ++it)
        keybd_event(static_cast<BYTE>(*it), 0, KEYEVENTF_KEYUP, 0);
    Sleep(50);
}

class ToolEndToEnd : public testing::Test {
  protected:
    static void SetUpTestSuite() { InitGuiTestThread(); } // COM, to read the tool's objects
    void SetUp() override {
        ASSERT_TRUE(server.Listening()) << "port " << QZM_DEMO_PORT << " is taken";
        const std::wstring base = server.BaseAddress();
        for (int i = 1; i <= 2; ++i) {
            server.Serve(
                "/song" + std::to_string(i) + ".wav",
                AudioAnswer(MakeWav(MakeTonePcm(8000, 1, 30.0, 300.0 * i), 8000, 1), "audio/wav"));
        }
        server.Serve(kListPath, XmlAnswer(MakeAnswer({{base + L"/song1.wav ", L"一", L"甲"},
                                                      {base + L"/song2.wav ", L"二", L"乙"},
                                                      {base + L"/gone.mp3 ", L"三", L"丙"}},
                                                     "GB2312", 936)));

        tool = std::make_unique<ToolProcess>(QZM_DEMO_EXE);
        main = tool->WaitForWindow(L"ThunderRT6FormDC", 20000);
        ASSERT_NE(main, nullptr);
        qq = FindChild(main, L"Edit");
        table = FindChild(main, L"SysListView32");
        ASSERT_TRUE(qq && table);
    }

    POINT At(int x, int y) const { return ScreenPoint(main, {x, y}); }

    // A message box of the tool with this caption, or null once the time is up.
    HWND WaitForBox(const wchar_t* caption, DWORD timeoutMs = 5000) const {
        HWND box = nullptr;
        WaitUntil(timeoutMs, [&] {
            box = tool->WaitForWindow(L"#32770", 0);
            return box && ReadText(box) == caption;
        });
        return box && ReadText(box) == caption ? box : nullptr;
    }

    // The addresses the tool opened, each with the time it reached xdg-open.
    std::vector<std::pair<std::uint64_t, std::string>> Opened() const { return opened.Read(); }

    HWND Focused() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info);
        return info.hwndFocus;
    }
    // What a screen reader reads of a painted part (1: title ... 7: status).
    std::wstring PartValue(LONG id) const {
        ComPtr<IAccessible> object;
        if (FAILED(AccessibleObjectFromWindow(main, OBJID_CLIENT, IID_PPV_ARGS(&object))))
            return L"<no object>";
        VARIANT child;
        child.vt = VT_I4;
        child.lVal = id;
        BSTR value = nullptr;
        object->get_accValue(child, &value);
        std::wstring out = value ? value : L"";
        SysFreeString(value);
        return out;
    }

    LoopbackServer server{QZM_DEMO_PORT};
    std::unique_ptr<ToolProcess> tool; // ended when the test is over, if still running
    HWND main = nullptr, qq = nullptr, table = nullptr;
    OpenedPages opened;
};

LRESULT CALLBACK CountClicks(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONDOWN)
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, GetWindowLongPtrW(hwnd, GWLP_USERDATA) + 1);
    if (msg == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The painted frame under the real mouse: the colour key lets clicks through,
// the title strip moves the window, and the close picture asks first.
TEST_F(ToolEndToEnd, TheFrameLetsClicksThroughMovesAndAsksBeforeClosing) {
    // Pure-blue pixels are see-through for clicks too: the rounded-off corner
    // belongs to the window below. (Never activated, that window goes at once.)
    WNDCLASSW wc{};
    wc.lpfnWndProc = CountClicks;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"QzmBelow";
    RegisterClassW(&wc);
    const RECT area = WindowRect(main);
    const HWND below = CreateWindowExW(WS_EX_NOACTIVATE, wc.lpszClassName, L"", WS_POPUP,
                                       area.left, area.top, 40, 40, nullptr, nullptr,
                                       wc.hInstance, nullptr);
    ShowWindow(below, SW_SHOWNOACTIVATE);
    // The tool's window back on top, over the new one.
    SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ClickAt(At(300, 60));
    auto clicks = [&] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        return GetWindowLongPtrW(below, GWLP_USERDATA);
    };
    Sleep(300);
    clicks();
    ClickAt(At(0, 0)); // the corner: pure blue
    EXPECT_TRUE(WaitUntil(2000, [&] { return clicks() == 1; }));
    ClickAt(At(20, 30)); // the window's own background, over the same window below
    Sleep(300);
    EXPECT_EQ(clicks(), 1);
    DestroyWindow(below);

    // Any mouse button on the title strip moves the window with the mouse.
    const RECT before = WindowRect(main);
    const POINT grab = At(200, 10);
    MoveMouseTo(grab);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    SendInput(1, &input, sizeof(input));
    Sleep(300);
    for (int step = 1; step <= 4; ++step)
        MoveMouseTo({grab.x + 10 * step, grab.y + 8 * step});
    input.mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_RIGHTUP;
    SendInput(1, &input, sizeof(input));
    ASSERT_TRUE(WaitUntil(3000, [&] { return WindowRect(main).left != before.left; }));
    const RECT after = WindowRect(main);
    EXPECT_EQ(after.left - before.left, 40);
    EXPECT_EQ(after.top - before.top, 32);

    // The close picture asks; Cancel changes nothing.
    MoveMouseTo(At(575, 8)); // over the close button: its highlight shows
    ClickAt(At(575, 8), MouseButton::Right);
    HWND question = WaitForBox(L"提示");
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(ReadText(GetDlgItem(question, 0xFFFF)), L"您确定要退出吗？");
    PostMessageW(question, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil(3000, [&] { return !IsWindow(question); }));
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_TRUE(Opened().empty());

    // OK closes the window, then opens the home page, and the tool ends.
    ClickAt(At(575, 8), MouseButton::Right);
    question = WaitForBox(L"提示");
    ASSERT_NE(question, nullptr);
    PostMessageW(question, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil(5000, [&] { return !IsWindow(main); }));
    const std::uint64_t closed = UnixNanoseconds();
    ASSERT_TRUE(WaitUntil(5000, [&] { return !Opened().empty(); }));
    EXPECT_EQ(Opened().front().second, "https://qzone.qq.com/");
    EXPECT_GE(Opened().front().first + 50'000'000, closed) << "the window closed first";
    EXPECT_TRUE(tool->WaitForExit(5000));
}

// Each key where the focus is, and what it does, in the order a user goes;
// then the mouse on the same actions.
TEST_F(ToolEndToEnd, EveryActionIsReachedFromTheKeyboardAndTheMouse) {
    ClickAt(Centre(WindowRect(qq))); // the tool in front, the focus in the QQ box
    const std::wstring base = server.BaseAddress();
    struct Step {
        const char* what;
        std::function<void()> keys;
        std::function<bool()> done;
    };
    const Step steps[] = {
        {"the mouse resting on 查询 brings its tip (made just after the first frame)",
         [&] {
             Sleep(300);
             MoveMouseTo(Centre(WindowRect(FindChild(main, L"Button", L"查询"))));
         },
         [&] { return tool->WaitForWindow(L"tooltips_class32", 0) != nullptr; }},
        {"Tab from the QQ box reaches 查询", [] { PressKey(VK_TAB); },
         [&] { return Focused() == FindChild(main, L"Button", L"查询"); }},
        {"Shift+Tab goes back", [] { Press({VK_SHIFT}, VK_TAB); }, [&] { return Focused() == qq; }},
        {"Enter in the QQ box queries",
         [&] {
             SendMessageW(qq, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
             for (wchar_t digit : std::wstring(L"12345"))
                 PressKey(static_cast<WORD>(digit));
             PressKey(VK_RETURN);
         },
         [&] { return SendMessageW(table, LVM_GETITEMCOUNT, 0, 0) == 3; }},
        {"Tab past the buttons reaches the table",
         [] {
             for (int i = 0; i < 5; ++i)
                 PressKey(VK_TAB);
         },
         [&] { return Focused() == table; }},
        {"Down shows the next song in the labels, as a click does",
         [] {
             PressKey(VK_HOME);
             PressKey(VK_DOWN);
         },
         [&] { return PartValue(4) == L"二" && PartValue(5) == L"乙"; }},
        {"Home shows the first", [] { PressKey(VK_HOME); }, [&] { return PartValue(4) == L"一"; }},
        {"Enter plays the selected song", [] { PressKey(VK_RETURN); },
         [&] { return server.Requests().back() == "/song1.wav" && PartValue(7) == L"正在播放"; }},
        {"Space pauses", [] { PressKey(VK_SPACE); }, [&] { return PartValue(7) == L"已暂停"; }},
        {"Space resumes", [] { PressKey(VK_SPACE); }, [&] { return PartValue(7) == L"正在播放"; }},
        {"Ctrl+C copies the address", [] { Press({VK_CONTROL}, 'C'); },
         [&] { return ClipboardText() == base + L"/song1.wav"; }},
        {"Ctrl+S asks where to save the song", [] { Press({VK_CONTROL}, 'S'); },
         [&] {
             HWND box = tool->WaitForWindow(L"#32770", 0);
             return box && ReadText(box) == L"保存歌曲";
         }},
        {"and Escape cancels", [] { PressKey(VK_ESCAPE); },
         [&] { return tool->WaitForWindow(L"#32770", 0) == nullptr; }},
        {"the right button on a row opens the context menu",
         [&] { ClickAt(Centre(tool->RowRect(table, 1)), MouseButton::Right); },
         [&] { return tool->WaitForWindow(L"#32768", 0) != nullptr; }},
        {"Escape closes it", [] { PressKey(VK_ESCAPE); },
         [&] { return tool->WaitForWindow(L"#32768", 0) == nullptr; }},
        {"Shift+F10 opens the context menu below the selected row",
         [] { Press({VK_SHIFT}, VK_F10); },
         [&] {
             const HWND menu = tool->WaitForWindow(L"#32768", 0);
             return menu && WindowRect(menu).top >= tool->RowRect(table, 1).bottom;
         }},
        {"Escape closes it", [] { PressKey(VK_ESCAPE); },
         [&] { return tool->WaitForWindow(L"#32768", 0) == nullptr; }},
        {"the Menu key opens it too", [] { PressKey(VK_APPS); },
         [&] { return tool->WaitForWindow(L"#32768", 0) != nullptr; }},
        {"and 复制全部地址 from it by its arrow keys",
         [] {
             for (int i = 0; i < 5; ++i) // past the items a save needs a dialog for
                 PressKey(VK_DOWN);
             PressKey(VK_RETURN);
         },
         [&] {
             return ClipboardText() ==
                    base + L"/song1.wav\r\n" + base + L"/song2.wav\r\n" + base + L"/gone.mp3\r\n";
         }},
        // The mouse's ways to the same actions, through the skinned controls.
        {"a click on 播/暂 pauses",
         [&] { ClickAt(Centre(WindowRect(FindChild(main, L"Button", L"播/暂")))); },
         [&] { return PartValue(7) == L"已暂停" && FindChild(main, L"Button", L"暂/播"); }},
        {"and resumes", [&] { ClickAt(Centre(WindowRect(FindChild(main, L"Button", L"暂/播")))); },
         [&] { return PartValue(7) == L"正在播放" && FindChild(main, L"Button", L"播/暂"); }},
        {"a double-click on a row plays it",
         [&] { ClickAt(Centre(tool->RowRect(table, 1)), MouseButton::Left, 2); },
         [&] { return server.Requests().back() == "/song2.wav" && PartValue(4) == L"二"; }},
        {"a double-click on the address copies it and says so",
         [&] { ClickAt(At(80, 70), MouseButton::Left, 2); },
         [&] {
             HWND box = WaitForBox(L"复制", 0);
             return box && ReadText(GetDlgItem(box, 0xFFFF)) == L"复制成功！" &&
                    ClipboardText() == base + L"/song2.wav";
         }},
        {"Enter closes the box", [] { PressKey(VK_RETURN); },
         [&] { return tool->WaitForWindow(L"#32770", 0) == nullptr; }},
        {"a double-click on a song that cannot play brings the notice",
         [&] { ClickAt(Centre(tool->RowRect(table, 2)), MouseButton::Left, 2); },
         [&] { return tool->WaitForWindow(L"QzoneMusicForm3", 0) != nullptr; }},
        {"which goes by itself", [] {},
         [&] { return tool->WaitForWindow(L"QzoneMusicForm3", 0) == nullptr; }},
        {"Alt+Space opens the system menu, 关闭 asks", [] {
             Press({VK_MENU}, VK_SPACE);
             Sleep(300);
             PressKey('C');
         },
         [&] {
             HWND box = tool->WaitForWindow(L"#32770", 0);
             return box && ReadText(box) == L"提示";
         }},
        {"and Escape answers no", [] { PressKey(VK_ESCAPE); },
         [&] { return tool->WaitForWindow(L"#32770", 0) == nullptr && IsWindow(main); }},
        {"Alt+Space, 最小化", [] {
             Press({VK_MENU}, VK_SPACE);
             Sleep(300);
             PressKey('N');
         },
         [&] { return IsIconic(main) != 0; }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.keys();
        ASSERT_TRUE(WaitUntil(5000, step.done))
            << "focus " << Focused() << " song " << PartValue(4) << " status " << PartValue(7);
    }
}

// The tool started while the prefix says 144 dpi, as on a 150 % screen: it
// reads the scale from the system, as a user's would. Only processes started
// afterwards read the setting, so it is put back at once.
class ToolEndToEndAt144 : public ToolEndToEnd {
  protected:
    void SetUp() override {
        previous_ = StartingDpi();
        SetStartingDpi(144);
        ToolEndToEnd::SetUp();
        SetStartingDpi(previous_);
        // Seen from here in the screen's own pixels, as the tool lays itself out.
        awareness_ = SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    }
    void TearDown() override {
        SetStartingDpi(previous_);
        SetThreadDpiAwarenessContext(awareness_);
    }
    DWORD previous_ = 0;
    DPI_AWARENESS_CONTEXT awareness_ = nullptr;
};

TEST_F(ToolEndToEndAt144, AtOneAndAHalfTimesTheScaleAllIsLaidOutAndDrawnSharp) {
    ClickAt(Centre(WindowRect(qq)));
    SendMessageW(qq, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"12345"));
    ASSERT_TRUE(WaitUntil(3000, [&] { return Focused() == qq; })); // Enter goes where the focus is
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil(10000, [&] { return SendMessageW(table, LVM_GETITEMCOUNT, 0, 0) == 3; }));
    Sleep(500); // painted

    // The window, 查询 and the columns where the design puts them at 144 dpi;
    // each button's caption in 宋体 9 pt at 144 dpi fits the skin's caption box.
    const RECT window = WindowRect(main);
    RECT query = WindowRect(FindChild(main, L"Button", L"查询"));
    OffsetRect(&query, -window.left, -window.top);
    std::vector<long> layout{window.right - window.left, window.bottom - window.top, query.left,
                             query.top, query.right, query.bottom};
    for (int i = 0; i < 4; ++i)
        layout.push_back(static_cast<long>(SendMessageW(table, LVM_GETCOLUMNWIDTH, i, 0)));
    EXPECT_EQ(layout, (std::vector<long>{891, 492, 180, 48, 241, 85, 44, 146, 97, 516}));
    const UniqueHdc dc(CreateCompatibleDC(nullptr));
    const UniqueFont font(CreateFontW(-18, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0,
                                      L"宋体"));
    const SelectGuard use(dc.get(), font.get());
    for (const std::wstring text : {L"查询", L"播/暂", L"退出", L"关于"}) {
        const RECT button = WindowRect(FindChild(main, L"Button", text.c_str()));
        SIZE caption{};
        GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &caption);
        EXPECT_TRUE(caption.cx <= button.right - button.left - 4 &&
                    caption.cy <= button.bottom - button.top - 4);
    }

    // On the screen: the key colour nowhere (it is see-through), the window's
    // border and the QQ box's flat frame each one solid colour all along.
    const int width = window.right - window.left;
    const std::vector<DWORD> shown = ScreenPixels(window);
    ASSERT_EQ(shown.size(), static_cast<size_t>(width * (window.bottom - window.top)));
    auto at = [&](int x, int y) { return shown[static_cast<size_t>(y * width + x)] & 0xFFFFFF; };
    EXPECT_EQ(std::count(shown.begin(), shown.end(), 0xFF0000FFu), 0) << "pure blue shows";
    RECT box = WindowRect(qq);
    OffsetRect(&box, -window.left, -window.top);
    for (int y = 45; y < 450; ++y)
        ASSERT_EQ(at(0, y), 0x4F8FCBu) << "the window's border at row " << y;
    for (int x = box.left, y = box.top; x < box.right || y < box.bottom; ++x, ++y) {
        const int cx = std::min<int>(x, box.right - 1), cy = std::min<int>(y, box.bottom - 1);
        ASSERT_EQ((std::vector<DWORD>{at(cx, box.top), at(cx, box.bottom - 1), at(box.left, cy),
                                      at(box.right - 1, cy)}),
                  std::vector<DWORD>(4, 0x54A5D5)) // the skin's enabled frame
            << cx << "," << cy;
    }
}

} // namespace
