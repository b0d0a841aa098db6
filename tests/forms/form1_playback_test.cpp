#include "answers.h"
#include "form1.h"
#include "gui_test.h"
#include "form3.h"
#include "loopback_server.h"
#include "message_pump.h"
#include "null_audio_output.h"
#include "top_windows.h"
#include "wav.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <objbase.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr char kListPath[] = "/fcg-bin/fcgi_agent_zhenghe.fcg";

void PutOnClipboard(const std::wstring& text) {
    OpenClipboard(nullptr);
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

std::wstring Caption(HWND hwnd) {
    wchar_t text[64] = {};
    GetWindowTextW(hwnd, text, 64);
    return text;
}

class Form1Playback : public testing::Test {
  protected:
    static void SetUpTestSuite() { InitGuiTestThread(); }

    void SetUp() override {
        // Two seconds of tone each, at 8 kHz: long enough to pause and resume.
        for (int i = 1; i <= 2; ++i) {
            LoopbackResponse song;
            song.contentType = "audio/wav";
            song.body = MakeWav(MakeTonePcm(8000, 1, 2.0, 300.0 * i), 8000, 1);
            server.Serve("/song" + std::to_string(i) + ".wav", song);
        }
        const std::wstring base = server.BaseAddress();
        LoopbackResponse list;
        list.body = MakeAnswer({{base + L"/song1.wav ", L"一", L"甲"},
                                {base + L"/song2.wav ", L"二", L"乙"},
                                {base + L"/gone.mp3 ", L"三", L"丙"}});
        server.Serve(kListPath, list);

        HttpOptions http;
        http.receiveTimeoutMs = 2000;
        form = std::make_unique<Form1>(base, http, outputs.Factory());
        form->SetMessageBox(RecordMessages(shown));
        ASSERT_TRUE(form->Create());
        ShowWindow(form->hwnd(), SW_SHOWNOACTIVATE);
    }

    void TearDown() override {
        if (Form3* notice = Form3::Current())
            DestroyWindow(notice->hwnd());
        if (form && form->hwnd())
            ShowWindow(form->hwnd(), SW_HIDE); // Wine takes seconds to destroy a shown window
        form.reset();
    }

    void Query() {
        SetWindowTextW(form->QQ(), L"12345");
        form->Command1_Click();
        ASSERT_TRUE(PumpUntil([&] { return !form->QueryRunning(); }, 10000));
        ASSERT_EQ(ListView_GetItemCount(form->ListView1()), 3);
    }

    void Select(int row) {
        ListView_SetItemState(form->ListView1(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        if (row >= 0)
            ListView_SetItemState(form->ListView1(), row, LVIS_SELECTED | LVIS_FOCUSED,
                                  LVIS_SELECTED | LVIS_FOCUSED);
    }

    // What the list view sends its parent for a click or a double-click.
    void Notify(UINT code) {
        NMITEMACTIVATE info{};
        info.hdr.hwndFrom = form->ListView1();
        info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(form->ListView1()));
        info.hdr.code = code;
        info.iItem = ListView_GetNextItem(form->ListView1(), -1, LVNI_SELECTED);
        SendMessageW(form->hwnd(), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
    }

    // Plays the row whose address is gone and lets the poll show the notice.
    void FailASong() {
        Query();
        Select(2);
        Notify(NM_DBLCLK);
        ASSERT_TRUE(StatusBecomes(L"准备就绪"));
        form->Timer1_Timer();
        ASSERT_NE(Form3::Current(), nullptr);
    }

    bool StatusBecomes(const wchar_t* text, DWORD timeoutMs = 5000) {
        return PumpUntil([&] { return form->WP1()->status().find(text) != std::wstring::npos; },
                         timeoutMs);
    }

    LoopbackServer server;
    NullAudioOutputs outputs;
    std::unique_ptr<Form1> form;
    std::vector<ShownMessage> shown;
};

TEST_F(Form1Playback, AClickOnAnEmptyTableSaysSoAndDisablesTheTable) {
    Notify(NM_CLICK);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].prompt, L"对不起，该好友没有歌曲，请重新搜索！");
    EXPECT_EQ(shown[0].caption, L"搜索失败");
    EXPECT_EQ(shown[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_FALSE(IsWindowEnabled(form->ListView1()));
    EXPECT_FALSE(IsWindowEnabled(form->Command2()));

    Query(); // a query enables both again
    EXPECT_TRUE(IsWindowEnabled(form->ListView1()));
    EXPECT_TRUE(IsWindowEnabled(form->Command2()));
}

TEST_F(Form1Playback, AClickBesideTheRowsOfAFilledTableDoesNothing) {
    Query();
    Select(0);
    Notify(NM_CLICK);
    Select(-1);
    Notify(NM_CLICK);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(IsWindowEnabled(form->ListView1()));
    EXPECT_TRUE(IsWindowEnabled(form->Command2()));
    EXPECT_EQ(form->gqm(), L"一"); // the last song shown stays
    Notify(NM_DBLCLK);
    EXPECT_EQ(form->WP1()->URL(), L"");
}

LRESULT CALLBACK CountCaptionWrites(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR, DWORD_PTR count) {
    if (message == WM_SETTEXT)
        ++*reinterpret_cast<int*>(count);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

TEST_F(Form1Playback, DoubleClickPlaysAndTheButtonPausesAndResumes) {
    Query();
    // No song chosen yet: the button neither plays nor pauses, so nothing fails.
    form->Command2_Click();
    form->Command2_Click();
    form->Timer1_Timer();
    EXPECT_EQ(form->WP1()->state(), PlayerState::Idle);
    EXPECT_EQ(Form3::Current(), nullptr);

    EXPECT_EQ(form->GuRL(), L"");
    Select(0);
    Notify(NM_CLICK); // shows the song
    EXPECT_EQ(form->gqm(), L"一");
    EXPECT_EQ(form->gq(), L"甲");
    EXPECT_EQ(form->GuRL(), server.BaseAddress() + L"/song1.wav");
    Notify(NM_DBLCLK); // and plays it
    EXPECT_EQ(form->WP1()->URL(), server.BaseAddress() + L"/song1.wav");
    ASSERT_TRUE(StatusBecomes(L"正在播放"));

    SetWindowTextW(form->Command2(), L"暂/播");
    form->Timer1_Timer(); // the poll shows the status and the caption for playing
    EXPECT_EQ(form->Label8(), form->WP1()->status());
    EXPECT_EQ(Caption(form->Command2()), L"播/暂");
    // The same caption is not written again: each write re-renders the button.
    int captionWrites = 0;
    SetWindowSubclass(form->Command2(), CountCaptionWrites, 1,
                      reinterpret_cast<DWORD_PTR>(&captionWrites));
    form->Timer1_Timer();
    form->Timer1_Timer();
    RemoveWindowSubclass(form->Command2(), CountCaptionWrites, 1);
    EXPECT_EQ(captionWrites, 0);

    SendMessageW(form->Command2(), BM_CLICK, 0, 0);
    EXPECT_EQ(Caption(form->Command2()), L"暂/播");
    EXPECT_EQ(form->WP1()->state(), PlayerState::Paused);
    form->Timer1_Timer();
    EXPECT_EQ(Caption(form->Command2()), L"暂/播"); // paused: the caption stays
    EXPECT_EQ(form->Label8(), form->WP1()->status());

    form->Command2_Click();
    EXPECT_EQ(Caption(form->Command2()), L"播/暂");
    EXPECT_TRUE(StatusBecomes(L"正在播放"));

    SetWindowTextW(form->Command2(), L"别的");
    form->Command2_Click(); // any other caption: nothing
    EXPECT_EQ(form->WP1()->state(), PlayerState::Playing);
}

TEST_F(Form1Playback, ANewDoubleClickReplacesTheSongAndANewQueryLeavesItPlaying) {
    Query();
    Select(0);
    Notify(NM_CLICK);
    Notify(NM_DBLCLK);
    ASSERT_TRUE(StatusBecomes(L"正在播放"));
    Select(1);
    Notify(NM_CLICK);
    Notify(NM_DBLCLK);
    EXPECT_EQ(form->WP1()->URL(), server.BaseAddress() + L"/song2.wav");
    ASSERT_TRUE(StatusBecomes(L"正在播放"));
    ASSERT_GE(outputs.logs().size(), 2u);
    EXPECT_FALSE(outputs.logs().front()->IsOpen()); // the first song's output is closed

    SetWindowTextW(form->Command2(), L"暂/播");
    Query();
    EXPECT_EQ(form->WP1()->state(), PlayerState::Playing);
    EXPECT_EQ(form->gqm(), L"二");
    EXPECT_EQ(form->GuRL(), server.BaseAddress() + L"/song2.wav");
    EXPECT_EQ(Caption(form->Command2()), L"暂/播");
}

TEST_F(Form1Playback, ASongThatCannotPlayBringsTheNoticeWhichSwitchesThePollOff) {
    Query();
    Select(2);
    Notify(NM_CLICK);
    Notify(NM_DBLCLK);
    ASSERT_TRUE(StatusBecomes(L"准备就绪"));
    // The failure restarted the 1 s poll: the notice within one poll, plus
    // slack for a loaded machine.
    ASSERT_TRUE(PumpUntil([] { return Form3::Current() != nullptr; }, 1500));
    const ULONGLONG shownAt = GetTickCount64();
    EXPECT_EQ(form->Label8(), form->WP1()->status());
    const HWND notice = Form3::Current()->hwnd();
    form->Timer1_Timer(); // one notice at a time
    EXPECT_EQ(Form3::Current()->hwnd(), notice);

    // It closes itself after 1.5 s and switches the poll off ...
    ASSERT_TRUE(PumpUntil([] { return Form3::Current() == nullptr; }, 2500));
    EXPECT_GE(GetTickCount64() - shownAt, 1450u);
    PumpFor(50); // its report to the main window
    EXPECT_FALSE(form->Timer1Enabled());
    const std::wstring label = form->Label8();
    PumpFor(1200);
    EXPECT_EQ(Form3::Current(), nullptr);
    EXPECT_EQ(form->Label8(), label);

    // ... until the player's state changes again.
    Select(0);
    Notify(NM_DBLCLK);
    EXPECT_TRUE(PumpUntil([&] { return form->Timer1Enabled(); }, 1000));
}

TEST_F(Form1Playback, AClickedAwayNoticeComesBackWhileTheSongStillFails) {
    FailASong();
    SendMessageW(Form3::Current()->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 30));
    EXPECT_EQ(Form3::Current(), nullptr);
    EXPECT_TRUE(form->Timer1Enabled()); // a click leaves the poll on
    ASSERT_TRUE(PumpUntil([] { return Form3::Current() != nullptr; }, 2000));
}

TEST_F(Form1Playback, DoubleClickOnTheAddressCopiesItAndConfirms) {
    PutOnClipboard(L"something else");
    const RECT gurl = Form1::GuRLRect();
    const LPARAM inside = MAKELPARAM((gurl.left + gurl.right) / 2, (gurl.top + gurl.bottom) / 2);
    SendMessageW(form->hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, inside);
    EXPECT_EQ(ClipboardText(), L""); // nothing clicked yet: an empty text
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].prompt, L"复制成功！");
    EXPECT_EQ(shown[0].caption, L"复制");
    EXPECT_EQ(shown[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));

    Query();
    Select(1);
    Notify(NM_CLICK);
    SendMessageW(form->hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, inside);
    EXPECT_EQ(ClipboardText(), server.BaseAddress() + L"/song2.wav");
    SendMessageW(form->hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(gurl.left, gurl.top - 5));
    EXPECT_EQ(shown.size(), 2u); // outside the label: nothing

    // Another program holds the clipboard: the copy fails visibly and changes nothing.
    PutOnClipboard(L"something else");
    std::atomic<bool> held = false;
    std::thread holder([&] {
        OpenClipboard(nullptr);
        held = true;
        Sleep(1500);
        CloseClipboard();
    });
    while (!held)
        Sleep(5);
    SendMessageW(form->hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, inside);
    holder.join();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].prompt, L"复制失败，请重试");
    EXPECT_EQ(shown[2].caption, L"复制");
    EXPECT_EQ(shown[2].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(ClipboardText(), L"something else");
}

