#pragma once
#include <string_view>

// The value of the leading number of a text, read the way the tool has always
// read the QQ box: blanks (space, tab, line feed) anywhere are skipped; then an
// optional sign, digits, an optional decimal point with digits and an optional
// exponent ("E" or "D", optional sign, digits); reading stops at the first
// other character. "&H" / "&O" at the start read the following digits as
// hexadecimal / octal. A text without a leading number is worth 0.
double ReadLeadingNumber(std::wstring_view text);

// A QQ number has 5 to 10 digits: 10000 <= value < 1e10.
bool IsAcceptedQQNumber(std::wstring_view text);
