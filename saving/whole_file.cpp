#include "whole_file.h"

WholeFile::WholeFile(std::wstring target) : target_(std::move(target)) {
    for (int n = 0; n < 100 && !file_; ++n) {
        temp_ = target_ + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount64() + static_cast<unsigned>(n)) + L".part";
        HANDLE file = CreateFileW(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            file_.reset(file);
        } else {
            error_ = GetLastError();
            if (error_ != ERROR_FILE_EXISTS && error_ != ERROR_ALREADY_EXISTS)
                break;
        }
    }
    if (file_)
        error_ = 0;
    else
        temp_.clear();
}

WholeFile::~WholeFile() {
    file_.reset();
    if (!temp_.empty())
        DeleteFileW(temp_.c_str());
}

bool WholeFile::Write(const char* data, size_t size) {
    DWORD written = 0;
    if (file_ && WriteFile(file_.get(), data, static_cast<DWORD>(size), &written, nullptr) &&
        written == size)
        return true;
    error_ = GetLastError() ? GetLastError() : ERROR_DISK_FULL;
    return false;
}

bool WholeFile::Commit(bool replace) {
    if (!file_)
        return false;
    const bool flushed = FlushFileBuffers(file_.get());
    file_.reset();
    if (flushed && MoveFileExW(temp_.c_str(), target_.c_str(),
                               (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH)) {
        temp_.clear(); // it is the target now
        SetFileAttributesW(target_.c_str(), FILE_ATTRIBUTE_NORMAL);
        return true;
    }
    error_ = GetLastError();
    DeleteFileW(temp_.c_str());
    temp_.clear();
    return false;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    WholeFile file(path);
    return file.ok() && file.Write(bytes.data(), bytes.size()) && file.Commit(true);
}
