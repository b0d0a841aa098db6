#include "class_groups.h"

#include <array>

namespace skin {
namespace {

struct ClassRow {
    std::wstring_view name;
    ClassGroup group;
    bool prefix = false;
};

// Forms of the dialog manager and of the VB runtimes, then each control kind under
// its VB5, VB6 and system class names. First matching row wins.
constexpr std::array kClassTable{
    ClassRow{L"#32770", ClassGroup::Form},
    ClassRow{L"thunderformdc", ClassGroup::Form},
    ClassRow{L"thunderrt6formdc", ClassGroup::Form},
    ClassRow{L"form", ClassGroup::Form},
    ClassRow{L"thundercommandbutton", ClassGroup::PushButton},
    ClassRow{L"thunderrt6commandbutton", ClassGroup::PushButton},
    ClassRow{L"button", ClassGroup::PushButton},
    ClassRow{L"thundercombobox", ClassGroup::ComboBox},
    ClassRow{L"thunderrt6combobox", ClassGroup::ComboBox},
    ClassRow{L"combo", ClassGroup::ComboBox},
    ClassRow{L"combobox", ClassGroup::ComboBox},
    ClassRow{L"thunderdrivelistbox", ClassGroup::DriveList},
    ClassRow{L"thunderrt6drivelistbox", ClassGroup::DriveList},
    ClassRow{L"thundercheckbox", ClassGroup::CheckBox},
    ClassRow{L"thunderrt6checkbox", ClassGroup::CheckBox},
    ClassRow{L"thunderoptionbutton", ClassGroup::OptionButton},
    ClassRow{L"thunderrt6optionbutton", ClassGroup::OptionButton},
    ClassRow{L"msvb_lib_header", ClassGroup::Header},
    ClassRow{L"sysheader32", ClassGroup::Header},
    ClassRow{L"progressbar20wndclass", ClassGroup::ProgressBar},
    ClassRow{L"progressbarwndclass", ClassGroup::ProgressBar},
    ClassRow{L"datalistwndclass", ClassGroup::DataList},
    ClassRow{L"dblistwndclass", ClassGroup::DataList},
    ClassRow{L"combolbox", ClassGroup::DropDownList},
    ClassRow{L"apexgrid", ClassGroup::Grid, true},
};

} // namespace

std::wstring GetWindowClass(HWND hwnd) {
    // 255 characters: the longest name the class registry accepts, less its NUL.
    wchar_t buffer[256] = {};
    const int length = GetClassNameW(hwnd, buffer, 255);
    if (length <= 0)
        return {};
    return std::wstring(buffer, static_cast<size_t>(length));
}

std::wstring LowerClassName(std::wstring name) {
    if (!name.empty())
        CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

ClassGroup ClassGroupOf(std::wstring_view lowerName) {
    for (const ClassRow& row : kClassTable) {
        if (row.prefix ? lowerName.starts_with(row.name) : lowerName == row.name)
            return row.group;
    }
    return ClassGroup::Other;
}

ClassGroup GetClassGroup(HWND hwnd) {
    return ClassGroupOf(LowerClassName(GetWindowClass(hwnd)));
}

} // namespace skin
