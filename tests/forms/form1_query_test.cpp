#include "answers.h"
#include "form1.h"
#include "gui_test.h"
#include "loopback_server.h"
#include "message_pump.h"
#include "query_address.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <objbase.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Mode = LoopbackResponse::Mode;

constexpr wchar_t kBadNumber[] = L"QQ号为5至10位数字";
constexpr wchar_t kLoadFailed[] = L"获取歌曲列表失败，请检查网络后重试";
constexpr char kPath[] = "/fcg-bin/fcgi_agent_zhenghe.fcg";

std::vector<std::wstring> ListBoxItems(HWND list) {
    std::vector<std::wstring> items;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        text.resize(static_cast<size_t>(
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
        items.push_back(text);
    }
    return items;
}

std::wstring CellText(HWND table, int row, int column) {
    wchar_t buffer[1024] = {};
    ListView_GetItemText(table, row, column, buffer, 1024);
    return buffer;
}

std::vector<std::wstring> RowTexts(HWND table, int row) {
    return {CellText(table, row, 0), CellText(table, row, 1), CellText(table, row, 2),
            CellText(table, row, 3)};
}

struct ColumnInfo {
    std::wstring text;
    int width;
    bool operator==(const ColumnInfo&) const = default;
};

std::vector<ColumnInfo> Columns(HWND table) {
    std::vector<ColumnInfo> columns;
    for (int i = 0;; ++i) {
        wchar_t text[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = text;
        column.cchTextMax = 64;
        if (!ListView_GetColumn(table, i, &column))
            break;
        columns.push_back({text, column.cx});
    }
    return columns;
}

LoopbackResponse Xml(std::string body, int status = 200) {
    LoopbackResponse r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

class Form1Query : public testing::Test {
  protected:
    static void SetUpTestSuite() { InitGuiTestThread(); }

    void SetUp() override {
        HttpOptions http;
        http.connectTimeoutMs = 2000;
        http.sendTimeoutMs = 2000;
        http.receiveTimeoutMs = 800;
        http.maxBodyBytes = 3 << 20;
        form = std::make_unique<Form1>(server.BaseAddress(), http);
        form->SetMessageBox(RecordMessages(shown));
        ASSERT_TRUE(form->Create());
        ShowWindow(form->hwnd(), SW_SHOWNOACTIVATE);
    }

    void TearDown() override {
        if (form && form->hwnd())
            ShowWindow(form->hwnd(), SW_HIDE); // see ClosingTheWindowDuringAQueryEndsItAtOnce
        form.reset();
    }

    void Answer(LoopbackResponse response) { server.Serve(kPath, std::move(response)); }

    void Type(const std::wstring& text) { SetWindowTextW(form->QQ(), text.c_str()); }

    // Clicks 查询 with `text` in the QQ box and waits for the query to end.
    void Query(const std::wstring& text) {
        Type(text);
        form->Command1_Click();
        ASSERT_TRUE(PumpUntil([&] { return !form->QueryRunning(); }, 10000));
    }

    int RowCount() const { return ListView_GetItemCount(form->ListView1()); }

    void ExpectControlsEnabled() const {
        EXPECT_TRUE(IsWindowEnabled(form->Command2()));
        EXPECT_TRUE(IsWindowEnabled(form->ListView1()));
        EXPECT_TRUE(form->Timer1Enabled());
    }

    LoopbackServer server;
    std::unique_ptr<Form1> form;
    std::vector<ShownMessage> shown;
};

const std::vector<AnswerSong> kThreeSongs = {
    {L"http&#58;&#95;&#95;m&#46;cn&#95;a&#32;b&#39;c&#45;1&#37;20.mp3 ", L"晴天&#32;&#39;live&#39;",
     L"周杰伦&#95;JAY"},
    {L"http&#58;&#95;&#95;m&#46;cn&#95;two.mp3x", L"七里香", L"周杰伦"},
    {L"", L"空地址", L"无名"},
};

TEST_F(Form1Query, StartsWithAnEmptyTableAndThePlayButtonOff) {
    EXPECT_EQ(RowCount(), 0);
    EXPECT_TRUE(Columns(form->ListView1()).empty());
    EXPECT_FALSE(IsWindowEnabled(form->Command2()));
    EXPECT_FALSE(form->Timer1Enabled());
    for (HWND list : {form->List1(), form->List2(), form->List3()})
        EXPECT_FALSE(IsWindowVisible(list));
}

TEST_F(Form1Query, RejectsTextsThatAreNotAQQNumberAndChangesNothing) {
    Answer(Xml(MakeAnswer(kThreeSongs)));
    Query(L"10001");
    ASSERT_EQ(RowCount(), 3);
    shown.clear();

    // The number rule itself is a table of its own; here what a refusal leaves.
    const std::wstring rejected[] = {L"", L"1234", L"晴天", std::wstring(300, L'9')};
    for (const std::wstring& text : rejected) {
        Type(text);
        form->Command1_Click();
        EXPECT_FALSE(form->QueryRunning());
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].prompt, kBadNumber);
        EXPECT_EQ(shown[0].caption, L"错误");
        EXPECT_EQ(shown[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
        shown.clear();
        EXPECT_EQ(RowCount(), 3); // the table, the lists and the controls stay
        EXPECT_EQ(ListBoxItems(form->List1()).size(), 3u);
    }
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(Form1Query, SendsAcceptedTextsAsTypedButEscaped) {
    Answer(Xml(MakeAnswer({})));
    // Untrimmed and escaped as typed; the escaping itself is a table of its own.
    const struct {
        const wchar_t* typed;
        const char* sent;
    } cases[] = {{L" 12345 ", "%2012345%20"}, {L"12345&TYPE=1", "12345%26TYPE%3D1"}};
    for (const auto& c : cases) {
        Query(c.typed);
        ASSERT_FALSE(server.Requests().empty());
        EXPECT_EQ(server.Requests().back(),
                  std::string(kPath) + "?UIN=" + c.sent +
                      "&TYPE=16&PAGE_START=1&PAGE_END=10000&SELECT_FLAG=1");
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(Form1Query, FillsTheTableWithNumberedDecodedRows) {
    Answer(Xml(MakeAnswer(kThreeSongs, "GB2312", 936)));
    Query(L"123456");
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(form->MusicDocLoaded());

    EXPECT_EQ(ListBoxItems(form->List1()),
              (std::vector<std::wstring>{L"http://m.cn/a&#32;b&#39;c-1%20.mp3 ",
                                         L"http://m.cn/two.mp3x", L""}));
    EXPECT_EQ(ListBoxItems(form->List2()),
              (std::vector<std::wstring>{L"周杰伦/JAY", L"周杰伦", L"无名"}));
    EXPECT_EQ(ListBoxItems(form->List3()),
              (std::vector<std::wstring>{L"晴天 'live'", L"七里香", L"空地址"}));

    const HWND table = form->ListView1();
    ASSERT_EQ(RowCount(), 3);
    EXPECT_EQ(RowTexts(table, 0),
              (std::vector<std::wstring>{L"1", L"晴天 'live'", L"周杰伦/JAY",
                                         L"http://m.cn/a&#32;b&#39;c-1%20.mp3"}));
    EXPECT_EQ(RowTexts(table, 1),
              (std::vector<std::wstring>{L"2", L"七里香", L"周杰伦", L"http://m.cn/two.mp3"}));
    EXPECT_EQ(RowTexts(table, 2), (std::vector<std::wstring>{L"3", L"空地址", L"无名", L""}));

    // 8775 twips wide: 8775/20, /6, /9 in single precision, /1.7 in double,
    // then 15 twips a pixel, ties to even (97.5 -> 98).
    EXPECT_EQ(
        Columns(table),
        (std::vector<ColumnInfo>{{L"编号", 29}, {L"歌曲", 98}, {L"歌手", 65}, {L"地址", 344}}));
    EXPECT_EQ(GetWindowLongW(table, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    ExpectControlsEnabled();
}

TEST_F(Form1Query, AnAnswerWithoutSongsLeavesAnEmptyTableWithItsColumns) {
    Answer(Xml(MakeAnswer(kThreeSongs)));
    Query(L"123456");
    ASSERT_EQ(RowCount(), 3);
    Answer(Xml(MakeAnswer({})));
    Query(L"123456");
    EXPECT_EQ(RowCount(), 0);
    EXPECT_EQ(Columns(form->ListView1()).size(), 4u);
    for (HWND list : {form->List1(), form->List2(), form->List3()})
        EXPECT_TRUE(ListBoxItems(list).empty());
    EXPECT_TRUE(shown.empty()) << "no message for an empty list";
    ExpectControlsEnabled();
}

TEST_F(Form1Query, AFailedLoadNeverShowsTheEarlierNumbersSongs) {
    // One failure of the transfer, one of the document; the kinds of each are
    // tables of the client and the parser.
    const std::string full = MakeAnswer(kThreeSongs);
    const struct {
        const char* what;
        LoopbackResponse response;
    } failures[] = {
        {"404 with XML", Xml("<?xml version=\"1.0\"?><error>not found</error>", 404)},
        {"truncated XML", Xml(full.substr(0, full.size() - 40))},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.what);
        Answer(Xml(full));
        Query(L"11111");
        ASSERT_EQ(RowCount(), 3);
        shown.clear();

        Answer(failure.response);
        Query(L"22222");
        EXPECT_FALSE(form->MusicDocLoaded());
        EXPECT_EQ(RowCount(), 0);
        EXPECT_EQ(Columns(form->ListView1()).size(), 4u);
        for (HWND list : {form->List1(), form->List2(), form->List3()})
            EXPECT_TRUE(ListBoxItems(list).empty());
        ExpectControlsEnabled();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].prompt, kLoadFailed);
        EXPECT_EQ(shown[0].caption, L"错误");
        EXPECT_EQ(shown[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
    }
}

TEST_F(Form1Query, RunsOffTheWindowThreadAndRefusesASecondQuery) {
    LoopbackResponse slow = Xml(MakeAnswer(kThreeSongs));
    slow.delayMs = 600;
    Answer(slow);
    Query(L"11111");
    ASSERT_EQ(RowCount(), 3);

    Type(L"22222");
    form->Command1_Click();
    // Command1_Click came back at once; the table was emptied and stays empty
    // until the answer is in.
    EXPECT_TRUE(form->QueryRunning());
    EXPECT_EQ(RowCount(), 0);
    form->Command1_Click();
    SendMessageW(form->QQ(), WM_CHAR, VK_RETURN, 0);
    SendMessageW(form->Command1(), BM_CLICK, 0, 0);
    // A click in the table while it fills says nothing about the list being loaded.
    NMITEMACTIVATE click{};
    click.hdr = {form->ListView1(), static_cast<UINT_PTR>(GetDlgCtrlID(form->ListView1())),
                 static_cast<UINT>(NM_CLICK)};
    click.iItem = -1;
    SendMessageW(form->hwnd(), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
    EXPECT_TRUE(shown.empty());
    // The window keeps answering while the worker waits for the server.
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutW(form->hwnd(), WM_NULL, 0, 0, SMTO_NORMAL, 200, &result));
    PumpFor(100);
    EXPECT_EQ(RowCount(), 0);
    ASSERT_TRUE(PumpUntil([&] { return !form->QueryRunning(); }, 5000));
    EXPECT_EQ(RowCount(), 3);
    EXPECT_TRUE(IsWindowEnabled(form->ListView1()));
    EXPECT_TRUE(IsWindowEnabled(form->Command2()));
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(Form1Query, EnterInTheQQBoxAndAClickOnTheButtonBothQuery) {
    Answer(Xml(MakeAnswer(kThreeSongs)));
    Type(L"1234"); // Enter behaves like the button, message included
    SendMessageW(form->QQ(), WM_CHAR, VK_RETURN, 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].prompt, kBadNumber);

    Type(L"12345");
    SendMessageW(form->QQ(), WM_CHAR, VK_RETURN, 0);
    ASSERT_TRUE(PumpUntil([&] { return RowCount() == 3; }, 5000));

    Answer(Xml(MakeAnswer({})));
    SendMessageW(form->Command1(), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !form->QueryRunning() && RowCount() == 0; }, 5000));
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(Form1Query, ClosingTheWindowDuringAQueryEndsItAtOnce) {
    LoopbackResponse never;
    never.mode = Mode::NeverAnswer;
    Answer(never);
    Type(L"12345");
    form->Command1_Click();
    ASSERT_TRUE(form->QueryRunning());
    // Hidden first: Wine's X11 driver alone takes seconds to destroy a
    // visible top-level window.
    ShowWindow(form->hwnd(), SW_HIDE);
    const ULONGLONG start = GetTickCount64();
    DestroyWindow(form->hwnd());
    EXPECT_LT(GetTickCount64() - start, 500u);
    EXPECT_EQ(form->hwnd(), nullptr);
    PumpFor(50);
    EXPECT_TRUE(shown.empty());
}

TEST_F(Form1Query, AThrowingHandlerNeverCrossesTheWindowProcedure) {
    form->SetMessageBox([](HWND, const wchar_t*, const wchar_t*, UINT) -> int {
        throw std::runtime_error("no memory for a message box");
    });
    Type(L"1234");
    SendMessageW(form->Command1(), BM_CLICK, 0, 0); // its handler throws
    Answer(Xml(MakeAnswer(kThreeSongs)));
    Type(L"12345");
    SendMessageW(form->Command1(), BM_CLICK, 0, 0); // and the window goes on
    ASSERT_TRUE(PumpUntil([&] { return RowCount() == 3; }, 5000));
    EXPECT_FALSE(form->QueryRunning());
}

// A full message queue refuses a post; the worker's report still arrives.
TEST(QueryRunner, AReportTheQueueRefusedAtFirstStillArrives) {
    LoopbackServer server;
    server.Serve(kPath, Xml(MakeAnswer(kThreeSongs)));
    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        nullptr, nullptr);
    static int refusals;
    refusals = 5;
    constexpr UINT kDone = WM_APP + 9;
    QueryRunner runner(window, kDone, HttpOptions{}, [](HWND h, UINT m, WPARAM w, LPARAM l) {
        return refusals-- > 0 ? FALSE : PostMessageW(h, m, w, l);
    });
    runner.Start(BuildQueryAddress(server.BaseAddress(), L"12345"));
    MSG msg{};
    const ULONGLONG deadline = GetTickCount64() + 5000;
    while (!PeekMessageW(&msg, window, kDone, kDone, PM_REMOVE) && GetTickCount64() < deadline)
        Sleep(10);
    ASSERT_EQ(msg.message, kDone);
    EXPECT_LT(refusals, 0);
    const std::optional<MusicListAnswer> answer = runner.Finish(msg.wParam);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->addresses.size(), 3u);
    EXPECT_FALSE(runner.Running());
    DestroyWindow(window);
}

} // namespace
