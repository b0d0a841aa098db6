// Plays MP3 songs served from loopback through the real waveOut output and
// prints the time from play() to the first sound, at full speed and at
// 256 KB/s (about 2 Mbit/s), with a length and chunked; the working set while
// a 5 MB, a 30 MB and a 200 MB song play; the share of one core the process
// uses while a song plays; how much of a song plays after a pause longer than
// the server keeps an idle connection.
#include "kernel_objects.h"
#include "loopback_server.h"
#include "message_pump.h"
#include "null_audio_output.h"
#include "player.h"
#include "song_decoder.h"
#include "wav.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr UINT kNotify = WM_APP + 7;

// Passes everything to the device and notes when it first runs with sound
// queued: the first sound the user hears.
class TimedOutput final : public AudioOutput {
  public:
    explicit TimedOutput(std::atomic<Clock::rep>& firstSound) : firstSound_(firstSound) {}
    bool Open(const WAVEFORMATEX& format) override { return device_.Open(format); }
    bool Write(const void* data, size_t bytes) override { return device_.Write(data, bytes); }
    size_t Pending() override { return device_.Pending(); }
    HANDLE PlayedEvent() const override { return device_.PlayedEvent(); }
    void Pause() override { device_.Pause(); }
    void Resume() override {
        Clock::rep none = 0;
        if (device_.Pending() > 0)
            firstSound_.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
        device_.Resume();
    }
    void Reset() override { device_.Reset(); }
    void Close() override { device_.Close(); }

  private:
    WaveOutput device_;
    std::atomic<Clock::rep>& firstSound_;
};

