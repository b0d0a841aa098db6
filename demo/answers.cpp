#include "answers.h"

#include "xml_text.h"

#include <windows.h>

namespace {

std::wstring Escape(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
        case L'&':
            out += L"&amp;";
            break;
        case L'<':
            out += L"&lt;";
            break;
        case L'>':
            out += L"&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

void Element(std::wstring& xml, const wchar_t* tag, const std::optional<std::wstring>& text) {
    if (!text)
        return;
    xml += L"<";
    xml += tag;
    xml += L">";
    xml += Escape(*text);
    xml += L"</";
    xml += tag;
    xml += L">";
}

} // namespace

std::string MakeAnswer(const std::vector<AnswerSong>& songs, const char* encoding,
                       unsigned codePage) {
    std::wstring xml = L"<?xml version=\"1.0\" encoding=\"";
    for (const char* p = encoding; *p; ++p)
        xml += static_cast<wchar_t>(*p);
    xml += L"\"?>\r\n<qqmusic><minemusiclist>\r\n";
    for (const AnswerSong& song : songs) {
        xml += L"<minemusic>";
        Element(xml, L"xsong_name", song.name);
        Element(xml, L"xsinger_name", song.singer);
        Element(xml, L"xsong_url", song.url);
        xml += L"<xsong_playtime>240</xsong_playtime></minemusic>\r\n";
    }
    xml += L"</minemusiclist></qqmusic>\r\n";
    return EncodeText(xml, codePage);
}

std::vector<AnswerSong> MakeSongs(size_t count) {
    std::vector<AnswerSong> songs;
    songs.reserve(count);
    for (size_t i = 1; i <= count; ++i) {
        const std::wstring n = std::to_wstring(i);
        songs.push_back(
            {L"http&#58;&#95;&#95;music&#46;example&#46;com&#95;song" + n + L"&#46;mp3 ",
             L"第" + n + L"首歌&#32;&#39;晴天&#39;", L"歌手&#32;" + n});
    }
    return songs;
}
