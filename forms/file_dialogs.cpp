#include "file_dialogs.h"

#include <shobjidl.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

std::optional<std::wstring> ResultPath(IFileDialog& dialog) {
    ComPtr<IShellItem> item;
    wchar_t* path = nullptr;
    if (FAILED(dialog.GetResult(&item)) || FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)))
        return std::nullopt;
    std::wstring out = path;
    CoTaskMemFree(path);
    return out;
}

} // namespace

std::optional<FileChosen> ShowFileDialog(HWND owner, const FileChoice& choice) {
    const bool save = choice.kind == FileChoice::Kind::SaveFile;
    ComPtr<IFileDialog> dialog;
    if (FAILED(CoCreateInstance(save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog, nullptr,
                                CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog))))
        return std::nullopt;
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    options |= FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR;
    options |= save ? FOS_OVERWRITEPROMPT : FOS_PICKFOLDERS;
    dialog->SetOptions(options);
    dialog->SetTitle(choice.title);
    std::vector<COMDLG_FILTERSPEC> specs;
    for (const auto& [name, pattern] : choice.types)
        specs.push_back({name.c_str(), pattern.c_str()});
    if (!specs.empty()) {
        dialog->SetFileTypes(static_cast<UINT>(specs.size()), specs.data());
        dialog->SetFileTypeIndex(1);
        // The pattern's extension follows the type the user picks.
        const std::wstring& first = choice.types.front().second;
        if (first.starts_with(L"*."))
            dialog->SetDefaultExtension(first.substr(2, first.find(L';') - 2).c_str());
    }
    if (save && !choice.proposedName.empty())
        dialog->SetFileName(choice.proposedName.c_str());
    if (!choice.folder.empty()) {
        ComPtr<IShellItem> folder;
        if (SUCCEEDED(SHCreateItemFromParsingName(choice.folder.c_str(), nullptr,
                                                  IID_PPV_ARGS(&folder))))
            dialog->SetFolder(folder.Get());
    }
    if (FAILED(dialog->Show(owner)))
        return std::nullopt; // cancelled, or no dialog
    FileChosen chosen;
    const std::optional<std::wstring> path = ResultPath(*dialog.Get());
    if (!path)
        return std::nullopt;
    chosen.path = *path;
    UINT index = 1;
    if (!specs.empty() && SUCCEEDED(dialog->GetFileTypeIndex(&index)) && index >= 1)
        chosen.typeIndex = index - 1;
    return chosen;
}
