#include "loopback_server.h"
#include "message_pump.h"
#include "null_audio_output.h"
#include "wav.h"
#include "player.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>

namespace {

using Mode = LoopbackResponse::Mode;
using Clock = std::chrono::steady_clock;
using S = PlayerState;

constexpr UINT kNotify = WM_APP + 7;

std::string ReadFixture(const char* name) {
    std::ifstream in(std::string(QZM_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// 16-bit PCM with a tone whose pitch depends on `seed`, so songs differ.
std::string MakePcm(unsigned rate, unsigned channels, double seconds, int seed = 0) {
    return MakeTonePcm(rate, channels, seconds, 300.0 + 10.0 * seed);
}

bool SameBytes(const std::vector<BYTE>& received, const std::string& sent) {
    return std::equal(received.begin(), received.end(), sent.begin(), sent.end(),
                      [](BYTE a, char b) { return a == static_cast<BYTE>(b); });
}

std::string Repeat(const std::string& bytes, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += bytes;
    return out;
}

LoopbackResponse Song(std::string body, int status = 200) {
    LoopbackResponse r;
    r.status = status;
    r.body = std::move(body);
    r.contentType = "audio/mpeg";
    return r;
}

std::wstring Widen(const std::string& s) {
    return {s.begin(), s.end()};
}

size_t CountThreads() {
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    size_t count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more;
         more = Thread32Next(snapshot.get(), &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    return count;
}

// WinHTTP and Media Foundation keep a few pool threads for a while after use.
bool ThreadsSettleTo(size_t baseline) {
    return PumpUntil([&] { return CountThreads() <= baseline + 2; }, 5000);
}

HttpOptions ShortTimeouts() {
    HttpOptions options = MediaPlayer::SongDownloadOptions();
    options.connectTimeoutMs = 2000;
    options.sendTimeoutMs = 2000;
    options.receiveTimeoutMs = 700;
    return options;
}

// A player on a message-only window, as the main window holds it, with the
// states it went through in the order the window saw them.
class PlayerHost {
  public:
    explicit PlayerHost(AudioOutputFactory factory, HttpOptions http = ShortTimeouts()) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PlayerTestHost";
        RegisterClassW(&wc); // fails harmlessly when already registered
        window_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        player = std::make_unique<MediaPlayer>(window_, kNotify, std::move(factory), http);
    }
    ~PlayerHost() {
        player.reset();
        DestroyWindow(window_);
    }

    void Play(const std::wstring& url) {
        player->stop();
        player->SetURL(url);
        player->play();
    }
    bool WaitFor(S state, DWORD ms = 5000) {
        return PumpUntil([&] { return player->state() == state; }, ms);
    }

    std::unique_ptr<MediaPlayer> player;
    std::vector<S> states; // consecutive repeats folded
    std::vector<std::wstring> statuses;

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<PlayerHost*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg == kNotify && self && self->player) {
            if (self->player->OnNotify(wParam, lParam)) {
                if (self->states.empty() || self->states.back() != self->player->state())
                    self->states.push_back(self->player->state());
                self->statuses.push_back(self->player->status());
            }
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    HWND window_ = nullptr;
};

TEST(MediaPlayer, PlaysThroughEveryStateAndPauseHoldsThePosition) {
    const std::string pcm = MakePcm(22050, 1, 1.0);
    LoopbackServer server;
    server.Serve("/tone.wav", Song(MakeWav(pcm, 22050, 1)));
    server.Serve("/tone.mp3", Song(ReadFixture("tone.mp3")));
    const struct {
        const char* path;
        DWORD rate;
        WORD channels;
        double minSeconds, maxSeconds;
    } cases[] = {
        {"/tone.wav", 22050, 1, 1.0, 1.0},
        // The encoder adds its delay and padding around the 1.2 s it was given.
        {"/tone.mp3", 44100, 2, 1.2, 1.35},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        NullAudioOutputs outputs;
        PlayerHost host(outputs.Factory());
        host.Play(server.BaseAddress() + Widen(c.path));
        EXPECT_EQ(host.player->status(), L"正在连接…");
        ASSERT_TRUE(host.WaitFor(S::Playing));
        EXPECT_EQ(host.player->status(), L"正在播放");

        host.player->pause();
        EXPECT_EQ(host.player->status(), L"已暂停");
        const auto& log = *outputs.logs().back();
        PumpFor(100);
        const size_t heldAt = log.PlayedBytes();
        PumpFor(300);
        EXPECT_EQ(log.PlayedBytes(), heldAt);
        EXPECT_LT(heldAt, log.Received().size());

        host.player->play();
        EXPECT_EQ(host.player->status(), L"正在播放");
        ASSERT_TRUE(host.WaitFor(S::Stopped));
        EXPECT_EQ(host.player->status(), L"已停止");

        const std::vector<S> expected = {S::Connecting, S::Buffering, S::Playing,
                                         S::Paused,     S::Playing,   S::Stopped};
        EXPECT_EQ(host.states, expected);
        EXPECT_NE(std::find(host.statuses.begin(), host.statuses.end(), L"正在缓冲 0%"),
                  host.statuses.end());
        const WAVEFORMATEX format = log.Format().value();
        EXPECT_EQ(format.nSamplesPerSec, c.rate);
        EXPECT_EQ(format.nChannels, c.channels);
        EXPECT_EQ(format.wBitsPerSample, 16);
        const double seconds = static_cast<double>(log.Received().size()) / format.nAvgBytesPerSec;
        EXPECT_GE(seconds, c.minSeconds);
        EXPECT_LE(seconds, c.maxSeconds);
        EXPECT_EQ(log.PlayedBytes(), log.Received().size());
        EXPECT_FALSE(log.IsOpen());
        if (c.rate == 22050) {
            EXPECT_TRUE(SameBytes(log.Received(), pcm));
        }
    }
}

TEST(MediaPlayer, UnplayableSongsEndInReady) {
    LoopbackServer server;
    const std::string wav = MakeWav(MakePcm(8000, 1, 0.5), 8000, 1);
    server.Serve("/ok.wav", Song(wav));
    server.Serve("/404", Song("not here", 404));
    server.Serve("/500", Song("broken", 500));
    std::string junk(20000, '\0');
    for (size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<char>((i * 7919u) >> 3);
    server.Serve("/junk", Song(junk));
    server.Serve("/empty", Song(""));
    server.Serve("/big", Song(std::string(300000, 'x')));
    server.Serve("/never", [] {
        LoopbackResponse r;
        r.mode = Mode::NeverAnswer;
        return r;
    }());
    const std::wstring base = server.BaseAddress();

    const struct {
        const char* name;
        std::wstring url;
        PlayerFailure failure;
        bool failOpen;
    } cases[] = {
        {"404", base + L"/404", PlayerFailure::Download, false},
        {"500", base + L"/500", PlayerFailure::Download, false},
        {"junk bytes", base + L"/junk", PlayerFailure::Decode, false},
        {"empty body", base + L"/empty", PlayerFailure::Decode, false},
        {"over the cap", base + L"/big", PlayerFailure::Download, false},
        {"never answers", base + L"/never", PlayerFailure::Download, false},
        {"refused", L"http://127.0.0.1:1/x.mp3", PlayerFailure::Download, false},
        {"not http", L"ftp://127.0.0.1/x.mp3", PlayerFailure::Address, false},
        {"a file path", L"C:\\music\\x.mp3", PlayerFailure::Address, false},
        {"no sound device", base + L"/ok.wav", PlayerFailure::Output, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NullAudioOutputs outputs(NullAudioOptions{.realTime = true, .failOpen = c.failOpen});
        HttpOptions http = ShortTimeouts();
        http.maxBodyBytes = 100000;
        PlayerHost host(outputs.Factory(), http);
        const auto start = Clock::now();
        host.Play(c.url);
        ASSERT_TRUE(host.WaitFor(S::Failed));
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
        EXPECT_EQ(host.player->status(), L"准备就绪");
        EXPECT_EQ(host.player->failure(), c.failure);
        PumpFor(100); // nothing the worker posts afterwards changes the outcome
        EXPECT_EQ(host.player->state(), S::Failed);
        ASSERT_FALSE(host.states.empty());
        EXPECT_EQ(host.states.back(), S::Failed);
        for (const auto& log : outputs.logs()) {
            EXPECT_TRUE(log->Received().empty());
            EXPECT_FALSE(log->IsOpen());
        }
    }
}

TEST(MediaPlayer, PauseDuringDownloadWaitsForPlay) {
    const std::string pcm = MakePcm(8000, 1, 0.6);
    LoopbackServer server;
    LoopbackResponse slow = Song(MakeWav(pcm, 8000, 1));
    slow.delayMs = 400;
    server.Serve("/slow.wav", slow);
    NullAudioOutputs outputs;
    PlayerHost host(outputs.Factory());
    host.Play(server.BaseAddress() + L"/slow.wav");
    host.player->pause();
    EXPECT_EQ(host.player->status(), L"已暂停");

    // The download finishes and the first buffers are queued, but nothing plays.
    ASSERT_TRUE(PumpUntil([&] { return !outputs.logs().back()->Received().empty(); }, 3000));
    PumpFor(300);
    EXPECT_EQ(host.player->status(), L"已暂停");
    EXPECT_EQ(outputs.logs().back()->PlayedBytes(), 0u);

    host.player->play();
    ASSERT_TRUE(host.WaitFor(S::Stopped));
    EXPECT_EQ(outputs.logs().back()->Received().size(), pcm.size());
}

TEST(MediaPlayer, StopEndsDownloadAndDecodingAtOnce) {
    LoopbackServer server;
    LoopbackResponse slow = Song(MakeWav(MakePcm(8000, 1, 0.5), 8000, 1));
    slow.delayMs = 3000;
    server.Serve("/slow.wav", slow);
    // About a minute of sound, which takes the decoder a while even flat out.
    server.Serve("/long.mp3", Song(Repeat(ReadFixture("tone.mp3"), 50)));

    const struct {
        const char* name;
        const wchar_t* path;
        S stopWhen;
        bool realTime;
    } cases[] = {
        {"during the download", L"/slow.wav", S::Connecting, true},
        {"during decoding", L"/long.mp3", S::Playing, false},
        {"while playing", L"/long.mp3", S::Playing, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NullAudioOutputs outputs(NullAudioOptions{.realTime = c.realTime});
        HttpOptions http = ShortTimeouts();
        http.receiveTimeoutMs = 10000; // only a cancel ends the slow download early
        PlayerHost host(outputs.Factory(), http);
        host.Play(server.BaseAddress() + c.path);
        ASSERT_TRUE(host.WaitFor(c.stopWhen));
        const auto start = Clock::now();
        host.player->stop();
        EXPECT_EQ(host.player->status(), L"已停止");
        const auto& log = *outputs.logs().back();
        ASSERT_TRUE(PumpUntil([&] { return !log.IsOpen(); }, 1000));
        const size_t received = log.Received().size();
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
        PumpFor(300);
        EXPECT_EQ(host.player->state(), S::Stopped);
        EXPECT_EQ(log.Received().size(), received);
        if (c.stopWhen == S::Playing) { // the song was not finished
            EXPECT_LT(received, 50u * 44100 * 4);
        }
        const auto destroying = Clock::now();
        host.player.reset(); // lets go of its workers without waiting for them
        EXPECT_LT(Clock::now() - destroying, std::chrono::milliseconds(300));
    }
}

TEST(MediaPlayer, ReportsOfAReplacedSongAreIgnored) {
    LoopbackServer server;
    server.Serve("/first.wav", Song(MakeWav(MakePcm(8000, 1, 2.0), 8000, 1)));
    LoopbackResponse slow = Song(MakeWav(MakePcm(8000, 1, 0.5), 8000, 1));
    slow.delayMs = 1000;
    server.Serve("/second.wav", slow);
    NullAudioOutputs outputs;
    HttpOptions http = ShortTimeouts();
    http.receiveTimeoutMs = 5000;
    PlayerHost host(outputs.Factory(), http);
    host.Play(server.BaseAddress() + L"/first.wav");
    // Without dispatching, so the first song's reports wait in the queue.
    const auto& first = *outputs.logs().back();
    for (int i = 0; i < 200 && first.PlayedBytes() == 0; ++i)
        Sleep(10);
    ASSERT_GT(first.PlayedBytes(), 0u);

    host.Play(server.BaseAddress() + L"/second.wav");
    PumpFor(500);
    EXPECT_EQ(host.player->status(), L"正在连接…");
    ASSERT_TRUE(host.WaitFor(S::Stopped));
    EXPECT_EQ(outputs.logs().back()->Received().size(), 8000u);
}

// Stop, a new address and play at once, over and over, against slow servers:
// every song that reaches the output gets exactly its own bytes, whatever
// became of the transfers let go of, and no thread is left behind.
TEST(MediaPlayer, RapidRestartsPlayOnlyTheirOwnSongsAndLeaveNoThreads) {
    LoopbackServer server;
    constexpr int kSongs = 100;
    std::vector<std::string> pcms;
    for (int i = 0; i < kSongs; ++i) {
        pcms.push_back(MakePcm(8000, 1, 0.3, i));
        LoopbackResponse song = Song(MakeWav(pcms.back(), 8000, 1));
        song.delayMs = static_cast<unsigned>(i % 4) * 15;
        server.Serve("/song" + std::to_string(i) + ".wav", song);
    }
    NullAudioOutputs outputs;
    PlayerHost host(outputs.Factory());
    host.Play(server.BaseAddress() + L"/song0.wav"); // loads WinHTTP and Media Foundation
    ASSERT_TRUE(host.WaitFor(S::Stopped));
    PumpFor(500);
    const size_t baseline = CountThreads();

    for (int i = 0; i < kSongs; ++i) {
        host.Play(server.BaseAddress() + L"/song" + std::to_wstring(i) + L".wav");
        PumpFor(static_cast<DWORD>(i % 3) * 20); // some let go of mid-transfer, some not
    }
    ASSERT_TRUE(host.WaitFor(S::Stopped));

    const auto& logs = outputs.logs();
    ASSERT_EQ(logs.size(), 1u + kSongs);
    EXPECT_TRUE(SameBytes(logs.back()->Received(), pcms.back()));
    for (size_t i = 1; i + 1 < logs.size(); ++i) {
        EXPECT_FALSE(logs[i]->IsOpen()) << i;
        const std::vector<BYTE>& got = logs[i]->Received();
        EXPECT_TRUE(SameBytes(got, pcms[i - 1].substr(0, got.size()))) << "song " << i - 1;
    }
    EXPECT_TRUE(ThreadsSettleTo(baseline))
        << CountThreads() << " threads, " << baseline << " before";
}

TEST(MediaPlayer, DestroyingThePlayerWhilePlayingEndsEverything) {
    LoopbackServer server;
    server.Serve("/long.mp3", Song(Repeat(ReadFixture("tone.mp3"), 20)));
    NullAudioOutputs outputs;
    auto host = std::make_unique<PlayerHost>(outputs.Factory());
    host->Play(server.BaseAddress() + L"/long.mp3");
    ASSERT_TRUE(host->WaitFor(S::Playing));
    host->player->stop();
    ASSERT_TRUE(PumpUntil([&] { return !outputs.logs().back()->IsOpen(); }, 2000));
    PumpFor(500);
    const size_t threads = CountThreads();
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);

    host->Play(server.BaseAddress() + L"/long.mp3");
    ASSERT_TRUE(host->WaitFor(S::Playing));
    const auto start = Clock::now();
    host.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_FALSE(outputs.logs().back()->IsOpen());
    EXPECT_TRUE(ThreadsSettleTo(threads));
    DWORD handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_LE(handlesAfter, handles + 2);
}

// Real sound through waveOut: needs the PulseAudio null sink of scripts/test.sh.
TEST(AudioOutputWaveOut, PauseHoldsQueuedBuffersAndResetDropsThem) {
    WaveOutput output;
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    ASSERT_TRUE(output.Open(format));
    const std::string tenth = MakePcm(44100, 2, 0.1);
    output.Pause();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(output.Write(tenth.data(), tenth.size()));
    PumpFor(400);
    EXPECT_EQ(output.Pending(), 3u);
    output.Resume();
    EXPECT_TRUE(PumpUntil([&] { return output.Pending() == 0; }, 3000));
    EXPECT_EQ(WaitForSingleObject(output.PlayedEvent(), 0), WAIT_OBJECT_0);

    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(output.Write(tenth.data(), tenth.size()));
    output.Reset();
    EXPECT_EQ(output.Pending(), 0u);
    output.Close();
    EXPECT_FALSE(output.Write(tenth.data(), tenth.size()));
}

TEST(MediaPlayerWaveOut, ShortMp3PlaysToItsEnd) {
    LoopbackServer server;
    server.Serve("/tone.mp3", Song(ReadFixture("tone.mp3")));
    PlayerHost host([] { return std::make_unique<WaveOutput>(); });
    host.Play(server.BaseAddress() + L"/tone.mp3");
    ASSERT_TRUE(host.WaitFor(S::Playing));
    const auto playing = Clock::now();
    ASSERT_TRUE(host.WaitFor(S::Stopped));
    // The device, not the decoder, sets the pace.
    EXPECT_GT(Clock::now() - playing, std::chrono::milliseconds(900));
    EXPECT_EQ(host.player->status(), L"已停止");
}

} // namespace
