#include "background_work.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Never destroyed: workers may still end while the process runs its exit.
struct Workers {
    std::mutex mutex;
    std::condition_variable idle;
    int running = 0;
};
Workers& AllWorkers() {
    static Workers* workers = new Workers;
    return *workers;
}

constexpr DWORD kRepostPauseMs = 20;

} // namespace

void RunDetached(std::function<void()> work) {
    Workers& workers = AllWorkers();
    {
        std::lock_guard lock(workers.mutex);
        ++workers.running;
    }
    try {
        std::thread([work = std::move(work), &workers] {
            try {
                work();
            } catch (...) {
                // A worker reports through its window or not at all.
            }
            std::lock_guard lock(workers.mutex);
            if (--workers.running == 0)
                workers.idle.notify_all();
        }).detach();
    } catch (...) {
        std::lock_guard lock(workers.mutex);
        --workers.running;
        throw;
    }
}

bool WaitForDetachedWorkers(DWORD timeoutMs) {
    Workers& workers = AllWorkers();
    std::unique_lock lock(workers.mutex);
    return workers.idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return workers.running == 0; });
}

bool PostReport(HWND window, UINT message, WPARAM wParam, LPARAM lParam, PostFn post) {
    while (!post(window, message, wParam, lParam)) {
        if (!IsWindow(window))
            return false;
        Sleep(kRepostPauseMs);
    }
    return true;
}
