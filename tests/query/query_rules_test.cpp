#include "char_refs.h"
#include "qq_number.h"
#include "query_address.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

struct NumberCase {
    const wchar_t* text;
    double value;
    bool accepted;
};

TEST(QQNumber, ReadsTheLeadingNumberAndChecksTheRange) {
    const NumberCase cases[] = {
        {L"", 0, false},
        {L"     ", 0, false},
        {L"1234", 1234, false},
        {L"10000", 10000, true},
        {L"9999999999", 9999999999.0, true},
        {L"10000000000", 10000000000.0, false},
        {L" 12345 ", 12345, true},
        {L"1 2 3 4 5", 12345, true},
        {L"\t12\n345", 12345, true},
        {L"12345abc", 12345, true},
        {L"abc", 0, false},
        {L"abc12345", 0, false},
        {L"&H2710", 10000, true},
        {L"&h2710", 10000, true},
        {L"&O23420", 10000, true},
        {L"&H", 0, false},
        {L"&HZZ", 0, false},
        {L"&O89", 0, false},
        {L"1.5E4", 15000, true},
        {L"1D4", 10000, true},
        {L"1d+4", 10000, true},
        {L"1E", 1, false},
        {L"1E-2", 0.01, false},
        {L"-12345", -12345, false},
        {L"+12345", 12345, true},
        {L"12345.9", 12345.9, true},
        {L".5", 0.5, false},
        {L"1E999", HUGE_VAL, false},
        {L"9999999999.5", 9999999999.5, true},
        {L"１２３４５", 0, false}, // full-width digits are not digits here
        {L"一二三四五", 0, false},
        {L"\r12345", 0, false}, // a carriage return is not a blank
        {L"\x01\x02"
         L"12345",
         0, false},
        {L"12345\x01", 12345, true},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "text of length " << wcslen(c.text));
        EXPECT_DOUBLE_EQ(ReadLeadingNumber(c.text), c.value);
        EXPECT_EQ(IsAcceptedQQNumber(c.text), c.accepted);
    }
}

TEST(QQNumber, LongTextsAreReadWithoutTrouble) {
    EXPECT_FALSE(IsAcceptedQQNumber(std::wstring(300, L'9')));
    EXPECT_TRUE(IsAcceptedQQNumber(L"12345" + std::wstring(295, L'x')));
    EXPECT_FALSE(IsAcceptedQQNumber(std::wstring(300, L'a')));
    EXPECT_FALSE(IsAcceptedQQNumber(L"&H" + std::wstring(300, L'F')));
}

TEST(QueryAddress, CarriesTheTypedTextPercentEncoded) {
    const wchar_t* base = L"http://qzone-music.qq.com";
    const std::wstring tail = L"&TYPE=16&PAGE_START=1&PAGE_END=10000&SELECT_FLAG=1";
    const std::wstring head = L"http://qzone-music.qq.com/fcg-bin/fcgi_agent_zhenghe.fcg?UIN=";
    const struct {
        const wchar_t* typed;
        const wchar_t* sent;
    } cases[] = {
        {L"12345", L"12345"},
        {L"  12345 ", L"%20%2012345%20"},
        {L"12345&TYPE=1", L"12345%26TYPE%3D1"},
        {L"A-z_0.~", L"A-z_0.~"},
        {L"中", L"%E4%B8%AD"},
        {L"1\r\n2", L"1%0D%0A2"},
        {L"&H2710", L"%26H2710"},
        {L"a/b?c#d%", L"a%2Fb%3Fc%23d%25"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PercentEncode(c.typed), c.sent);
        EXPECT_EQ(BuildQueryAddress(base, c.typed), head + c.sent + tail);
    }
}

TEST(CharRefs, AddressAndTextPairsDecodeInTableOrder) {
    const struct {
        const wchar_t* in;
        const wchar_t* address;
        const wchar_t* text;
    } cases[] = {
        {L"http&#58;&#95;&#95;a&#46;b&#95;c&#45;d&#37;20", L"http://a.b/c-d%20",
         L"http://a.b/c-d%20"},
        {L"a&#32;b&#39;c", L"a&#32;b&#39;c", L"a b'c"},
        {L"&#58;&#58;&#58;", L":::", L":::"},
        {L"&#59;&#38;#58;", L"&#59;&#38;#58;", L"&#59;&#38;#58;"}, // no other reference
        {L"&amp;#58;", L"&amp;#58;", L"&amp;#58;"},
        {L"&#5&#58;8;", L"&#5:8;", L"&#5:8;"},
        {L"", L"", L""},
        {L"&#58", L"&#58", L"&#58"},
        {L"歌&#32;曲", L"歌&#32;曲", L"歌 曲"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeCharRefs(c.in, kAddressPairs), c.address);
        EXPECT_EQ(DecodeCharRefs(c.in, kTextPairs), c.text);
    }
}

TEST(CharRefs, LastCharacterOfAnAddressIsRemovedWhole) {
    EXPECT_EQ(RemoveLastCharacter(L"http://a/b.mp3 "), L"http://a/b.mp3");
    EXPECT_EQ(RemoveLastCharacter(L"x"), L"");
    EXPECT_EQ(RemoveLastCharacter(L""), L"");
    EXPECT_EQ(RemoveLastCharacter(L"ab\xD83C\xDFB5"), L"ab"); // a surrogate pair is one character
    EXPECT_EQ(RemoveLastCharacter(L"ab\xDFB5"), L"ab");       // a lone half goes alone
}

} // namespace
