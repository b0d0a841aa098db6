// Saves songs from loopback at full speed and prints: ten 5 MB songs saved
// against the raw transfer of the same bytes (read and thrown away), one by
// one and two at a time as 全部保存 does; the working set while saving against
// before; and one 200 MB song saved with the working set sampled throughout.
#include "kernel_objects.h"
#include "loopback_server.h"
#include "message_pump.h"
#include "save_queue.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Mb(size_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// The largest working set seen every 20 ms while `work` runs.
template <class Work> size_t LargestWorkingSetDuring(Work work) {
    std::atomic<bool> done = false;
    std::atomic<size_t> largest = ProcessMemory().WorkingSetSize;
    std::thread sampler([&] {
        while (!done) {
            largest = std::max<size_t>(largest, ProcessMemory().WorkingSetSize);
            Sleep(20);
        }
    });
    work();
    done = true;
    sampler.join();
    return largest;
}

// Reads a body and throws it away: the transfer alone.
class Discard final : public HttpBodySink {
  public:
    void BodyBegins(std::optional<unsigned long long>) override {}
    bool BodyPiece(const char*, size_t) override { return true; }
    void TransferEnded(const HttpResult&) override { SetEvent(ended_); }
    HANDLE ended_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~Discard() override { CloseHandle(ended_); }
};

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

} // namespace

int main() {
    std::string megabyte(1 << 20, '\0');
    for (size_t i = 0; i < megabyte.size(); ++i)
        megabyte[i] = static_cast<char>((i * 2654435761u) >> 13);
    LoopbackServer server;
    LoopbackResponse song;
    song.contentType = "audio/mpeg";
    song.body = megabyte;
    song.repeat = 5;
    for (int i = 0; i < 10; ++i)
        server.Serve("/song" + std::to_string(i) + ".mp3", song);
    LoopbackResponse big = song;
    big.repeat = 200;
    server.Serve("/big.mp3", big);
    const std::wstring base = server.BaseAddress();
    const fs::path folder = fs::temp_directory_path() / L"qzm-saving-bench";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const HttpOptions http = SaveHttpOptions();
    const std::atomic<bool> never = false;

    // Warm up WinHTTP and the file system's caches.
    SaveSong({base + L"/song0.mp3", (folder / L"warm.mp3").wstring()}, http, never);

    auto rawTransfer = [&] {
        for (int i = 0; i < 10; ++i) {
            auto sink = std::make_shared<Discard>();
            HttpClient client(http);
            client.Stream(base + L"/song" + std::to_wstring(i) + L".mp3", sink);
            WaitForSingleObject(sink->ended_, INFINITE);
        }
    };
    auto saveOneByOne = [&] {
        for (int i = 0; i < 10; ++i)
            SaveSong({base + L"/song" + std::to_wstring(i) + L".mp3",
                      (folder / (L"one" + std::to_wstring(i) + L".mp3")).wstring()},
                     http, never);
    };
    const size_t idle = ProcessMemory().WorkingSetSize;
    auto start = Clock::now();
    const size_t largestRaw = LargestWorkingSetDuring(rawTransfer);
    const double raw = Seconds(start);
    start = Clock::now();
    const size_t largestOneByOne = LargestWorkingSetDuring(saveOneByOne);
    const double oneByOne = Seconds(start);

    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    SaveQueue queue(window, WM_APP + 1, http);
    std::vector<SaveRequest> requests;
    for (int i = 0; i < 10; ++i)
        requests.push_back({base + L"/song" + std::to_wstring(i) + L".mp3",
                            (folder / (L"all" + std::to_wstring(i))).wstring(), true, true});
    start = Clock::now();
    const size_t largestAll = LargestWorkingSetDuring([&] {
        queue.Start(requests, 2);
        PumpUntil([&] { return !queue.Running(); }, 120000);
    });
    const double all = Seconds(start);
    DestroyWindow(window);

    const size_t largestRawBig = LargestWorkingSetDuring([&] {
        auto sink = std::make_shared<Discard>();
        HttpClient client(http);
        client.Stream(base + L"/big.mp3", sink);
        WaitForSingleObject(sink->ended_, INFINITE);
    });
    SaveResult bigResult;
    start = Clock::now();
    const size_t largestBig = LargestWorkingSetDuring([&] {
        bigResult = SaveSong({base + L"/big.mp3", (folder / L"big.mp3").wstring()}, http, never);
    });
    const double bigSeconds = Seconds(start);

    std::printf("ten 5 MB songs from loopback: raw transfer %.2f s; saved one by one %.2f s "
                "(%.2fx); saved two at a time %.2f s (%.2fx)\n",
                raw, oneByOne, oneByOne / raw, all, all / raw);
    // The server runs in this process too: the raw transfer's own figure is
    // what serving and receiving cost without saving.
    std::printf("working set: idle %.1f MB; largest during the raw transfer %.1f MB (+%.1f), "
                "saving one by one %.1f MB (+%.1f), two at a time %.1f MB (+%.1f)\n",
                Mb(idle), Mb(largestRaw), Mb(largestRaw - idle), Mb(largestOneByOne),
                Mb(largestOneByOne - idle), Mb(largestAll), Mb(largestAll - idle));
    std::printf("one 200 MB song: %s in %.2f s (%.0f MB/s), largest working set %.1f MB "
                "(+%.1f over idle; its raw transfer +%.1f)\n",
                bigResult.outcome == SaveResult::Outcome::Saved ? "saved" : "NOT saved",
                bigSeconds, 200.0 / bigSeconds, Mb(largestBig), Mb(largestBig - idle),
                Mb(largestRawBig - idle));
    fs::remove_all(folder);
    return bigResult.outcome == SaveResult::Outcome::Saved ? 0 : 1;
}
