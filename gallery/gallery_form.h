#pragma once
#include <windows.h>

// The skin gallery's form: one control of every class group the skin knows, under the
// form package's class names where a plain system has no class of that name. Shared
// by the gallery program, the skin's tests and its benchmark.
namespace gallery {

enum GalleryControlId : int {
    kOkButton = 101,
    kDisabledButton,
    kDefaultButton,
    kEditCombo,
    kListCombo,
    kDriveList,
    kCheckUnchecked,
    kCheckChecked,
    kCheckMixed,
    kOptionFirst,
    kOptionSecond,
    kHeader,
    kProgress,
    kTextBox,
    kListBox,
    kDataList,
    kGrid,
};
inline constexpr int kFirstGalleryControl = kOkButton;
inline constexpr int kLastGalleryControl = kGrid;

// Superclasses of BUTTON, COMBOBOX, msctls_progress32 and LISTBOX under the form
// package's names, registered once per process. False when one could not be.
bool RegisterFormPackageClasses();

// Creates every gallery control in `form`, in the gallery's layout (client area
// 600 x 300). False when one could not be created.
bool CreateGalleryControls(HWND form);

// A plain visible topmost popup of the class (registered on first use), at (x, y) and of
// the size given: a host for controls on a display without a window manager, where Wine
// handles captioned windows slowly.
HWND CreatePopupHost(const wchar_t* className, int x, int y, int width, int height);

// A modeless dialog box ("#32770"), hidden, holding every gallery control; null when it
// could not be made. Its close box or DestroyWindow ends it.
HWND CreateGalleryDialog(HWND owner);

} // namespace gallery
