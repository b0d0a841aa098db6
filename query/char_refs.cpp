#include "char_refs.h"

std::wstring DecodeCharRefs(std::wstring text, std::span<const CharRefPair> pairs) {
    for (const CharRefPair& pair : pairs) {
        if (text.find(pair.replaced) == std::wstring::npos)
            continue;
        std::wstring out;
        out.reserve(text.size());
        size_t from = 0;
        for (size_t at; (at = text.find(pair.replaced, from)) != std::wstring::npos;
             from = at + pair.replaced.size()) {
            out.append(text, from, at - from);
            out += pair.by;
        }
        out.append(text, from);
        text.swap(out);
    }
    return text;
}

std::wstring RemoveLastCharacter(std::wstring_view text) {
    if (text.empty())
        return {};
    size_t cut = text.size() - 1;
    const bool low = text[cut] >= 0xDC00 && text[cut] <= 0xDFFF;
    if (low && cut > 0 && text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF)
        --cut;
    return std::wstring(text.substr(0, cut));
}
