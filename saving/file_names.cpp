#include "file_names.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <string>

namespace {

std::wstring Lower(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out)
        c = static_cast<wchar_t>(std::towlower(c));
    return out;
}

bool RefusedCharacter(wchar_t c) {
    return c < 0x20 || c == 0x7F || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos;
}

bool Blank(wchar_t c) {
    return c == L' ' || c == 0x3000; // the ideographic space too
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices, with any extension.
bool ReservedDeviceName(std::wstring_view name) {
    std::wstring base = Lower(name.substr(0, name.find(L'.')));
    while (!base.empty() && Blank(base.back()))
        base.pop_back();
    for (const wchar_t* device : {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"})
        if (base == device)
            return true;
    return base.size() == 4 && (base.starts_with(L"com") || base.starts_with(L"lpt")) &&
           ((base[3] >= L'1' && base[3] <= L'9') || base[3] == 0xB9 || base[3] == 0xB2 ||
            base[3] == 0xB3); // superscript digits count too
}

struct AudioType {
    const wchar_t* extension;
    const wchar_t* contentType;
};
constexpr std::array<AudioType, 16> kAudioTypes = {{
    {L".mp3", L"audio/mpeg"},  {L".mp3", L"audio/mp3"},      {L".m4a", L"audio/mp4"},
    {L".m4a", L"audio/x-m4a"}, {L".aac", L"audio/aac"},      {L".wma", L"audio/x-ms-wma"},
    {L".wav", L"audio/wav"},   {L".wav", L"audio/x-wav"},    {L".wav", L"audio/wave"},
    {L".flac", L"audio/flac"}, {L".flac", L"audio/x-flac"},  {L".ogg", L"audio/ogg"},
    {L".opus", L"audio/opus"}, {L".ape", L"audio/x-ape"},    {L".mid", L"audio/midi"},
    {L".amr", L"audio/amr"},
}};

} // namespace

std::wstring SafeFileName(std::wstring_view text) {
    std::wstring name;
    for (wchar_t c : text)
        name += RefusedCharacter(c) ? L'_' : c;
    const size_t first = name.find_first_not_of(L" \x3000");
    name.erase(0, first == std::wstring::npos ? name.size() : first);
    if (name.size() > kMaxStemLength) {
        size_t cut = kMaxStemLength;
        if (name[cut - 1] >= 0xD800 && name[cut - 1] <= 0xDBFF) // never half a pair
            --cut;
        name.resize(cut);
    }
    while (!name.empty() && (name.back() == L'.' || Blank(name.back())))
        name.pop_back();
    if (ReservedDeviceName(name))
        name.insert(0, 1, L'_');
    return name;
}

std::wstring SongFileStem(std::wstring_view singer, std::wstring_view name, int number) {
    const std::wstring safeSinger = SafeFileName(singer);
    const std::wstring safeName = SafeFileName(name);
    std::wstring stem = safeSinger.empty()  ? safeName
                        : safeName.empty() ? safeSinger
                                           : SafeFileName(safeSinger + L" - " + safeName);
    return stem.empty() ? L"歌曲 " + std::to_wstring(number) : stem;
}

std::wstring AudioExtension(std::wstring_view address, std::wstring_view contentType) {
    std::wstring_view path = address.substr(0, address.find_first_of(L"?#"));
    const size_t scheme = path.find(L"://");
    if (scheme != std::wstring_view::npos)
        path.remove_prefix(std::min(path.size(), path.find(L'/', scheme + 3)));
    const size_t dot = path.rfind(L'.');
    if (dot != std::wstring_view::npos && path.find(L'/', dot) == std::wstring_view::npos) {
        const std::wstring extension = Lower(path.substr(dot));
        for (const AudioType& type : kAudioTypes)
            if (extension == type.extension)
                return extension;
    }
    const std::wstring type = Lower(contentType.substr(0, contentType.find(L';')));
    for (const AudioType& known : kAudioTypes)
        if (type == known.contentType)
            return known.extension;
    return L".mp3";
}
