// The tests' main for executables that use MSXML on their own thread. In a
// fresh Wine prefix such a test once in a while passed, printed its result and
// then hung in the process's exit (the DLLs' shutdown) until ctest's timeout.
// The results are out by then: the process ends without the shutdown.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(stdout);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
    return result;
}
