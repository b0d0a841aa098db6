#pragma once
#include "kernel_handle.h"

#include <string>

// A file written whole or not at all: into a hidden temporary file beside its
// target (so the rename never copies), which takes the target's name only
// once complete. Nothing half-written ever stands under the target's name.
class WholeFile {
  public:
    // Creates the temporary file beside `target` under a name of its own, so
    // nothing there is ever overwritten. ok() tells whether it could.
    explicit WholeFile(std::wstring target);
    // A file not committed is deleted.
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    bool ok() const { return static_cast<bool>(file_); }
    // The system's error when creating or writing failed.
    DWORD error() const { return error_; }
    bool Write(const char* data, size_t size);
    // Flushes, closes and gives the file the target's name (replacing what is
    // there when `replace`), visible. False when that failed (error() then
    // says why); the temporary file is gone either way.
    bool Commit(bool replace);

  private:
    std::wstring target_, temp_;
    KernelHandle file_;
    DWORD error_ = 0;
};

// `bytes` written to `path` as a WholeFile, replacing what is there.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
