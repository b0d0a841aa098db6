#include "kernel_handle.h"

#include <gtest/gtest.h>

namespace {

// Under this Wine the process handle count reads 0, so an owner that never
// closes its handle would go unseen by a count: ask the handle itself.
bool IsOpenHandle(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != 0;
}

TEST(KernelHandle, ClosesWhatItOwnsWhenItGoesIsResetOrIsGivenAnother) {
    HANDLE raw = nullptr;
    {
        const KernelHandle owner = CreateEventHandle(true);
        raw = owner.get();
        ASSERT_TRUE(IsOpenHandle(raw));
    }
    EXPECT_FALSE(IsOpenHandle(raw)) << "gone out of scope";

    KernelHandle owner = CreateEventHandle(false);
    raw = owner.get();
    owner = CreateEventHandle(false);
    EXPECT_FALSE(IsOpenHandle(raw)) << "given another";
    raw = owner.get();
    owner.reset();
    EXPECT_FALSE(IsOpenHandle(raw)) << "reset";

    const HANDLE released = CreateEventHandle(false).release();
    EXPECT_TRUE(IsOpenHandle(released)) << "released: the caller's to close";
    CloseHandle(released);
}

} // namespace
