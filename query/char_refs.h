#pragma once
#include <span>
#include <string>
#include <string_view>

// The service leaves some characters of its texts as literal decimal
// character references ("&#58;" for ':'), even after XML parsing.
struct CharRefPair {
    std::wstring_view replaced;
    std::wstring_view by;
};

// Applied in this order, each over the whole text. Addresses use the first
// five only, so an address keeps "&#32;" and "&#39;" as they are.
inline constexpr CharRefPair kTextPairs[] = {
    {L"&#58;", L":"}, {L"&#46;", L"."}, {L"&#95;", L"/"}, {L"&#45;", L"-"},
    {L"&#37;", L"%"}, {L"&#32;", L" "}, {L"&#39;", L"'"},
};
inline constexpr std::span<const CharRefPair> kAddressPairs{kTextPairs, 5};

std::wstring DecodeCharRefs(std::wstring text, std::span<const CharRefPair> pairs);

// The address as played and copied: the stored text less its last character
// (a surrogate pair counts as one character). Empty stays empty.
std::wstring RemoveLastCharacter(std::wstring_view text);
