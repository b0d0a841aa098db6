#include "query_address.h"

#include "xml_text.h"

#include <windows.h>

namespace {

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

} // namespace

std::wstring PercentEncode(std::wstring_view text) {
    static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring out;
    for (unsigned char c : EncodeText(text, CP_UTF8)) {
        if (IsUnreserved(c)) {
            out += static_cast<wchar_t>(c);
        } else {
            out += L'%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::wstring BuildQueryAddress(std::wstring_view base, std::wstring_view typed) {
    std::wstring address(base);
    address += L"/fcg-bin/fcgi_agent_zhenghe.fcg?UIN=";
    address += PercentEncode(typed);
    address += L"&TYPE=16&PAGE_START=1&PAGE_END=10000&SELECT_FLAG=1";
    return address;
}
