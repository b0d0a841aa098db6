// The demo build in a process of its own, used with the keyboard alone and
// read as a screen reader reads it, through real input under Xvfb.
#include "answers.h"
#include "gui_test.h"
#include "loopback_server.h"
#include "tool_driver.h"
#include "wav.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <functional>

namespace {

using Microsoft::WRL::ComPtr;

void Press(std::initializer_list<WORD> held, WORD key) {
    for (WORD k : held)
        keybd_event(static_cast<BYTE>(k), 0, 0, 0);
    PressKey(key);
    for (auto it = std::rbegin(held); it != std::rend(held); ++it)
        keybd_event(static_cast<BYTE>(*it), 0, KEYEVENTF_KEYUP, 0);
    Sleep(50);
}

class ToolKeys : public testing::Test {
  protected:
    static void SetUpTestSuite() { InitGuiTestThread(); } // COM, to read the tool's objects
    void SetUp() override {
        ASSERT_TRUE(server.Listening()) << "port " << QZM_DEMO_PORT << " is taken";
        const std::wstring base = server.BaseAddress();
        for (int i = 1; i <= 2; ++i) {
            LoopbackResponse song;
            song.contentType = "audio/wav";
            song.body = MakeWav(MakeTonePcm(8000, 1, 4.0, 300.0 * i), 8000, 1);
            server.Serve("/song" + std::to_string(i) + ".wav", song);
        }
        LoopbackResponse list;
        list.body = MakeAnswer({{base + L"/song1.wav ", L"一", L"甲"},
                                {base + L"/song2.wav ", L"二", L"乙"}});
        server.Serve("/fcg-bin/fcgi_agent_zhenghe.fcg", list);
        tool = std::make_unique<ToolProcess>(QZM_DEMO_EXE);
        main = tool->WaitForWindow(L"ThunderRT6FormDC", 20000);
        ASSERT_NE(main, nullptr);
        qq = FindChild(main, L"Edit");
        table = FindChild(main, L"SysListView32");
        ASSERT_TRUE(qq && table);
        ClickAt(Centre(WindowRect(qq))); // the tool in front, the focus in the QQ box
    }
    void TearDown() override {
        if (tool && tool->Running() && IsWindow(main)) {
            ShowWindowAsync(main, SW_HIDE);
            PostMessageW(main, WM_CLOSE, 0, 0);
            tool->WaitForExit(10000);
        }
    }
    HWND Focused() const {
        GUITHREADINFO info{sizeof(info)};
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
    std::unique_ptr<ToolProcess> tool;
    HWND main = nullptr, qq = nullptr, table = nullptr;
};

// Each key where the focus is, and what it does, in the order a user goes.
TEST_F(ToolKeys, EveryActionIsReachedFromTheKeyboard) {
    const std::wstring base = server.BaseAddress();
    struct Step {
        const char* what;
        std::function<void()> keys;
        std::function<bool()> done;
    };
    const Step steps[] = {
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
         [&] { return SendMessageW(table, LVM_GETITEMCOUNT, 0, 0) == 2; }},
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
        {"Shift+F10 opens the context menu", [] { Press({VK_SHIFT}, VK_F10); },
         [&] { return tool->WaitForWindow(L"#32768", 0) != nullptr; }},
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
         [&] { return ClipboardText() == base + L"/song1.wav\r\n" + base + L"/song2.wav\r\n"; }},
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

} // namespace
