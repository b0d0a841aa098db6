#include "form1_stage.h"
#include "top_windows.h"
#include "window_text.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {


void PutOnClipboard(const std::wstring& text) {
    OpenClipboard(nullptr);
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

class Form1Playback : public Form1Stage {
  protected:
    void SetUp() override {
        // Two seconds of tone each: long enough to pause and resume.
        Serve(2, 2.0, {{L"/song1.wav", L"一", L"甲"},
                       {L"/song2.wav", L"二", L"乙"},
                       {L"/gone.mp3", L"三", L"丙"}});
        Open(outputs.Factory());
    }

    void Query() { Form1Stage::Query(3); }

    // Selects `row` (-1: none) and sends what the list view sends its parent
    // for a click or a double-click.
    void Notify(UINT code, int row) {
        const HWND table = form->ListView1();
        ListView_SetItemState(table, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        if (row >= 0)
            ListView_SetItemState(table, row, LVIS_SELECTED | LVIS_FOCUSED,
                                  LVIS_SELECTED | LVIS_FOCUSED);
        NMITEMACTIVATE info{};
        info.hdr = {table, static_cast<UINT_PTR>(GetDlgCtrlID(table)), code};
        info.iItem = row;
        SendMessageW(form->hwnd(), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
    }

    bool StatusBecomes(const wchar_t* text) {
        return PumpUntil([&] { return form->WP1()->status().find(text) != std::wstring::npos; },
                         5000);
    }

    NullAudioOutputs outputs;
};

LRESULT CALLBACK CountCaptionWrites(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR, DWORD_PTR count) {
    if (message == WM_SETTEXT)
        ++*reinterpret_cast<int*>(count);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// One window from an empty table to a song playing when the window closes:
// what clicks show, what double-clicks play, the button and the poll.
TEST_F(Form1Playback, DoubleClickPlaysAndTheButtonPausesAndResumes) {
    // A click on the empty table: the friend has no songs, and the table and
    // the button are off until a query.
    Notify(NM_CLICK, -1);
    ExpectShown(L"对不起，该好友没有歌曲，请重新搜索！", L"搜索失败", MB_ICONSTOP);
    EXPECT_FALSE(IsWindowEnabled(form->ListView1()));
    EXPECT_FALSE(IsWindowEnabled(form->Command2()));
    Query();
    EXPECT_TRUE(IsWindowEnabled(form->ListView1()));
    EXPECT_TRUE(IsWindowEnabled(form->Command2()));

    // A click shows the song; a click beside the rows leaves it and says nothing.
    EXPECT_EQ(form->GuRL(), L"");
    Notify(NM_CLICK, 0);
    EXPECT_EQ(form->gqm(), L"一");
    EXPECT_EQ(form->gq(), L"甲");
    EXPECT_EQ(form->GuRL(), Song(1));
    Notify(NM_CLICK, -1);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(IsWindowEnabled(form->ListView1()));
    EXPECT_TRUE(IsWindowEnabled(form->Command2()));
    EXPECT_EQ(form->gqm(), L"一");

    // No row chosen: the double-click, the button and the poll neither play
    // nor pause, so nothing fails.
    Notify(NM_DBLCLK, -1);
    form->Command2_Click();
    form->Command2_Click();
    form->Timer1_Timer();
    EXPECT_EQ(form->WP1()->URL(), L"");
    EXPECT_EQ(form->WP1()->state(), PlayerState::Idle);
    EXPECT_EQ(Form3::Current(), nullptr);

    Notify(NM_DBLCLK, 0);
    EXPECT_EQ(form->WP1()->URL(), Song(1));
    ASSERT_TRUE(StatusBecomes(L"正在播放"));

    SetWindowTextW(form->Command2(), L"暂/播");
    form->Timer1_Timer(); // the poll shows the status and the caption for playing
    EXPECT_EQ(form->Label8(), form->WP1()->status());
    EXPECT_EQ(WindowText(form->Command2()), L"播/暂");
    // The same caption is not written again: each write re-renders the button.
    int captionWrites = 0;
    SetWindowSubclass(form->Command2(), CountCaptionWrites, 1,
                      reinterpret_cast<DWORD_PTR>(&captionWrites));
    form->Timer1_Timer();
    form->Timer1_Timer();
    RemoveWindowSubclass(form->Command2(), CountCaptionWrites, 1);
    EXPECT_EQ(captionWrites, 0);

    SendMessageW(form->Command2(), BM_CLICK, 0, 0);
    EXPECT_EQ(WindowText(form->Command2()), L"暂/播");
    EXPECT_EQ(form->WP1()->state(), PlayerState::Paused);
    form->Timer1_Timer();
    EXPECT_EQ(WindowText(form->Command2()), L"暂/播"); // paused: the caption stays
    EXPECT_EQ(form->Label8(), form->WP1()->status());

    form->Command2_Click();
    EXPECT_EQ(WindowText(form->Command2()), L"播/暂");
    EXPECT_TRUE(StatusBecomes(L"正在播放"));
    // Two quick clicks: the button reports the second as a double-click, and
    // it counts as a click all the same.
    for (const UINT press : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}) {
        SendMessageW(form->Command2(), press, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(form->Command2(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        EXPECT_EQ(WindowText(form->Command2()), press == WM_LBUTTONDOWN ? L"暂/播" : L"播/暂");
    }
    SetWindowTextW(form->Command2(), L"别的");
    form->Command2_Click(); // any other caption: nothing
    EXPECT_EQ(form->WP1()->state(), PlayerState::Playing);

    // Another double-click replaces the song: the first one's output is closed.
    Notify(NM_CLICK, 1);
    Notify(NM_DBLCLK, 1);
    EXPECT_EQ(form->WP1()->URL(), Song(2));
    ASSERT_TRUE(StatusBecomes(L"正在播放"));
    ASSERT_GE(outputs.logs().size(), 2u);
    EXPECT_FALSE(outputs.logs().front()->IsOpen());

    // A new query leaves the song playing, shown, and the button as it was.
    SetWindowTextW(form->Command2(), L"暂/播");
    Query();
    EXPECT_EQ(form->WP1()->state(), PlayerState::Playing);
    EXPECT_EQ(form->gqm(), L"二");
    EXPECT_EQ(form->GuRL(), Song(2));
    EXPECT_EQ(WindowText(form->Command2()), L"暂/播");

    // Closing the window while the song plays ends it at once.
    const ULONGLONG start = GetTickCount64();
    DestroyWindow(form->hwnd());
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_FALSE(outputs.logs().back()->IsOpen());
}

// Copying a shown song's address by a real double-click is for the end-to-end test.
TEST_F(Form1Playback, DoubleClickOnTheAddressCopiesItAndConfirms) {
    PutOnClipboard(L"something else");
    const RECT gurl = form->GuRLRect();
    const LPARAM inside = MAKELPARAM((gurl.left + gurl.right) / 2, (gurl.top + gurl.bottom) / 2);
    SendMessageW(form->hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, inside);
    EXPECT_EQ(ClipboardText(), L""); // nothing clicked yet: an empty text
    ExpectShown(L"复制成功！", L"复制", MB_ICONINFORMATION);
    SendMessageW(form->hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(gurl.left, gurl.top - 5));
    EXPECT_TRUE(shown.empty()); // outside the label: nothing

    // Another program holds the clipboard: the copy fails visibly and changes nothing.
    PutOnClipboard(L"something else");
    std::atomic<bool> held = false, copied = false;
    std::thread holder([&] { // until the copy gave up, or for 1.5 s at most
        OpenClipboard(nullptr);
        held = true;
        for (int i = 0; i < 300 && !copied; ++i)
            Sleep(5);
        CloseClipboard();
    });
    while (!held)
        Sleep(5);
    SendMessageW(form->hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, inside);
    copied = true;
    holder.join();
    ExpectShown(L"复制失败，请重试", L"复制", MB_ICONEXCLAMATION);
    EXPECT_EQ(ClipboardText(), L"something else");
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

// Songs that cannot play, through the system's waveOut into PulseAudio's null
// sink: the notice from its coming to the end of the program.
TEST_F(Form1Playback, ASongThatCannotPlayBringsTheNoticeWhichSwitchesThePollOff) {
    form.reset();
    Open({});

    // A notice that cannot be made changes nothing; the next one comes as usual.
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

    Query();
    Notify(NM_DBLCLK, 2); // its address is gone
    ASSERT_TRUE(StatusBecomes(L"准备就绪"));
    // The failure restarted the 1 s poll: the notice within one poll, plus
    // slack for a loaded machine.
    ASSERT_TRUE(PumpUntil([] { return Form3::Current() != nullptr; }, 1500));
    const ULONGLONG shownAt = GetTickCount64();
    EXPECT_EQ(form->Label8(), form->WP1()->status());
    // A borderless window, only its colour key see-through.
    const HWND notice = Form3::Current()->hwnd();
    RECT client;
    GetClientRect(notice, &client);
    EXPECT_EQ(client.right, 204);
    EXPECT_EQ(client.bottom, 99);
    EXPECT_EQ(GetWindowLongW(notice, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(notice, &key, &alpha, &flags));
    EXPECT_EQ(key, 0x00FF0000u);
    EXPECT_EQ(flags & LWA_COLORKEY, static_cast<DWORD>(LWA_COLORKEY));
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

    // ... until the player's state changes again: bytes that are no song
    // bring the notice within one poll.
    server.Serve("/gone.mp3", AudioAnswer(std::string(20000, '\x5A')));
    Notify(NM_DBLCLK, 2);
    EXPECT_TRUE(PumpUntil([&] { return form->Timer1Enabled(); }, 1000));
    ASSERT_TRUE(StatusBecomes(L"准备就绪"));
    ASSERT_TRUE(PumpUntil([] { return Form3::Current() != nullptr; }, 2000));

    // Clicked away it goes, the poll stays on, and it comes back while the
    // song still fails.
    SendMessageW(Form3::Current()->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 30));
    EXPECT_EQ(Form3::Current(), nullptr);
    EXPECT_TRUE(form->Timer1Enabled());
    ASSERT_TRUE(PumpUntil([] { return Form3::Current() != nullptr; }, 2000));

    // It outlives the main window, and closing itself then ends the program.
    QuitWhenLastWindowCloses(true);
    DestroyWindow(form->hwnd());
    EXPECT_NE(Form3::Current(), nullptr);
    bool quitPosted = false;
    const ULONGLONG deadline = GetTickCount64() + 3000;
    while (!quitPosted && GetTickCount64() < deadline) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                quitPosted = true;
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    QuitWhenLastWindowCloses(false);
    EXPECT_TRUE(quitPosted);
    EXPECT_EQ(Form3::Current(), nullptr);
}

// At 96 dpi and at twice that, drawn rather than stretched.
TEST(NoticePicture, ShowsOnlyRedOnTheKeyColourAtEveryScale) {
    for (const int scale : {1, 2}) {
        const int width = kNoticePictureWidth * scale, height = kNoticePictureHeight * scale;
        void* bits = nullptr;
        const UniqueBitmap bitmap = CreateTopDownDib(width, height, &bits);
        UniqueHdc dc(CreateCompatibleDC(nullptr));
        ASSERT_TRUE(bitmap && dc);
        SelectGuard use(dc.get(), bitmap.get());
        DrawNoticePicture(dc.get(), 0, 0, 96 * scale);
        GdiFlush();

        auto at = [&](int x, int y) {
            const DWORD bgr = static_cast<const DWORD*>(bits)[y * width + x];
            return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
        };
        size_t red = 0, textRed = 0; // the two lines of text lie in rows 60 to 95
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const COLORREF c = at(x, y);
                ASSERT_TRUE(c == kNoticeKeyColor || c == kNoticeRed)
                    << x << "," << y << " " << std::hex << c;
                red += c == kNoticeRed;
                textRed += c == kNoticeRed && y >= 60 * scale && y < 96 * scale;
            }
        EXPECT_GT(textRed, 200u * scale * scale);
        EXPECT_LT(red, static_cast<size_t>(width * height / 3));
        const struct {
            int x, y;
            COLORREF colour;
        } fixed[] = {
            {0, 0, kNoticeKeyColor},   {199, 99, kNoticeKeyColor}, {100, 30, kNoticeRed}, // bar
            {100, 7, kNoticeRed},      {100, 53, kNoticeRed},      {76, 30, kNoticeRed},  // ring
            {90, 40, kNoticeKeyColor}, {110, 20, kNoticeKeyColor}, // beside the bar
            {124, 54, kNoticeKeyColor}, // on its line, beyond the ring
        };
        for (const auto& p : fixed)
            EXPECT_EQ(at(p.x * scale, p.y * scale), p.colour) << p.x << "," << p.y << " x" << scale;
    }
}

} // namespace
