#include "file_names.h"
#include "list_export.h"
#include "loopback_server.h"
#include "message_pump.h"
#include "save_queue.h"
#include "settings.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace {

std::string SongBytes(size_t size, int seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 2654435761u + seed) >> 11);
    return bytes;
}

HttpOptions Quick() {
    HttpOptions options = SaveHttpOptions();
    options.receiveTimeoutMs = 1000;
    options.resumeDelayMs = 50;
    return options;
}

TEST(FileNames, NamesFromAStrangersListStayOneSafeFileName) {
    const struct {
        const wchar_t *singer, *name;
        const wchar_t* stem;
    } cases[] = {
        {L"周杰伦", L"晴天", L"周杰伦 - 晴天"},
        {L"", L"晴天", L"晴天"},
        {L"周杰伦", L"", L"周杰伦"},
        {L"", L"", L"歌曲 7"},
        {L" . ", L"...", L"歌曲 7"},
        {L"..\\..\\Windows", L"system32/x", L".._.._Windows - system32_x"},
        {L"", L"C:\\evil", L"C__evil"},
        {L"", L"a<b>c:d\"e|f?g*h", L"a_b_c_d_e_f_g_h"},
        {L"", L"tab\there\r\nnew\x7F", L"tab_here__new_"},
        {L"", L"CON", L"_CON"},
        {L"", L"nul.txt", L"_nul.txt"},
        {L"", L"com1", L"_com1"},
        {L"", L"LPT9 ", L"_LPT9"},
        {L"", L"COM10", L"COM10"},
        {L"", L"console", L"console"},
        {L"", L"  trailing dots... ", L"trailing dots"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SongFileStem(c.singer, c.name, 7), c.stem) << c.singer << L"|" << c.name;

    const std::wstring longName = std::wstring(kMaxStemLength - 1, L'长') + L"\xD83C\xDFB5 tail";
    const std::wstring cut = SafeFileName(longName);
    EXPECT_EQ(cut.size(), kMaxStemLength - 1) << "never half a surrogate pair";
}

TEST(FileNames, TheExtensionIsAlwaysAnAudioOne) {
    const struct {
        const wchar_t *address, *contentType, *extension;
    } cases[] = {
        {L"http://a.cn/x.MP3", L"", L".mp3"},
        {L"http://a.cn/x.m4a?y=1.exe", L"", L".m4a"},
        {L"http://a.cn/x.exe", L"audio/x-wav", L".wav"},
        {L"http://a.cn/x.mp3.bat", L"", L".mp3"},
        {L"http://a.cn/x.cmd", L"application/x-msdownload", L".mp3"},
        {L"http://a.cn/play?id=1", L"audio/flac; charset=x", L".flac"},
        {L"http://a.cn.exe/", L"", L".mp3"},
        {L"http://a.cn/dir.wav/song", L"audio/ogg", L".ogg"},
        {L"http://a.cn/x.lnk#.wma", L"", L".mp3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AudioExtension(c.address, c.contentType), c.extension) << c.address;
}

TEST(ListExport, EachFormatReadsBackAsTheTable) {
    const std::vector<ExportRow> rows = {
        {L"晴天", L"周杰伦", L"http://a.cn/1.mp3"},
        {L"=HYPERLINK(\"x\"),\"a\"", L"-2+3", L"http://a.cn/2.mp3"},
        {L"two\r\nlines", L"", L"http://a.cn/3.mp3"},
        {L"@SUM(A1)", L"+1", L"http://a.cn/4.mp3"},
    };
    EXPECT_EQ(ExportList(rows, ExportFormat::M3u8),
              Utf8(L"#EXTM3U\r\n#EXTINF:-1,周杰伦 - 晴天\r\nhttp://a.cn/1.mp3\r\n"
                   L"#EXTINF:-1,-2+3 - =HYPERLINK(\"x\"),\"a\"\r\nhttp://a.cn/2.mp3\r\n"
                   L"#EXTINF:-1,two  lines\r\nhttp://a.cn/3.mp3\r\n"
                   L"#EXTINF:-1,+1 - @SUM(A1)\r\nhttp://a.cn/4.mp3\r\n"));
    EXPECT_EQ(ExportList(rows, ExportFormat::Text),
              "http://a.cn/1.mp3\r\nhttp://a.cn/2.mp3\r\nhttp://a.cn/3.mp3\r\n"
              "http://a.cn/4.mp3\r\n");

    // The CSV file, parsed as RFC 4180 says: each cell as written, formulas inert.
    const std::string csv = ExportList(rows, ExportFormat::Csv);
    ASSERT_TRUE(csv.starts_with("\xEF\xBB\xBF"));
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (size_t i = 3; i < csv.size(); ++i) {
        const char c = csv[i];
        if (quoted && c == '"' && i + 1 < csv.size() && csv[i + 1] == '"')
            records.back().back() += csv[i++];
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == ',')
            records.back().emplace_back();
        else if (!quoted && c == '\r' && csv[i + 1] == '\n' && ++i)
            records.emplace_back(1);
        else
            records.back().back() += c;
    }
    records.pop_back(); // after the last line break
    const std::vector<std::vector<std::string>> expected = {
        {Utf8(L"编号"), Utf8(L"歌曲"), Utf8(L"歌手"), Utf8(L"地址")},
        {"1", Utf8(L"晴天"), Utf8(L"周杰伦"), "http://a.cn/1.mp3"},
        {"2", "'=HYPERLINK(\"x\"),\"a\"", "'-2+3", "http://a.cn/2.mp3"},
        {"3", "two\r\nlines", "", "http://a.cn/3.mp3"},
        {"4", "'@SUM(A1)", "'+1", "http://a.cn/4.mp3"},
    };
    EXPECT_EQ(records, expected);
}

TEST(Settings, MissingOrDamagedValuesReadAsTheirDefaults) {
    const std::wstring key = L"Software\\QzoneMusicTest" + std::to_wstring(GetCurrentProcessId());
    const Settings settings(key);
    EXPECT_EQ(settings.Text(kLastQQNumber, L"10000"), L"10000");
    EXPECT_TRUE(settings.Flag(kPlayOn, true));
    settings.SetText(kLastQQNumber, L"123456");
    settings.SetFlag(kPlayOn, false);
    EXPECT_EQ(settings.Text(kLastQQNumber), L"123456");
    EXPECT_FALSE(settings.Flag(kPlayOn, true));
    const DWORD damaged = 2; // a flag is 0 or 1
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), kPlayOn, REG_DWORD, &damaged, sizeof(damaged));
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), kLastQQNumber, REG_DWORD, &damaged,
                    sizeof(damaged));
    EXPECT_TRUE(settings.Flag(kPlayOn, true));
    EXPECT_EQ(settings.Text(kLastQQNumber, L"10000"), L"10000");
    settings.SetText(kLastQQNumber, std::wstring(40000, L'9')); // 80 KB: damage, not a number
    EXPECT_EQ(settings.Text(kLastQQNumber, L"10000"), L"10000");
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
}

