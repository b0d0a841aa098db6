#include "answers.h"
#include "music_doc.h"
#include "music_query.h"
#include "xml_text.h"

#include "com_scope.h"
#include "kernel_handle.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

class MusicXml : public testing::Test {
  protected:
    static MusicListAnswer Parse(const std::string& body) {
        const std::atomic<bool> keepGoing = false;
        MusicListAnswer answer;
        ParseMusicList(body, answer, keepGoing);
        return answer;
    }
    ComScope com_;
};

TEST_F(MusicXml, DecodesByDeclaredEncodingOrByteOrderMarkAndRefusesOthers) {
    const std::wstring body = L"<a>晴天 Ünïcödé</a>";
    const struct {
        std::string bytes;
        std::optional<std::wstring> expected; // none: refused
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + EncodeText(body, CP_UTF8), body},
        {EncodeText(body, CP_UTF8), body}, // no declaration: UTF-8
        {"<?xml version=\"1.0\"?>" + EncodeText(body, CP_UTF8), body},
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>" + EncodeText(body, CP_UTF8),
         body},
        {"<?xml version='1.0' encoding='GB2312'?>" + EncodeText(L"<a>晴天</a>", 936),
         L"<a>晴天</a>"},
        {"<?xml version=\"1.0\" encoding=\"gbk\"?>" + EncodeText(L"<a>晴天</a>", 936),
         L"<a>晴天</a>"},
        {"<?xml version=\"1.0\" encoding=\"GB18030\"?>" + EncodeText(L"<a>晴天</a>", 936),
         L"<a>晴天</a>"},
        {"<?xml version=\"1.0\" encoding=\"Big5\"?>" + EncodeText(L"<a>晴天</a>", 950),
         L"<a>晴天</a>"},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xDC</a>", L"<a>Ü</a>"},
        {"<?xml version=\"1.0\" encoding=\"windows-1251\"?><a>\xC0</a>", L"<a>А</a>"},
        {std::string("\xFF\xFE<\0a\0>\0", 8), L"<a>"},
        {std::string("\xFE\xFF\0<\0a\0>", 8), L"<a>"},
        {std::string("<\0?\0x\0m\0l\0 \0?\0>\0<\0a\0>\0", 22), L"<a>"},
        {"<?xml version=\"1.0\" encoding=\"x-klingon\"?><a/>", std::nullopt},
        {"<?xml version=\"1.0\" encoding=\"\"?><a/>", std::nullopt},
        {std::string("\xFF\xFE<\0a", 5), std::nullopt}, // odd length
        {std::string("\xFF\xFE\0\0<\0\0\0", 8), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeXmlBytes(c.bytes), c.expected) << c.bytes;
    EXPECT_EQ(DeclaredEncoding("<?xml version=\"1.0\" encoding = 'Big5' ?>"), "big5");
    EXPECT_EQ(DeclaredEncoding("<a encoding=\"gbk\"/>"), std::nullopt);
    EXPECT_EQ(DeclaredEncoding("<?xml version=\"1.0\"?>"), std::nullopt);
}

TEST_F(MusicXml, TakesEachSongsFieldsFromItsOwnEntry) {
    const std::vector<AnswerSong> songs = {
        {L"u1 ", L"n1", L"s1"},
        {L"u2 ", L"n2", std::nullopt}, // no singer: the others stay in place
        {L"u3 ", std::nullopt, L"s3"},
        {L"", L"n4", L"s4"},          // empty address element
        {std::nullopt, L"n5", L"s5"}, // no address: not a song
        {L"u6", L"n6", L"s6"},
    };
    const MusicListAnswer answer = Parse(MakeAnswer(songs));
    ASSERT_TRUE(answer.loaded);
    EXPECT_EQ(answer.addresses, (std::vector<std::wstring>{L"u1 ", L"u2 ", L"u3 ", L"", L"u6"}));
    EXPECT_EQ(answer.singers, (std::vector<std::wstring>{L"s1", L"", L"s3", L"s4", L"s6"}));
    EXPECT_EQ(answer.names, (std::vector<std::wstring>{L"n1", L"n2", L"", L"n4", L"n6"}));
}

