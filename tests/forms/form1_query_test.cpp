#include "background_work.h"
#include "form1_stage.h"
#include "query_address.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kBadNumber[] = L"QQ号为5至10位数字";
constexpr char kPath[] = "/fcg-bin/fcgi_agent_zhenghe.fcg";

std::vector<std::wstring> ListBoxItems(HWND list) {
    std::vector<std::wstring> items(static_cast<size_t>(SendMessageW(list, LB_GETCOUNT, 0, 0)));
    for (size_t i = 0; i < items.size(); ++i) {
        wchar_t text[1024] = {};
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        items[i] = text;
    }
    return items;
}

std::vector<std::vector<std::wstring>> Rows(HWND table) {
    std::vector<std::vector<std::wstring>> rows(static_cast<size_t>(ListView_GetItemCount(table)));
    for (size_t row = 0; row < rows.size(); ++row)
        for (int column = 0; column < 4; ++column) {
            wchar_t text[1024] = {};
            ListView_GetItemText(table, static_cast<int>(row), column, text, 1024);
            rows[row].push_back(text);
        }
    return rows;
}

// Each column's heading and width in pixels.
std::vector<std::pair<std::wstring, int>> Columns(HWND table) {
    std::vector<std::pair<std::wstring, int>> columns;
    wchar_t text[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = text;
    column.cchTextMax = 64;
    for (int i = 0; ListView_GetColumn(table, i, &column); ++i)
        columns.push_back({text, column.cx});
    return columns;
}

class Form1Query : public Form1Stage {
  protected:
    void SetUp() override {
        HttpOptions http;
        http.receiveTimeoutMs = 800;
        Open({}, Settings(L""), http);
    }

    void Answer(LoopbackResponse response) { server.Serve(kPath, std::move(response)); }

    void Type(const std::wstring& text) { SetWindowTextW(form->QQ(), text.c_str()); }

    // Types `text`, clicks 查询 (or presses Enter in the QQ box) and waits for
    // the query to end.
    void Query(const std::wstring& text, bool enter = false) {
        Type(text);
        if (enter)
            SendMessageW(form->QQ(), WM_CHAR, VK_RETURN, 0);
        else
            SendMessageW(form->Command1(), BM_CLICK, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return !form->QueryRunning(); }, 10000));
    }

    void ExpectError(const wchar_t* prompt) { ExpectShown(prompt, L"错误", MB_ICONSTOP); }

    int RowCount() const { return ListView_GetItemCount(form->ListView1()); }

    // No rows, the four columns, empty lists and the controls a query leaves on.
    void ExpectEmptyTableAfterAQuery() const {
        EXPECT_EQ(RowCount(), 0);
        EXPECT_EQ(Columns(form->ListView1()).size(), 4u);
        for (HWND list : {form->List1(), form->List2(), form->List3()})
            EXPECT_TRUE(ListBoxItems(list).empty());
        EXPECT_TRUE(IsWindowEnabled(form->Command2()));
        EXPECT_TRUE(IsWindowEnabled(form->ListView1()));
        EXPECT_TRUE(form->Timer1Enabled());
    }
};

const std::vector<AnswerSong> kThreeSongs = {
    {L"http&#58;&#95;&#95;m&#46;cn&#95;a&#32;b&#39;c&#45;1&#37;20.mp3 ", L"晴天&#32;&#39;live&#39;",
     L"周杰伦&#32;&#95;JAY"},
    {L"http&#58;&#95;&#95;m&#46;cn&#95;two.mp3x", L"七里香", L"周杰伦"},
    {L"", L"空地址", L"无名"},
};

