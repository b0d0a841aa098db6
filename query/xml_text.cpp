#include "xml_text.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace {

struct EncodingName {
    std::string_view name;
    unsigned codePage;
};

// GB2312 texts are read as GBK (its superset); GB18030 needs 54936 where the
// system has it. UTF-16 only arrives with a byte-order mark or as "<?" pairs.
constexpr EncodingName kEncodings[] = {
    {"utf-8", CP_UTF8},     {"utf8", CP_UTF8},      {"gb2312", 936},        {"gbk", 936},
    {"cp936", 936},         {"x-gbk", 936},         {"gb18030", 54936},     {"big5", 950},
    {"iso-8859-1", 28591},  {"latin1", 28591},      {"us-ascii", 20127},    {"windows-1250", 1250},
    {"windows-1251", 1251}, {"windows-1252", 1252}, {"windows-1253", 1253}, {"windows-1254", 1254},
    {"windows-1255", 1255}, {"windows-1256", 1256}, {"windows-1257", 1257}, {"windows-1258", 1258},
};

// A byte string literal that may hold NULs.
template <size_t N> constexpr std::string_view Bytes(const char (&s)[N]) {
    return {s, N - 1};
}

bool IsXmlSpace(int c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::optional<std::wstring> ConvertUtf16(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    std::wstring out(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < out.size(); ++i) {
        const auto a = static_cast<unsigned char>(bytes[2 * i]);
        const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
        out[i] = static_cast<wchar_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    return out;
}

std::optional<std::wstring> ConvertCodePage(std::string_view bytes, unsigned codePage) {
    if (bytes.empty())
        return std::wstring();
    if (bytes.size() > 0x7FFFFFFF)
        return std::nullopt;
    // Bytes that are no character of the declared encoding make the answer
    // malformed, as a conforming parser would find, instead of garbage rows.
    const int in = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), in, nullptr, 0);
    if (n <= 0)
        return std::nullopt;
    std::wstring out(static_cast<size_t>(n), L'\0');
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), in, out.data(), n) != n)
        return std::nullopt;
    return out;
}

std::string ToLowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

void DropXmlDeclaration(std::wstring& text) {
    if (!text.empty() && text[0] == 0xFEFF)
        text.erase(0, 1);
    if (text.size() > 5 && text.compare(0, 5, L"<?xml") == 0 && IsXmlSpace(text[5])) {
        const size_t end = text.find(L"?>");
        if (end != std::wstring::npos)
            text.erase(0, end + 2);
    }
}

} // namespace

std::string EncodeText(std::wstring_view text, unsigned codePage) {
    if (text.empty())
        return {};
    const int in = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(codePage, 0, text.data(), in, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(std::max(n, 0)), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), in, out.data(), n, nullptr, nullptr);
    return out;
}

std::optional<std::string> DeclaredEncoding(std::string_view bytes) {
    if (!bytes.starts_with("<?xml") || bytes.size() < 6 || !IsXmlSpace(bytes[5]))
        return std::nullopt;
    const size_t end = bytes.find("?>");
    if (end == std::string_view::npos)
        return std::nullopt;
    const std::string_view decl = bytes.substr(0, end);
    size_t at = decl.find("encoding");
    if (at == std::string_view::npos)
        return std::nullopt;
    at += 8;
    while (at < decl.size() && IsXmlSpace(decl[at]))
        ++at;
    if (at >= decl.size() || decl[at] != '=')
        return std::nullopt;
    ++at;
    while (at < decl.size() && IsXmlSpace(decl[at]))
        ++at;
    if (at >= decl.size() || (decl[at] != '"' && decl[at] != '\''))
        return std::nullopt;
    const char quote = decl[at++];
    const size_t close = decl.find(quote, at);
    if (close == std::string_view::npos)
        return std::nullopt;
    return ToLowerAscii(decl.substr(at, close - at));
}

unsigned CodePageForEncoding(std::string_view name) {
    const std::string lower = ToLowerAscii(name);
    const auto it = std::find_if(std::begin(kEncodings), std::end(kEncodings),
                                 [&](const EncodingName& e) { return e.name == lower; });
    if (it == std::end(kEncodings))
        return 0;
    if (it->codePage == 54936 && !IsValidCodePage(54936))
        return 936;
    if (it->codePage != CP_UTF8 && !IsValidCodePage(it->codePage))
        return 0;
    return it->codePage;
}

std::optional<std::wstring> DecodeXmlBytes(std::string_view bytes) {
    std::optional<std::wstring> text;
    if (bytes.starts_with(Bytes("\xFF\xFE\0\0")) || bytes.starts_with(Bytes("\0\0\xFE\xFF")))
        return std::nullopt; // UTF-32 is not an encoding the service uses
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        text = ConvertCodePage(bytes.substr(3), CP_UTF8);
    } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with(Bytes("<\0?\0"))) {
        text = ConvertUtf16(bytes.starts_with("\xFF\xFE") ? bytes.substr(2) : bytes, false);
    } else if (bytes.starts_with("\xFE\xFF") || bytes.starts_with(Bytes("\0<\0?"))) {
        text = ConvertUtf16(bytes.starts_with("\xFE\xFF") ? bytes.substr(2) : bytes, true);
    } else {
        const std::optional<std::string> declared = DeclaredEncoding(bytes);
        const unsigned codePage = declared ? CodePageForEncoding(*declared) : CP_UTF8;
        if (codePage == 0)
            return std::nullopt;
        text = ConvertCodePage(bytes, codePage);
    }
    if (text)
        DropXmlDeclaration(*text);
    return text;
}

bool HasDocumentTypeDeclaration(std::wstring_view text) {
    size_t at = 0;
    while (at < text.size()) {
        if (IsXmlSpace(text[at]) || text[at] == 0xFEFF) {
            ++at;
        } else if (text.substr(at).starts_with(L"<?")) {
            const size_t end = text.find(L"?>", at + 2);
            if (end == std::wstring_view::npos)
                return false;
            at = end + 2;
        } else if (text.substr(at).starts_with(L"<!--")) {
            const size_t end = text.find(L"-->", at + 4);
            if (end == std::wstring_view::npos)
                return false;
            at = end + 3;
        } else {
            return text.substr(at).starts_with(L"<!DOCTYPE");
        }
    }
    return false;
}