// A song is saved whole, byte for byte, across dropped connections, in place of
// the file the user chose to replace; or that file stays as it was and nothing
// is left under the temporary name.
TEST(SongSaver, ASongIsSavedWholeOrNothingIsLeft) {
    const std::string song = SongBytes(3 << 20, 1);
    auto with = [&](auto change) {
        LoopbackResponse r = AudioAnswer(song);
        change(r);
        return r;
    };
    auto drops = [](bool ranges) {
        return [ranges](LoopbackResponse& r) {
            r.dropAfterBytes = r.body.size() / 3;
            r.dropTimes = 2;
            r.ranges = ranges;
            r.headers.push_back({"ETag", "\"s1\""});
        };
    };
    const struct {
        const char* name;
        LoopbackResponse response;
        bool cancel;
        SaveResult::Outcome outcome;
        bool anotherBody = false; // the server has a longer body by the first resumption
    } cases[] = {
        {"dropped twice, resumed by ranges", with(drops(true)), false, SaveResult::Outcome::Saved},
        {"dropped twice, read again from the start", with(drops(false)), false,
         SaveResult::Outcome::Saved},
        {"cancelled", with([](auto& r) { r.bytesPerSecond = 1 << 20; }), true,
         SaveResult::Outcome::Cancelled},
        {"breaks for good", with([&](auto& r) { r.dropAfterBytes = song.size() / 2; }), false,
         SaveResult::Outcome::Failed},
        {"not found", with([](auto& r) { r.status = 404; }), false, SaveResult::Outcome::Failed},
        {"another body by the resumption", with(drops(true)), false, SaveResult::Outcome::Failed,
         true},
    };
    LoopbackResponse longer = with(drops(true));
    longer.body += "and more";
    LoopbackServer server;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.Serve("/song.mp3", c.response);
        TempFolder folder;
        { std::ofstream(folder.path / L"歌.mp3", std::ios::binary) << "before"; }
        std::atomic<bool> cancelled = false;
        unsigned long long lastDone = 0;
        const SaveResult result =
            SaveSong({server.BaseAddress() + L"/song.mp3", (folder.path / L"歌.mp3").wstring()},
                     Quick(), cancelled, [&](unsigned long long done, auto) {
                         if (c.anotherBody && lastDone < song.size() / 3 && done >= song.size() / 3)
                             server.Serve("/song.mp3", longer); // once, at the first break
                         lastDone = done;
                         if (c.cancel && done > song.size() / 4)
                             cancelled = true;
                     });
        EXPECT_EQ(result.outcome, c.outcome) << result.reason;
        EXPECT_EQ(result.reason.empty(), c.outcome != SaveResult::Outcome::Failed);
        const bool saved = c.outcome == SaveResult::Outcome::Saved;
        EXPECT_EQ(folder.Files(), std::vector<std::wstring>{L"歌.mp3"});
        EXPECT_TRUE(ReadAll(folder.path / L"歌.mp3") == (saved ? song : "before"));
        EXPECT_FALSE(GetFileAttributesW((folder.path / L"歌.mp3").c_str()) & FILE_ATTRIBUTE_HIDDEN);
        EXPECT_EQ(lastDone == song.size(), saved);
    }
    // A folder that is gone: the system's reason for the file, without its line break.
    const std::atomic<bool> no = false;
    const SaveResult gone = SaveSong(
        {server.BaseAddress() + L"/song.mp3", L"Z:\\qzm-nowhere\\歌.mp3"}, Quick(), no, {});
    EXPECT_TRUE(gone.reason.starts_with(L"无法写入文件: ") && gone.reason.size() > 8 &&
                !iswspace(gone.reason.back()))
        << gone.reason;
}

