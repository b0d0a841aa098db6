#include "qq_number.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n';
}
bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

int DigitValue(wchar_t c) {
    if (IsDigit(c))
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return 99;
}

double ReadRadixDigits(std::wstring_view s, int radix) {
    double value = 0;
    for (wchar_t c : s) {
        const int d = DigitValue(c);
        if (d >= radix)
            break;
        value = value * radix + d;
    }
    return value;
}

// Copies the decimal number at the start of s into an ASCII buffer that strtod
// understands ("D" exponents become "e"), stopping at the first foreign char.
std::string TakeDecimal(std::wstring_view s) {
    std::string out;
    size_t i = 0;
    auto take_digits = [&] {
        size_t n = 0;
        for (; i < s.size() && IsDigit(s[i]); ++i, ++n)
            out += static_cast<char>(s[i]);
        return n;
    };
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-'))
        out += static_cast<char>(s[i++]);
    size_t mantissa = take_digits();
    if (i < s.size() && s[i] == L'.') {
        out += '.';
        ++i;
        mantissa += take_digits();
    }
    if (mantissa == 0)
        return {};
    if (i < s.size() && (s[i] == L'E' || s[i] == L'e' || s[i] == L'D' || s[i] == L'd')) {
        std::string exponent = "e";
        size_t j = i + 1;
        if (j < s.size() && (s[j] == L'+' || s[j] == L'-'))
            exponent += static_cast<char>(s[j++]);
        const size_t start = j;
        for (; j < s.size() && IsDigit(s[j]); ++j)
            exponent += static_cast<char>(s[j]);
        if (j > start)
            out += exponent;
    }
    return out;
}

} // namespace

double ReadLeadingNumber(std::wstring_view text) {
    std::wstring s;
    s.reserve(text.size());
    for (wchar_t c : text)
        if (!IsBlank(c))
            s += c;

    if (s.size() >= 2 && s[0] == L'&') {
        if (s[1] == L'H' || s[1] == L'h')
            return ReadRadixDigits(std::wstring_view(s).substr(2), 16);
        if (s[1] == L'O' || s[1] == L'o')
            return ReadRadixDigits(std::wstring_view(s).substr(2), 8);
    }
    const std::string number = TakeDecimal(s);
    if (number.empty())
        return 0;
    return std::strtod(number.c_str(), nullptr);
}

bool IsAcceptedQQNumber(std::wstring_view text) {
    const double v = ReadLeadingNumber(text);
    return v >= 10000.0 && v < 1e10;
}