// One window through a sequence of queries: what it starts with, numbers it
// refuses, what it sends, the rows it shows, and the answers it cannot use.
// The number rule, the escaping and the kinds of failure are tables of their own.
TEST_F(Form1Query, FillsTheTableWithDecodedRowsOrSaysWhyNot) {
    EXPECT_EQ(RowCount(), 0);
    EXPECT_TRUE(Columns(form->ListView1()).empty());
    EXPECT_FALSE(IsWindowEnabled(form->Command2()));
    EXPECT_FALSE(form->Timer1Enabled());
    for (HWND list : {form->List1(), form->List2(), form->List3()})
        EXPECT_FALSE(GetWindowLongW(list, GWL_STYLE) & WS_VISIBLE);

    // Enter in the QQ box does what the button does, message included.
    Answer(XmlAnswer(MakeAnswer(kThreeSongs, "GB2312", 936)));
    Query(L"1234", true);
    ExpectError(kBadNumber);
    Query(L"123456", true);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(ListBoxItems(form->List1()),
              (std::vector<std::wstring>{L"http://m.cn/a&#32;b&#39;c-1%20.mp3 ",
                                         L"http://m.cn/two.mp3x", L""}));
    EXPECT_EQ(ListBoxItems(form->List2()),
              (std::vector<std::wstring>{L"周杰伦 /JAY", L"周杰伦", L"无名"}));
    EXPECT_EQ(ListBoxItems(form->List3()),
              (std::vector<std::wstring>{L"晴天 'live'", L"七里香", L"空地址"}));
    const HWND table = form->ListView1();
    EXPECT_EQ(Rows(table), (std::vector<std::vector<std::wstring>>{
                               {L"1", L"晴天 'live'", L"周杰伦 /JAY",
                                L"http://m.cn/a&#32;b&#39;c-1%20.mp3"},
                               {L"2", L"七里香", L"周杰伦", L"http://m.cn/two.mp3"},
                               {L"3", L"空地址", L"无名", L""}}));
    // 8775 twips wide: 8775/20, /6, /9 in single precision, /1.7 in double,
    // then 15 twips a pixel, ties to even (97.5 -> 98).
    EXPECT_EQ(Columns(table), (std::vector<std::pair<std::wstring, int>>{
                                  {L"编号", 29}, {L"歌曲", 98}, {L"歌手", 65}, {L"地址", 344}}));
    EXPECT_EQ(GetWindowLongW(table, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(IsWindowEnabled(form->Command2()));
    EXPECT_TRUE(form->Timer1Enabled());

    // A refused text sends nothing and leaves the table and the lists.
    for (const std::wstring& text : {std::wstring(), std::wstring(L"1234"), std::wstring(L"晴天"),
                                     std::wstring(300, L'9')}) {
        SCOPED_TRACE(testing::Message() << text.size() << " characters");
        Query(text);
        ExpectError(kBadNumber);
        EXPECT_EQ(RowCount(), 3);
        EXPECT_EQ(ListBoxItems(form->List1()).size(), 3u);
    }
    EXPECT_EQ(server.Requests().size(), 1u);

    // Accepted texts go out untrimmed, escaped; an answer without songs
    // empties the table, keeps its columns and says nothing.
    Answer(XmlAnswer(MakeAnswer({})));
    const std::pair<const wchar_t*, std::string> accepted[] = {
        {L" 12345 ", "%2012345%20"}, {L"12345&TYPE=1", "12345%26TYPE%3D1"}};
    for (const auto& [typed, sent] : accepted) {
        Query(typed);
        EXPECT_EQ(server.Requests().back(), kPath + ("?UIN=" + sent) +
                                                "&TYPE=16&PAGE_START=1&PAGE_END=10000&SELECT_FLAG=1");
    }
    EXPECT_TRUE(shown.empty());
    ExpectEmptyTableAfterAQuery();

    // A failed transfer or document never leaves the earlier number's songs.
    const std::string full = MakeAnswer(kThreeSongs);
    const std::pair<const char*, LoopbackResponse> failures[] = {
        {"404 with XML", XmlAnswer("<?xml version=\"1.0\"?><error>not found</error>", 404)},
        {"truncated XML", XmlAnswer(full.substr(0, full.size() - 40))}};
    for (const auto& [what, failure] : failures) {
        SCOPED_TRACE(what);
        Answer(XmlAnswer(full));
        Query(L"11111");
        ASSERT_EQ(RowCount(), 3);
        Answer(failure);
        Query(L"22222");
        ExpectEmptyTableAfterAQuery();
        ExpectError(L"获取歌曲列表失败，请检查网络后重试");
    }

    // A handler that throws (here the message box) never crosses the window
    // procedure: the window goes on.
    form->SetMessageBox([](HWND, const wchar_t*, const wchar_t*, UINT) -> int {
        throw std::runtime_error("no memory for a message box");
    });
    Query(L"1234");
    Answer(XmlAnswer(full));
    Query(L"12345");
    EXPECT_EQ(RowCount(), 3);
}

TEST_F(Form1Query, RunsOffTheWindowThreadAndRefusesASecondQuery) {
    LoopbackResponse slow = XmlAnswer(MakeAnswer(kThreeSongs));
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
    Type(L"33333"); // asked for while the first runs: never sent
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
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_NE(server.Requests()[1].find("UIN=22222&"), std::string::npos);

    // Nor does closing the window wait for a query the server never answers.
    LoopbackResponse never;
    never.mode = LoopbackResponse::Mode::NeverAnswer;
    Answer(never);
    Type(L"12345");
    form->Command1_Click();
    ASSERT_TRUE(form->QueryRunning());
    const ULONGLONG start = GetTickCount64();
    DestroyWindow(form->hwnd());
    EXPECT_LT(GetTickCount64() - start, 500u);
    EXPECT_EQ(form->hwnd(), nullptr);
    PumpFor(50);
    EXPECT_TRUE(shown.empty());
}

// A full message queue refuses a post; the worker's report still arrives, and
// only for its own query.
TEST(QueryRunner, AReportTheQueueRefusedAtFirstStillArrives) {
    LoopbackServer server;
    server.Serve(kPath, XmlAnswer(MakeAnswer(kThreeSongs)));
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
    runner.Start(BuildQueryAddress(server.BaseAddress(), L"23456"));
    EXPECT_FALSE(runner.Finish(msg.wParam)) << "the report of the query before";
    EXPECT_TRUE(runner.Running());
    DestroyWindow(window);
    // Nor is a report to a window that is gone taken for delivered.
    EXPECT_FALSE(PostReport(window, kDone, 0, 0, [](HWND, UINT, WPARAM, LPARAM) { return FALSE; }));
}

} // namespace
