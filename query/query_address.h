#pragma once
#include <string>
#include <string_view>

// Percent-encodes every UTF-8 byte of text except the RFC 3986 unreserved
// characters (A-Z a-z 0-9 - . _ ~).
std::wstring PercentEncode(std::wstring_view text);

// The music-list request for the QQ box's text exactly as typed (not trimmed),
// escaped so that nothing typed can break the request line or add query keys.
std::wstring BuildQueryAddress(std::wstring_view base, std::wstring_view typed);