// Every player of the bench: each takes only its own song's reports.
std::vector<MediaPlayer*> g_players;

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kNotify) {
        for (MediaPlayer* player : g_players)
            player->OnNotify(wParam, lParam);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

double Mb(size_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// Dispatches messages for `ms` without waking otherwise, unlike PumpFor's
// short polls, so the figure is the player's and not the pump's.
void DispatchFor(DWORD ms) {
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                                  QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
}

// Share of one core the process used over `seconds` of dispatching.
double CpuShare(int seconds) {
    const double cpuBefore = CpuSeconds();
    const auto wallBefore = Clock::now();
    DispatchFor(static_cast<DWORD>(seconds) * 1000);
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    return 100.0 * (CpuSeconds() - cpuBefore) / wall;
}

// Keeps a waveOut device busy with 250 ms buffers of a tone already in
// memory, as the player does but without decoding: the floor the platform's
// audio path sets. Returns the share of one core, or a negative value when
// there is no device.
double WaveOutAloneCpuShare(int seconds) {
    WaveOutput device;
    const WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    if (!device.Open(format))
        return -1;
    std::vector<BYTE> buffer(44100);
    for (size_t i = 0; i + 1 < buffer.size(); i += 2)
        buffer[i + 1] = static_cast<BYTE>((i / 200) % 2 ? 0x10 : 0xF0);
    const double cpuBefore = CpuSeconds();
    const auto wallBefore = Clock::now();
    const auto end = wallBefore + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        while (device.Pending() < 4)
            device.Write(buffer.data(), buffer.size());
        WaitForSingleObject(device.PlayedEvent(), 250);
    }
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    return 100.0 * (CpuSeconds() - cpuBefore) / wall;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct DecodeFigures {
    double audioSeconds = 0;
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

// Decodes the whole song flat out on this thread, as the player's worker does
// piece by piece.
DecodeFigures DecodeFlatOut(const std::string& bytes) {
    MediaFoundationScope mediaFoundation;
    SongDecoder decoder;
    DecodeFigures figures;
    Microsoft::WRL::ComPtr<IStream> memory;
    memory.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                    static_cast<UINT>(bytes.size())));
    if (!mediaFoundation.ok() || !decoder.Open(memory.Get()))
        return figures;
    const double cpuStart = CpuSeconds();
    const auto start = Clock::now();
    std::vector<BYTE> pcm;
    size_t total = 0;
    while (decoder.Read(pcm, 64 * 1024) == SongDecoder::Result::Data)
        total += pcm.size();
    figures.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    figures.cpuSeconds = CpuSeconds() - cpuStart;
    figures.audioSeconds = static_cast<double>(total) / decoder.format().nAvgBytesPerSec;
    return figures;
}

// Starts `address` as a double-click does and waits until it plays; prints the
// time to the first sound and to the playing state.
bool TimeStart(MediaPlayer& player, const std::wstring& address,
               std::atomic<Clock::rep>& firstSound, const char* label) {
    firstSound = 0;
    const auto start = Clock::now();
    player.stop();
    player.SetURL(address);
    player.play();
    if (!PumpUntil([&] { return player.state() == PlayerState::Playing && firstSound != 0; },
                   30000)) {
        std::fprintf(stderr, "%s: not playing: %ls\n", label, player.status().c_str());
        return false;
    }
    const Clock::time_point first{Clock::duration{firstSound.load()}};
    std::printf("%-34s %12.1fms %12.1fms\n", label, Ms(first - start), Ms(Clock::now() - start));
    return true;
}

// The largest working set seen while `player` plays `address` for `seconds`.
size_t WorkingSetWhilePlaying(MediaPlayer& player, const std::wstring& address, int seconds) {
    player.stop();
    player.SetURL(address);
    player.play();
    size_t largest = 0;
    for (int tick = 0; tick < seconds * 10; ++tick) {
        DispatchFor(100);
        largest = std::max(largest, ProcessMemory().WorkingSetSize);
    }
    return player.state() == PlayerState::Playing ? largest : 0;
}

// The header of a 16-bit PCM WAV file whose sound is `dataBytes` long.
std::string WavHeader(uint32_t dataBytes, unsigned rate, unsigned channels) {
    std::string header = MakeWav("", rate, channels);
    auto put = [&header](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = static_cast<char>(value >> (8 * i));
    };
    put(4, 36 + dataBytes);
    put(header.size() - 4, dataBytes);
    return header;
}

// Plays a 30 MB WAV on an output that plays every buffer at once, pauses it
// as it starts for three times as long as the server keeps a connection that
// takes nothing, resumes, and prints how much of the song played.
void PauseLongerThanTheServerWaits(HWND window) {
    constexpr unsigned kIdleCloseMs = 1000;
    constexpr unsigned kRate = 44100, kChannels = 2;
    const std::string second = MakeTonePcm(kRate, kChannels, 1.0, 440.0);
    LoopbackResponse song;
    song.contentType = "audio/wav";
    song.body = second;
    song.repeat = (30u << 20) / second.size();
    song.prefix = WavHeader(static_cast<uint32_t>(second.size() * song.repeat), kRate, kChannels);
    song.idleCloseMs = kIdleCloseMs;
    song.ranges = true;
    song.headers.push_back({"ETag", "\"bench\""});
    LoopbackServer server;
    server.Serve("/paused.wav", song);
    NullAudioOutputs outputs(NullAudioOptions{.realTime = false});
    MediaPlayer player(window, kNotify, outputs.Factory());
    g_players.push_back(&player);
    player.SetURL(server.BaseAddress() + L"/paused.wav");
    player.play();
    PumpUntil([&] { return player.state() != PlayerState::Connecting; }, 10000);
    player.pause();
    const size_t sentAtPause = server.BodyBytesSent();
    DispatchFor(3 * kIdleCloseMs);
    const bool dropped = server.OpenConnections() == 0;
    player.play();
    PumpUntil([&] { return player.state() == PlayerState::Stopped ||
                           player.state() == PlayerState::Failed; },
              120000);
    const auto ranges = server.Ranges();
    const size_t resumptions = static_cast<size_t>(std::count_if(
        ranges.begin(), ranges.end(), [](const std::string& r) { return !r.empty(); }));
    const double played = outputs.logs().empty()
                              ? 0.0
                              : static_cast<double>(outputs.logs().back()->Received().size()) /
                                    static_cast<double>(second.size() * song.repeat);
    std::printf("30 MB WAV paused %u ms as it started, the server closing connections idle "
                "%u ms: %.1f MB sent before the pause, connection %s, %zu ranged resumption%s, "
                "%s, played / duration %.4f\n",
                3 * kIdleCloseMs, kIdleCloseMs, Mb(sentAtPause),
                dropped ? "dropped while paused" : "still open after the pause", resumptions,
                resumptions == 1 ? "" : "s",
                player.state() == PlayerState::Stopped ? "ended as played to its end" : "failed",
                played);
    std::erase(g_players, &player);
}

} // namespace

