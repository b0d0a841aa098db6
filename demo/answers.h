#pragma once
#include <optional>
#include <string>
#include <vector>

// One song of a made-up music-list answer; a missing field leaves its
// element out. Texts are XML-escaped when written.
struct AnswerSong {
    std::optional<std::wstring> url;
    std::optional<std::wstring> name;
    std::optional<std::wstring> singer;
};

// A music-list answer as the service sends it, with the XML declaration
// naming `encoding` and the bytes encoded in that code page.
std::string MakeAnswer(const std::vector<AnswerSong>& songs, const char* encoding = "UTF-8",
                       unsigned codePage = 65001);

// A numbered answer of `count` songs whose texts carry character references.
std::vector<AnswerSong> MakeSongs(size_t count);
