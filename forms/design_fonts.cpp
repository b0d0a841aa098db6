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

UniqueFont CreateSystemListFont(UINT dpi) {
    // Asked at the window's scale where the system can (Windows 10, 1607 on),
    // else scaled from the system's own.
    using ForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto forDpi = reinterpret_cast<ForDpi>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
    LOGFONTW font{};
    if (!forDpi || !forDpi(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0, dpi)) {
        if (!SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0))
            return {};
        font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    }
    return UniqueFont(CreateFontIndirectW(&font));
}