TEST_F(Form1Playback, TheNoticeOutlivesTheMainWindowAndThenEndsTheProgram) {
    FailASong();

    QuitWhenLastWindowCloses(true);
    ShowWindow(form->hwnd(), SW_HIDE);
    DestroyWindow(form->hwnd());
    EXPECT_NE(Form3::Current(), nullptr);
    bool quit = false;
    const ULONGLONG deadline = GetTickCount64() + 3000;
    while (!quit && GetTickCount64() < deadline) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                quit = true;
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    QuitWhenLastWindowCloses(false);
    EXPECT_TRUE(quit);
    EXPECT_EQ(Form3::Current(), nullptr);
}

// A notice whose creation fails after its window got the object: the window
// refuses WM_CREATE through a subclass put in place by a creation hook.
WNDPROC noticeProc = nullptr;
LRESULT CALLBACK RefuseCreate(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return msg == WM_CREATE ? -1 : CallWindowProcW(noticeProc, hwnd, msg, wParam, lParam);
}
LRESULT CALLBACK SubclassNotice(int code, WPARAM wParam, LPARAM lParam) {
    wchar_t cls[64] = {};
    if (code == HCBT_CREATEWND && GetClassNameW(reinterpret_cast<HWND>(wParam), cls, 64) &&
        wcscmp(cls, L"QzoneMusicForm3") == 0)
        noticeProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            reinterpret_cast<HWND>(wParam), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RefuseCreate)));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(Form1Playback, ANoticeThatCannotBeMadeChangesNothing) {
    const int open = OpenTopWindows();
    QuitWhenLastWindowCloses(true);
    const HHOOK hook = SetWindowsHookExW(WH_CBT, SubclassNotice, nullptr, GetCurrentThreadId());
    Form3::Show(form->hwnd(), WM_APP + 50);
    UnhookWindowsHookEx(hook);
    ASSERT_NE(noticeProc, nullptr) << "the hook saw the notice's creation";
    EXPECT_EQ(Form3::Current(), nullptr);
    EXPECT_EQ(OpenTopWindows(), open); // the main window still counts
    MSG quit;
    EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    QuitWhenLastWindowCloses(false);
    Form3::Show(form->hwnd(), WM_APP + 50); // and the next notice comes as usual
    EXPECT_NE(Form3::Current(), nullptr);
}

