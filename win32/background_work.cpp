#include "background_work.h"

#include "kernel_handle.h"
#include "sync.h"

#include <process.h>

#include <cerrno>
#include <memory>
#include <system_error>

namespace {

// Never destroyed: workers may still end while the process runs its exit.
struct Workers {
    SrwMutex mutex;
    SrwCondition idle;
    int running = 0;
};
Workers& AllWorkers() {
    static Workers* workers = new Workers;
    return *workers;
}

constexpr DWORD kRepostPauseMs = 20;

// The system's threads rather than std::thread: MinGW-w64's winpthreads
// corrupts its own records when many short-lived threads are detached (under
// Wine, 2 of 3 runs starting 20000 of them crashed), and a burst of
// double-clicks starts a few threads per song.
unsigned __stdcall RunWork(void* work) {
    const std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(work));
    try {
        (*owned)();
    } catch (...) {
        // A thread's work reports through its window or not at all.
    }
    return 0;
}

} // namespace

void StartThread(std::function<void()> work) {
    auto owned = std::make_unique<std::function<void()>>(std::move(work));
    const uintptr_t thread = _beginthreadex(nullptr, 0, RunWork, owned.get(), 0, nullptr);
    if (!thread)
        throw std::system_error(errno, std::generic_category(), "_beginthreadex");
    owned.release(); // the thread owns it now
    KernelHandle(reinterpret_cast<HANDLE>(thread)); // nobody waits on it
}

void RunDetached(std::function<void()> work) {
    Workers& workers = AllWorkers();
    {
        std::lock_guard lock(workers.mutex);
        ++workers.running;
    }
    try {
        StartThread([work = std::move(work), &workers] {
            try {
                work();
            } catch (...) {
                // A worker reports through its window or not at all.
            }
            std::lock_guard lock(workers.mutex);
            if (--workers.running == 0)
                workers.idle.notify_all();
        });
    } catch (...) {
        std::lock_guard lock(workers.mutex);
        --workers.running;
        throw;
    }
}

bool WaitForDetachedWorkers(DWORD timeoutMs) {
    Workers& workers = AllWorkers();
    const ULONGLONG until = GetTickCount64() + timeoutMs;
    std::unique_lock lock(workers.mutex);
    while (workers.running > 0) {
        const ULONGLONG now = GetTickCount64();
        if (now >= until)
            return false;
        workers.idle.wait_for(lock, static_cast<DWORD>(until - now));
    }
    return true;
}

bool PostReport(HWND window, UINT message, WPARAM wParam, LPARAM lParam, PostFn post) {
    while (!post(window, message, wParam, lParam)) {
        if (!IsWindow(window))
            return false;
        Sleep(kRepostPauseMs);
    }
    return true;
}
