#pragma once
#include <windows.h>

#include <memory>

// Owner of a kernel object handle (event, thread, file, snapshot), closed once.
struct KernelHandleCloser {
    void operator()(HANDLE handle) const {
        if (handle && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};
using KernelHandle = std::unique_ptr<void, KernelHandleCloser>;

// A manual- or auto-reset event, unsignalled; empty when the system refused one.
inline KernelHandle CreateEventHandle(bool manualReset) {
    return KernelHandle(CreateEventW(nullptr, manualReset, FALSE, nullptr));
}