// player_bench [runs] [cpu-seconds]: the first run includes loading Media
// Foundation and the decoders; the CPU share is measured on the last run.
int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 4;
    const int cpuSeconds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;

    std::ifstream in(std::string(QZM_TEST_DATA_DIR) + "/tone.mp3", std::ios::binary);
    const std::string clip{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (clip.empty()) {
        std::fprintf(stderr, "cannot read tone.mp3\n");
        return 1;
    }
    // The clip is encoded without a bit reservoir or header frame, so copies
    // of it join into one longer stream; the server sends them one after the
    // other and holds one copy only, so the working set is the player's.
    auto songOf = [&clip](size_t megabytes, size_t bytesPerSecond) {
        LoopbackResponse song;
        song.contentType = "audio/mpeg";
        song.body = clip;
        song.repeat = (megabytes << 20) / clip.size() + 1;
        song.bytesPerSecond = bytesPerSecond;
        return song;
    };
    LoopbackServer server;
    server.Serve("/song.mp3", songOf(5, 0));
    server.Serve("/slow.mp3", songOf(5, 256 * 1024));
    server.Serve("/long.mp3", songOf(30, 0));
    LoopbackResponse chunked = songOf(5, 256 * 1024);
    chunked.chunked = true;
    server.Serve("/chunked.mp3", chunked);
    // 200 MB of WAV: a header for all of it, then one second of tone over and over.
    LoopbackResponse wav;
    wav.contentType = "audio/wav";
    wav.body = MakeTonePcm(44100, 2, 1.0, 440.0);
    wav.repeat = (200u << 20) / wav.body.size();
    wav.prefix = WavHeader(static_cast<uint32_t>(wav.body.size() * wav.repeat), 44100, 2);
    server.Serve("/long.wav", wav);
    const std::wstring base = server.BaseAddress();

    WNDCLASSW wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PlayerBenchHost";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
    std::atomic<Clock::rep> firstSound{0};
    MediaPlayer player(window, kNotify,
                       [&firstSound] { return std::make_unique<TimedOutput>(firstSound); });
    g_players.push_back(&player);

    std::printf("songs: 5 MB and 30 MB MP3, 44.1 kHz stereo 64 kbit/s\n");
    std::printf("%-34s %14s %14s\n", "5 MB song, served", "first sound", "playing");
    const size_t workingSetBefore = ProcessMemory().WorkingSetSize;
    for (int run = 1; run <= runs; ++run) {
        const std::string label =
            "at full speed, run " + std::to_string(run) + (run == 1 ? " (loads MF)" : "");
        if (!TimeStart(player, base + L"/song.mp3", firstSound, label.c_str()))
            return 1;
        DispatchFor(500);
    }
    for (int run = 1; run <= runs; ++run) {
        const std::string label = "at 256 KB/s, run " + std::to_string(run);
        if (!TimeStart(player, base + L"/slow.mp3", firstSound, label.c_str()))
            return 1;
        DispatchFor(500);
    }
    for (int run = 1; run <= runs; ++run) {
        const std::string label = "chunked at 256 KB/s, run " + std::to_string(run);
        if (!TimeStart(player, base + L"/chunked.mp3", firstSound, label.c_str()))
            return 1;
        DispatchFor(500);
    }
    const size_t workingSet5 = WorkingSetWhilePlaying(player, base + L"/song.mp3", 5);
    const size_t workingSet30 = WorkingSetWhilePlaying(player, base + L"/long.mp3", 5);
    const size_t workingSet200 = WorkingSetWhilePlaying(player, base + L"/long.wav", 5);

    const double playingCpu = CpuShare(cpuSeconds);
    const bool stillPlaying = player.state() == PlayerState::Playing;
    player.pause();
    DispatchFor(500);
    const double pausedCpu = CpuShare(cpuSeconds);
    player.stop();
    DispatchFor(500);
    const double idleCpu = CpuShare(cpuSeconds);

    // What a burst of double-clicks costs the GUI thread: each one ends the
    // song before and starts a worker for the next.
    constexpr int kRestarts = 100;
    const auto restartsStart = Clock::now();
    for (int i = 0; i < kRestarts; ++i) {
        player.stop();
        player.SetURL(base + L"/song.mp3?" + std::to_wstring(i));
        player.play();
    }
    const double restartMs = Ms(Clock::now() - restartsStart) / kRestarts;
    player.stop();
    DispatchFor(1000);
    const size_t peak = ProcessMemory().PeakWorkingSetSize;
    std::string songBody;
    while (songBody.size() < 5u << 20)
        songBody += clip;
    const DecodeFigures decoding = DecodeFlatOut(songBody);
    std::printf("working set while playing (largest of 100 ms samples over 5 s): 5 MB song "
                "%.1f MB, 30 MB song %.1f MB, 200 MB WAV at full speed %.1f MB (%.1f MB before "
                "the first song, process peak %.1f MB)\n",
                Mb(workingSet5), Mb(workingSet30), Mb(workingSet200), Mb(workingSetBefore),
                Mb(peak));
    std::printf("CPU, share of one core over %d s: playing %.1f%%, paused (device open) %.1f%%, "
                "stopped %.1f%%%s\n",
                cpuSeconds, playingCpu, pausedCpu, idleCpu,
                stillPlaying ? "" : " (the song stopped early!)");
    if (decoding.audioSeconds > 0)
        std::printf("decoding alone: %.0f s of sound in %.2f s (%.1f%% of one core per second "
                    "played)\n",
                    decoding.audioSeconds, decoding.wallSeconds,
                    100.0 * decoding.cpuSeconds / decoding.audioSeconds);
    const double floorCpu = WaveOutAloneCpuShare(cpuSeconds);
    if (floorCpu >= 0)
        std::printf("waveOut alone, fed from memory: %.1f%% of one core\n", floorCpu);
    std::printf("stop + SetURL + play: %.2f ms each on the GUI thread (%d in a row)\n", restartMs,
                kRestarts);
    PauseLongerThanTheServerWaits(window);
    g_players.clear();
    DestroyWindow(window);
    return stillPlaying && workingSet5 && workingSet30 && workingSet200 ? 0 : 1;
}