// Every address of one song entry takes that entry's first name and singer. An
// entry with thousands of addresses is read in one walk of its children: the
// per-address look-ups it replaced took seconds here.
TEST_F(MusicXml, ManyAddressesInOneEntryShareItsNameAndSinger) {
    constexpr size_t kAddresses = 16000;
    std::string body = "<qqmusic><minemusiclist><minemusic><xsong_url>a </xsong_url>"
                       "<xsong_name>one</xsong_name><xsinger_name>s1</xsinger_name>"
                       "<xsong_name>ignored</xsong_name><xsinger_name>ignored</xsinger_name>"
                       "</minemusic><minemusic>";
    for (size_t i = 0; i < kAddresses; ++i)
        body += "<xsong_url>u" + std::to_string(i) + " </xsong_url>";
    body += "<xsinger_name>s2</xsinger_name><xsong_name>two</xsong_name>"
            "</minemusic></minemusiclist></qqmusic>";
    const MusicListAnswer answer = Parse(body);
    ASSERT_TRUE(answer.loaded);
    ASSERT_EQ(answer.addresses.size(), kAddresses + 1);
    EXPECT_EQ(answer.addresses[0], L"a ");
    EXPECT_EQ(answer.names[0], L"one");
    EXPECT_EQ(answer.singers[0], L"s1");
    for (size_t i : {size_t{1}, kAddresses}) {
        EXPECT_EQ(answer.addresses[i], L"u" + std::to_wstring(i - 1) + L" ");
        EXPECT_EQ(answer.names[i], L"two");
        EXPECT_EQ(answer.singers[i], L"s2");
    }
}

// Answers without songs load empty; documents that are not well formed (or
// whose bytes are no characters of their encoding) do not load.
TEST_F(MusicXml, AnswersWithoutSongsLoadEmptyAndBrokenOnesNot) {
    const std::string full = MakeAnswer({{L"u ", L"n", L"s"}});
    const std::pair<std::string, bool> cases[] = {
        {MakeAnswer({}), true},
        {"<?xml version=\"1.0\"?><qqmusic/>", true},
        {"<qqmusic><other><minemusic><xsong_url>x</xsong_url></minemusic></other></qqmusic>", true},
        {"<html><body>ok</body></html>", true},
        {full.substr(0, full.size() / 2), false},
        {"<html><body><p>Error<br></body></html>", false},
        {"", false},
        {"not xml at all", false},
        {"<?xml version=\"1.0\" encoding=\"x-unknown\"?><qqmusic/>", false},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><qqmusic>" + EncodeText(L"晴天", 936) +
             "</qqmusic>",
         false},
        {"<?xml version=\"1.0\" encoding=\"GBK\"?><qqmusic>\xFF\xFF</qqmusic>", false},
    };
    for (const auto& [body, loads] : cases) {
        const MusicListAnswer answer = Parse(body);
        EXPECT_EQ(answer.loaded, loads) << body;
        EXPECT_TRUE(answer.addresses.empty() && answer.singers.empty() && answer.names.empty())
            << body;
    }
}

TEST_F(MusicXml, NeverExpandsEntitiesOrReadsLocalFiles) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    const std::wstring path = std::wstring(dir) + L"qzm_secret.txt";
    {
        KernelHandle file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), "TOPSECRET", 9, &written, nullptr);
    }
    std::string fileUrl = "file:///";
    for (wchar_t c : path)
        fileUrl += c == L'\\' ? '/' : static_cast<char>(c);

    // Ten levels of ten references each: 10^10 characters if expanded.
    std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE qqmusic [<!ENTITY a \"aaaaaaaaaa\">";
    for (char e = 'b'; e <= 'k'; ++e) {
        bomb += std::string("<!ENTITY ") + e + " \"";
        for (int i = 0; i < 10; ++i)
            bomb += std::string("&") + static_cast<char>(e - 1) + ";";
        bomb += "\">";
    }
    bomb += "]><qqmusic><minemusiclist><minemusic><xsong_name>&k;</xsong_name>"
            "<xsong_url>u </xsong_url></minemusic></minemusiclist></qqmusic>";

    const std::string external =
        "<?xml version=\"1.0\"?><!DOCTYPE qqmusic [<!ENTITY x SYSTEM \"" + fileUrl +
        "\">]><qqmusic><minemusiclist><minemusic><xsong_name>&x;</xsong_name>"
        "<xsinger_name>&x;</xsinger_name><xsong_url>&x; </xsong_url></minemusic>"
        "</minemusiclist></qqmusic>";

    for (const std::string& body : {bomb, external}) {
        const MusicListAnswer answer = Parse(body);
        EXPECT_FALSE(answer.loaded);
        for (const auto* list : {&answer.addresses, &answer.names, &answer.singers})
            for (const std::wstring& text : *list)
                EXPECT_EQ(text.find(L"TOPSECRET"), std::wstring::npos);
    }
    DeleteFileW(path.c_str());

    EXPECT_TRUE(HasDocumentTypeDeclaration(L"<?xml version=\"1.0\"?>\n<!-- c --><!DOCTYPE a><a/>"));
    EXPECT_FALSE(HasDocumentTypeDeclaration(L"<a><![CDATA[<!DOCTYPE a>]]></a>"));
}

} // namespace
