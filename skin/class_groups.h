#pragma once
#include <windows.h>

#include <string>
#include <string_view>

// Sorting a window into the group that every handler and painter dispatches on.
namespace skin {

enum class ClassGroup {
    Form,
    PushButton,
    ComboBox,
    DriveList, // set up like a combo box; painted and driven a little differently
    CheckBox,
    OptionButton,
    Header,
    ProgressBar,
    DataList,     // data-bound lists: a list frame over their own paint, their own border
    DropDownList, // a combo box's drop-down list: a list frame over its own paint
    Grid,         // "apexgrid*": a frame line over their own paint when they have a border
    Other,
};

// The window's class name as the system gives it (not lower-cased); empty when it
// cannot be read.
std::wstring GetWindowClass(HWND hwnd);

std::wstring LowerClassName(std::wstring name);

// The group of an already lower-cased class name: exact match, except that every
// name beginning with "apexgrid" is a grid.
ClassGroup ClassGroupOf(std::wstring_view lowerName);

// GetWindowClass, lower-cased, then ClassGroupOf.
ClassGroup GetClassGroup(HWND hwnd);

} // namespace skin