TEST(SaveQueue, SavingAllSkipsWhatIsThereAndSaysWhatFailed) {
    LoopbackServer server;
    const std::string one = SongBytes(200000, 3), two = SongBytes(300000, 4);
    server.Serve("/1.mp3", AudioAnswer(one));
    server.Serve("/2.wav", AudioAnswer(two)); // the address's own type wins
    LoopbackResponse three = AudioAnswer(one); // no type in the address: the answer's
    three.chunked = true; // nor a length: the empty file of its name is another song
    server.Serve("/3", three);
    TempFolder folder;
    { std::ofstream(folder.path / L"甲 - 一.mp3", std::ios::binary) << one; } // already there
    { std::ofstream(folder.path / L"丙.mp3", std::ios::binary); }
    const std::vector<std::wstring> stems = {L"甲 - 一", L"乙", L"丙", L"丁"};
    const std::vector<std::wstring> paths = {L"/1.mp3", L"/2.wav", L"/3", L"/missing.mp3"};
    std::vector<SaveRequest> requests;
    for (size_t i = 0; i < stems.size(); ++i)
        requests.push_back({server.BaseAddress() + paths[i], (folder.path / stems[i]).wstring(),
                            true, true});

    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // a queue for the reports
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    SaveQueue queue(window, WM_APP + 1, Quick());
    ASSERT_TRUE(queue.Start(requests, 2));
    EXPECT_FALSE(queue.Start(requests, 2)) << "one batch at a time";
    ASSERT_TRUE(PumpUntil([&] { return !queue.Running(); }, 10000));
    const SaveQueue::State state = queue.Snapshot();
    DestroyWindow(window);
    EXPECT_EQ(state.ended, 4u);
    EXPECT_EQ(state.results[0].outcome, SaveResult::Outcome::Skipped);
    EXPECT_EQ(SaveSummary(state, stems),
              L"已保存 2 首，已存在跳过 1 首，失败 1 首\r\n\r\n失败的歌曲:\r\n4. 丁: "
              L"服务器拒绝了请求 (HTTP 404)");
    const std::vector<std::wstring> files = {L"丙 (2).mp3", L"丙.mp3", L"乙.wav", L"甲 - 一.mp3"};
    EXPECT_EQ(folder.Files(), files);
    EXPECT_TRUE(ReadAll(folder.path / L"丙 (2).mp3") == one);
    EXPECT_TRUE(ReadAll(folder.path / L"乙.wav") == two);
    EXPECT_EQ(ReadAll(folder.path / L"丙.mp3"), "");
}

} // namespace
