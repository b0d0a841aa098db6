#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The system's own Save and Open dialogs, for keeping songs. Tests put a
// picker of their own in their place.
struct FileChoice {
    enum class Kind { SaveFile, PickFolder };
    Kind kind = Kind::SaveFile;
    const wchar_t* title = L"";
    std::wstring proposedName; // SaveFile: the name in the box
    std::wstring folder;       // where the dialog opens ("" : its own choice)
    // SaveFile: pairs of a name and a pattern ("M3U8 播放列表", "*.m3u8").
    std::vector<std::pair<std::wstring, std::wstring>> types;
};
struct FileChosen {
    std::wstring path;
    unsigned typeIndex = 0; // which of the types, from 0
};
using FilePickerFn = std::function<std::optional<FileChosen>(HWND owner, const FileChoice&)>;

// Shows IFileSaveDialog or IFileOpenDialog (FOS_PICKFOLDERS); empty when the
// user cancels or the system has no dialog.
std::optional<FileChosen> ShowFileDialog(HWND owner, const FileChoice& choice);