TEST_F(Form1Playback, ClosingTheWindowWhileASongPlaysEndsItAtOnce) {
    Query();
    Select(0);
    Notify(NM_DBLCLK);
    ASSERT_TRUE(StatusBecomes(L"正在播放"));
    ShowWindow(form->hwnd(), SW_HIDE);
    const ULONGLONG start = GetTickCount64();
    DestroyWindow(form->hwnd());
    EXPECT_LT(GetTickCount64() - start, 1000u);
    ASSERT_FALSE(outputs.logs().empty());
    EXPECT_FALSE(outputs.logs().back()->IsOpen());
}

// Through the system's waveOut into PulseAudio's null sink.
TEST_F(Form1Playback, JunkBytesBringTheNoticeWithinOnePollOnTheRealOutput) {
    LoopbackResponse junk;
    junk.contentType = "audio/mpeg";
    junk.body = std::string(20000, '\x5A');
    server.Serve("/gone.mp3", junk);
    ShowWindow(form->hwnd(), SW_HIDE);
    form.reset();
    form = std::make_unique<Form1>(server.BaseAddress()); // waveOut
    form->SetMessageBox([](HWND, const wchar_t*, const wchar_t*, UINT) { return IDOK; });
    ASSERT_TRUE(form->Create());
    Query();
    Select(2);
    Notify(NM_DBLCLK);
    ASSERT_TRUE(StatusBecomes(L"准备就绪"));
    // One poll: the 1 s timer restarts at the last state change; the rest is slack.
    EXPECT_TRUE(PumpUntil([] { return Form3::Current() != nullptr; }, 2000));
}

