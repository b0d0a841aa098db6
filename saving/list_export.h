#pragma once
#include <string>
#include <vector>

// The song table written out for other programs, as the bytes of a file.
struct ExportRow {
    std::wstring name;
    std::wstring singer;
    std::wstring address;
};

enum class ExportFormat {
    M3u8, // #EXTM3U, then "#EXTINF:-1,歌手 - 歌曲" and the address per song
    Csv,  // UTF-8 with a byte-order mark: 编号,歌曲,歌手,地址, quoted as RFC 4180 says
    Text, // one address a line
};

// Lines end in CR LF. No cell of the CSV file starts with '=', '+', '-', '@',
// a tab or a carriage return: a spreadsheet would run it as a formula, so such
// a cell gets a leading apostrophe. Line breaks inside a name never break an
// M3U8 or text line.
std::string ExportList(const std::vector<ExportRow>& rows, ExportFormat format);

// The text as UTF-8.
std::string Utf8(const std::wstring& text);
