#include "list_export.h"

#include <windows.h>

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

namespace {

// One line of an M3U8 or text file: a break inside would start a new entry.
std::wstring OneLine(std::wstring text) {
    for (wchar_t& c : text)
        if (c == L'\r' || c == L'\n')
            c = L' ';
    return text;
}

std::wstring CsvCell(std::wstring text) {
    if (!text.empty() && std::wstring_view(L"=+-@\t\r").find(text[0]) != std::wstring_view::npos)
        text.insert(0, 1, L'\'');
    if (text.find_first_of(L",\"\r\n") == std::wstring::npos)
        return text;
    std::wstring quoted = L"\"";
    for (wchar_t c : text) {
        if (c == L'"')
            quoted += L'"';
        quoted += c;
    }
    return quoted + L'"';
}

std::wstring Title(const ExportRow& row) {
    if (row.singer.empty() || row.name.empty())
        return row.singer + row.name;
    return row.singer + L" - " + row.name;
}

} // namespace

std::string ExportList(const std::vector<ExportRow>& rows, ExportFormat format) {
    std::wstring text;
    switch (format) {
    case ExportFormat::M3u8:
        text = L"#EXTM3U\r\n";
        for (const ExportRow& row : rows)
            text += L"#EXTINF:-1," + OneLine(Title(row)) + L"\r\n" + OneLine(row.address) + L"\r\n";
        break;
    case ExportFormat::Csv:
        text = L"\xFEFF编号,歌曲,歌手,地址\r\n";
        for (size_t i = 0; i < rows.size(); ++i)
            text += std::to_wstring(i + 1) + L"," + CsvCell(rows[i].name) + L"," +
                    CsvCell(rows[i].singer) + L"," + CsvCell(rows[i].address) + L"\r\n";
        break;
    case ExportFormat::Text:
        for (const ExportRow& row : rows)
            text += OneLine(row.address) + L"\r\n";
        break;
    }
    return Utf8(text);
}
