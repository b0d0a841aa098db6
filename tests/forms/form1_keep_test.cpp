#include "form1_stage.h"
#include "temp_folder.h"
#include "window_text.h"

namespace {

bool SameSong(const std::vector<BYTE>& played, const std::string& wav) {
    return played.size() + 44 == wav.size() &&
           std::equal(played.begin(), played.end(), wav.begin() + 44,
                      [](BYTE a, char b) { return a == static_cast<BYTE>(b); });
}

// The table's songs: two short ones, one whose address is gone, one whose
// name tries to leave the chosen folder.
class Form1Keep : public Form1Stage {
  protected:
    void SetUp() override {
        Serve(2, 0.4, {{L"/song1.wav", L"一", L"甲"},
                       {L"/gone.mp3", L"三", L"丙"},
                       {L"/song2.wav", L"..\\..\\二", L"乙"}});
        Make();
    }

    // The window, opened again as the program is started again.
    void Make() {
        Open(outputs.Factory(), Settings(settingsKey));
        form->SetFilePicker([this](HWND, const FileChoice& choice) -> std::optional<FileChosen> {
            choices.push_back(choice);
            if (answer.path.empty())
                return std::nullopt; // cancelled
            return answer;
        });
    }

    void TearDown() override {
        Form1Stage::TearDown();
        RegDeleteTreeW(HKEY_CURRENT_USER, settingsKey.c_str());
    }

    void Query() { Form1Stage::Query(3); }

    void Select(int row) {
        ListView_SetItemState(form->ListView1(), -1, 0, LVIS_SELECTED);
        ListView_SetItemState(form->ListView1(), row, LVIS_SELECTED, LVIS_SELECTED);
    }

    bool LabelBecomes(const std::wstring& start) {
        return PumpUntil([&] { return form->Label8().starts_with(start); }, 10000);
    }

    const std::wstring settingsKey =
        L"Software\\QzoneMusicTest" + std::to_wstring(GetCurrentProcessId());
    NullAudioOutputs outputs{NullAudioOptions{.realTime = false}};
    TempFolder folder;
    std::vector<FileChoice> choices;
    FileChosen answer;
};

TEST_F(Form1Keep, SavingOneOrAllShowsProgressAndResultsWithoutABox) {
    Query();
    Select(0);
    answer = {(folder.path / L"甲 - 一.wav").wstring(), 0};
    EXPECT_TRUE(form->ListView1_KeyDown('S') == false) << "without Ctrl, a key is the table's";
    form->SaveSelectedSong();
    ASSERT_EQ(choices.size(), 1u);
    EXPECT_EQ(choices[0].proposedName, L"甲 - 一.wav");
    ASSERT_TRUE(LabelBecomes(L"已保存: 甲 - 一.wav"));
    form->Timer1_Timer(); // the result stays a while, whatever the poll says
    EXPECT_EQ(form->Label8(), L"已保存: 甲 - 一.wav");
    EXPECT_TRUE(ReadAll(folder.path / L"甲 - 一.wav") == wavs[0]);

    // A second song of the first one's name gets a file of its own, as does one
    // whose name differs only in case (one file to the system).
    server.Serve("/fcg-bin/fcgi_agent_zhenghe.fcg",
                 XmlAnswer(MakeAnswer({{Song(1) + L" ", L"一", L"甲"},
                                       {server.BaseAddress() + L"/gone.mp3 ", L"三", L"丙"},
                                       {Song(2) + L" ", L"..\\..\\二", L"乙"},
                                       {Song(2) + L" ", L"一", L"甲"},
                                       {Song(2) + L" ", L"B", L"丁"},
                                       {Song(2) + L" ", L"b", L"丁"}})));
    form->Command1_Click();
    ASSERT_TRUE(PumpUntil([&] { return form->Rows().size() == 6; }, 10000));
    answer = {folder.path.wstring(), 0};
    form->SaveAllSongs();
    EXPECT_EQ(choices.back().folder, folder.path.wstring()) << "the folder used last";
    ASSERT_TRUE(LabelBecomes(L"已保存 4 首，已存在跳过 1 首，失败 1 首"));
    const std::vector<std::wstring> files = {L"丁 - B.wav", L"丁 - b (2).wav",
                                             L"乙 - .._.._二.wav", L"甲 - 一 (2).wav",
                                             L"甲 - 一.wav"};
    EXPECT_EQ(folder.Files(), files);
    ASSERT_TRUE(IsWindow(form->SaveSummaryWindow()));
    wchar_t summary[512] = {};
    GetWindowTextW(form->SaveSummaryWindow(), summary, 512);
    EXPECT_NE(std::wstring(summary).find(L"2. 三: 服务器拒绝了请求 (HTTP 404)"), std::wstring::npos)
        << summary;
    EXPECT_TRUE(shown.empty());
}

TEST_F(Form1Keep, TheListExportsInTheChosenFormat) {
    Query();
    const struct {
        unsigned type;
        const char* begins;
    } cases[] = {{0, "#EXTM3U\r\n#EXTINF:-1,"}, {1, "\xEF\xBB\xBF"}, {2, "http://127.0.0.1:"}};
    for (const auto& c : cases) {
        answer = {(folder.path / (L"list" + std::to_wstring(c.type))).wstring(), c.type};
        form->ExportSongList();
        EXPECT_TRUE(ReadAll(answer.path).starts_with(c.begins)) << c.type;
    }
    answer = {};
    form->ExportSongList(); // cancelled: nothing
    EXPECT_EQ(folder.Files().size(), 3u);
}

TEST_F(Form1Keep, PlayingOnGoesToTheNextRowPastASongThatCannotPlay) {
    Query();
    form->SetPlayOn(true);
    Select(0);
    form->ListView1_DblClick();
    ASSERT_TRUE(PumpUntil([&] { return form->WP1()->URL().ends_with(L"/song2.wav") &&
                                       form->WP1()->state() == PlayerState::Stopped; },
                          10000));
    EXPECT_NE(Form3::Current(), nullptr) << "the notice for the song that cannot play";
    EXPECT_EQ(form->gqm(), L"..\\..\\二");
    EXPECT_EQ(form->WP1()->URL(), server.BaseAddress() + L"/song2.wav");
    const size_t played = outputs.logs().size();
    PumpFor(300);
    EXPECT_EQ(outputs.logs().size(), played) << "the last row ends it";
    EXPECT_TRUE(SameSong(outputs.logs().back()->Received(), wavs[1]));
}

TEST_F(Form1Keep, SettingsAreRememberedAndOnlyWebAddressesOpen) {
    Query();
    form->SetPlayOn(true);
    Make(); // the tool started again
    EXPECT_EQ(WindowText(form->QQ()), L"12345");
    EXPECT_TRUE(form->PlayOn());

    // A list's address that is no web address, or that would break out of the
    // browser's quoted argument, never reaches the shell.
    for (const wchar_t* address :
         {L"http://a.cn/x\"--flag ", L"http://a.cn/x\ty ", L"C:\\Windows\\notepad.exe "}) {
        Make(); // with an empty status line
        server.Serve("/fcg-bin/fcgi_agent_zhenghe.fcg",
                     XmlAnswer(MakeAnswer({{address, L"x", L"y"}})));
        form->Command1_Click();
        ASSERT_TRUE(PumpUntil([&] { return form->Rows().size() == 1; }, 10000));
        Select(0);
        form->OpenSelectedInBrowser();
        EXPECT_EQ(form->Label8(), L"不是网址，未打开") << address;
    }
    form->CopySelectedAddress();
    EXPECT_EQ(ClipboardText(), L"C:\\Windows\\notepad.exe");
}

} // namespace
