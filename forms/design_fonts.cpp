#include "design_fonts.h"

#include "window_dpi.h"

#include <map>
#include <string>

namespace {

// Chinese faces found on Windows and on the systems Wine runs on, best first
// after the designed one.
constexpr const wchar_t* kFallbackFaces[] = {
    L"SimSun", L"NSimSun", L"Microsoft YaHei", L"SimHei", L"WenQuanYi Micro Hei",
    L"Noto Sans CJK SC", L"Source Han Sans SC",
};

bool IsInstalled(const wchar_t* face) {
    const WindowDC screen(nullptr, false);
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    wcsncpy_s(query.lfFaceName, face, _TRUNCATE);
    bool found = false;
    EnumFontFamiliesExW(
        screen.get(), &query,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
            *reinterpret_cast<bool*>(found) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

const wchar_t* FindInstalledFace(const wchar_t* designed) {
    if (IsInstalled(designed))
        return designed;
    for (const wchar_t* face : kFallbackFaces)
        if (IsInstalled(face))
            return face;
    return designed; // the mapper's best guess for the character set
}

// Asked once per designed face: the pictures ask at every repaint. GUI thread only.
const wchar_t* InstalledFace(const wchar_t* designed) {
    static std::map<std::wstring, const wchar_t*> known;
    const auto [it, added] = known.try_emplace(designed, nullptr);
    if (added)
        it->second = FindInstalledFace(designed);
    return it->second;
}

} // namespace

UniqueFont CreateDesignFont(const form1_design::FontDesign& design, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(design.points, static_cast<int>(dpi), 72);
    font.lfWeight = design.weight;
    font.lfCharSet = design.charset;
    wcsncpy_s(font.lfFaceName, InstalledFace(design.face), _TRUNCATE);
    return UniqueFont(CreateFontIndirectW(&font));
}

UniqueFont CreateSystemFont(SystemFont which, UINT dpi) {
    static const auto forDpi = NewerUser32Entry<BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT)>(
        "SystemParametersInfoForDpi");
    // Asked at the window's scale where the system can (Windows 10, 1607 on),
    // else scaled from the system's own.
    const auto ask = [&](UINT action, UINT size, void* answer, LONG& height) {
        if (forDpi && forDpi(action, size, answer, 0, dpi))
            return true;
        if (!SystemParametersInfoW(action, size, answer, 0))
            return false;
        height = MulDiv(height, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
        return true;
    };
    LOGFONTW font{};
    if (which == SystemFont::IconTitle) {
        if (!ask(SPI_GETICONTITLELOGFONT, sizeof font, &font, font.lfHeight))
            return {};
    } else {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (!ask(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, metrics.lfStatusFont.lfHeight))
            return {};
        font = metrics.lfStatusFont;
    }
    return UniqueFont(CreateFontIndirectW(&font));
}