TEST(NoticePicture, ShowsOnlyRedOnTheKeyColour) {
    void* bits = nullptr;
    const UniqueBitmap bitmap = CreateTopDownDib(kNoticePictureWidth, kNoticePictureHeight, &bits);
    UniqueHdc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(bitmap && dc);
    SelectGuard use(dc.get(), bitmap.get());
    DrawNoticePicture(dc.get(), 0, 0);
    GdiFlush();

    auto at = [&](int x, int y) {
        const DWORD bgr = static_cast<const DWORD*>(bits)[y * kNoticePictureWidth + x];
        return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
    };
    size_t red = 0;
    for (int y = 0; y < kNoticePictureHeight; ++y)
        for (int x = 0; x < kNoticePictureWidth; ++x) {
            const COLORREF c = at(x, y);
            ASSERT_TRUE(c == kNoticeKeyColor || c == kNoticeRed)
                << x << "," << y << " " << std::hex << c;
            red += c == kNoticeRed;
        }
    const struct {
        int x, y;
        COLORREF colour;
    } fixed[] = {
        {0, 0, kNoticeKeyColor},   {199, 99, kNoticeKeyColor}, {100, 30, kNoticeRed}, // bar centre
        {100, 7, kNoticeRed},      {100, 53, kNoticeRed},      {76, 30, kNoticeRed},  // the ring
        {90, 40, kNoticeKeyColor}, {110, 20, kNoticeKeyColor}, // beside the bar
    };
    for (const auto& p : fixed)
        EXPECT_EQ(at(p.x, p.y), p.colour) << p.x << "," << p.y;
    // Two lines of text below the sign put red pixels there too.
    size_t textRed = 0;
    for (int y = 60; y < 96; ++y)
        for (int x = 0; x < kNoticePictureWidth; ++x)
            textRed += at(x, y) == kNoticeRed;
    EXPECT_GT(textRed, 200u);
    EXPECT_LT(red, static_cast<size_t>(kNoticePictureWidth * kNoticePictureHeight / 3));
}

TEST_F(Form1Playback, TheNoticeIsABorderlessColourKeyedWindow) {
    Form3::Show(form->hwnd(), WM_APP + 50);
    ASSERT_NE(Form3::Current(), nullptr);
    const HWND notice = Form3::Current()->hwnd();
    RECT client;
    GetClientRect(notice, &client);
    EXPECT_EQ(client.right, 204);
    EXPECT_EQ(client.bottom, 99);
    EXPECT_EQ(GetWindowLongW(notice, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_TRUE(GetWindowLongW(notice, GWL_EXSTYLE) & WS_EX_LAYERED);
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(notice, &key, &alpha, &flags));
    EXPECT_EQ(key, 0x00FF0000u);
    EXPECT_EQ(flags & LWA_COLORKEY, static_cast<DWORD>(LWA_COLORKEY));
    Form3::Show(form->hwnd(), WM_APP + 50); // showing it again changes nothing
    EXPECT_EQ(Form3::Current()->hwnd(), notice);
}

} // namespace
