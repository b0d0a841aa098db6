#include "kernel_objects.h"
#include "loopback_server.h"
#include "message_pump.h"
#include "null_audio_output.h"
#include "temp_folder.h"
#include "wav.h"
#include "ahead_decoder.h"
#include "background_work.h"
#include "player.h"
#include "song_decoder.h"

#include <gtest/gtest.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <chrono>

namespace {

using Mode = LoopbackResponse::Mode;
using Clock = std::chrono::steady_clock;
using S = PlayerState;

constexpr UINT kNotify = WM_APP + 7;

std::string ReadFixture(const char* name) {
    return ReadAll(std::string(QZM_TEST_DATA_DIR) + "/" + name);
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

// What decoding the whole file from memory gives.
std::vector<BYTE> DecodeWhole(const std::string& bytes) {
    MediaFoundationScope mediaFoundation;
    SongDecoder decoder;
    Microsoft::WRL::ComPtr<IStream> memory;
    memory.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                    static_cast<UINT>(bytes.size())));
    std::vector<BYTE> all, pcm;
    if (mediaFoundation.ok() && decoder.Open(memory.Get()))
        while (decoder.Read(pcm, 1 << 16) == SongDecoder::Result::Data)
            all.insert(all.end(), pcm.begin(), pcm.end());
    return all;
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

MediaPlayer::Options ShortTimeouts() {
    MediaPlayer::Options options = MediaPlayer::SongOptions();
    options.http.connectTimeoutMs = 2000;
    options.http.sendTimeoutMs = 2000;
    options.http.receiveTimeoutMs = 700;
    options.http.resumeDelayMs = 100;
    return options;
}

// A player on a message-only window, as the main window holds it, with the
// states it went through in the order the window saw them.
class PlayerHost {
  public:
    explicit PlayerHost(AudioOutputFactory factory, MediaPlayer::Options http = ShortTimeouts()) {
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
    std::vector<std::pair<WPARAM, LPARAM>> reports; // every message the player was sent
    std::function<void(S)> onState = [](S) {}; // called as each state is entered

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<PlayerHost*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg == kNotify && self && self->player) {
            self->reports.push_back({wParam, lParam});
            if (self->player->OnNotify(wParam, lParam)) {
                const S state = self->player->state();
                if (self->states.empty() || self->states.back() != state) {
                    self->states.push_back(state);
                    self->onState(state);
                }
                self->statuses.push_back(self->player->status());
            }
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    HWND window_ = nullptr;
};

TEST(MediaPlayer, PlaysThroughEveryStateAndPauseHoldsThePosition) {
    LoopbackServer server;
    server.Serve("/tone.mp3", AudioAnswer(ReadFixture("tone.mp3")));
    NullAudioOutputs outputs;
    PlayerHost host(outputs.Factory());
    host.Play(L"HTTP" + server.BaseAddress().substr(4) + L"/tone.mp3"); // schemes ignore case
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
    ASSERT_TRUE(host.WaitFor(S::Stopped));
    const std::vector<S> expected = {S::Connecting, S::Buffering, S::Playing,
                                     S::Paused,     S::Playing,   S::Stopped};
    EXPECT_EQ(host.states, expected);
    EXPECT_NE(std::find(host.statuses.begin(), host.statuses.end(), L"正在缓冲 0%"),
              host.statuses.end());
    const WAVEFORMATEX format = log.Format().value();
    EXPECT_EQ(format.nSamplesPerSec, 44100u);
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(format.wBitsPerSample, 16);
    // The encoder adds its delay and padding around the 1.2 s it was given.
    const double seconds = static_cast<double>(log.Received().size()) / format.nAvgBytesPerSec;
    EXPECT_GE(seconds, 1.2);
    EXPECT_LE(seconds, 1.35);
    EXPECT_EQ(log.PlayedBytes(), log.Received().size());
    EXPECT_FALSE(log.IsOpen());
    host.player->play(); // from the start again
    EXPECT_TRUE(host.WaitFor(S::Playing));
}

// Stop, or the end of the player, at any stage: silence at once, and the worker
// goes shortly after with its decoder, its transfer and the connection.
TEST(MediaPlayer, StopAndTheEndOfThePlayerEndEverythingAtOnce) {
    LoopbackServer server;
    server.Serve("/tone.mp3", AudioAnswer(ReadFixture("tone.mp3")));
    const std::string longSong = Repeat(ReadFixture("tone.mp3"), 120); // 1.2 MB, over the window
    LoopbackResponse slow = AudioAnswer(longSong);
    slow.bytesPerSecond = 16 * 1024; // the decoder waits for every piece
    server.Serve("/slow.mp3", slow);
    server.Serve("/long.mp3", AudioAnswer(longSong));
    // An endless stream (internet radio) plays until stopped, the download
    // waiting for the player instead of piling the stream up in memory.
    LoopbackResponse radio = AudioAnswer(ReadFixture("tone.mp3"));
    radio.repeat = LoopbackResponse::kEndless;
    server.Serve("/radio", radio);
    const struct {
        const char* name;
        const wchar_t* path;
        S stopWhen;
        bool realTime;
        bool destroy; // the player goes instead of stop()
        DWORD playFor = 0; // and is still in that state then
    } cases[] = {
        {"during a slow download", L"/slow.mp3", S::Connecting, true, false},
        {"during decoding", L"/long.mp3", S::Playing, false, false},
        {"while playing, the download held back", L"/long.mp3", S::Playing, true, false},
        {"the player goes while playing", L"/long.mp3", S::Playing, true, true},
        {"an endless stream, after 2.5 s", L"/radio", S::Playing, true, false, 2500},
    };
    NullAudioOutputs warmUpOutputs;
    PlayerHost warmUp(warmUpOutputs.Factory()); // loads WinHTTP and Media Foundation
    warmUp.Play(server.BaseAddress() + L"/tone.mp3");
    ASSERT_TRUE(warmUp.WaitFor(S::Stopped));
    PumpFor(500);
    const size_t threads = CountThreads();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NullAudioOutputs outputs(NullAudioOptions{.realTime = c.realTime});
        MediaPlayer::Options http = ShortTimeouts();
        http.http.receiveTimeoutMs = 10000; // only a cancel ends the slow download early
        PlayerHost host(outputs.Factory(), http);
        const size_t sentBefore = server.BodyBytesSent();
        host.Play(server.BaseAddress() + c.path);
        ASSERT_TRUE(host.WaitFor(c.stopWhen));
        ASSERT_TRUE(PumpUntil([&] { return server.BodyBytesSent() > sentBefore + 32768; }, 5000));
        PumpFor(c.playFor);
        EXPECT_EQ(host.player->state(), c.stopWhen);
        EXPECT_LT(server.BodyBytesSent() - sentBefore, 8u << 20); // a window, not the stream
        const auto start = Clock::now();
        c.destroy ? host.player.reset() : host.player->stop();
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(300));
        const auto& log = *outputs.logs().back();
        ASSERT_TRUE(PumpUntil([&] { return !log.IsOpen(); }, 1000));
        const size_t received = log.Received().size();
        PumpFor(300);
        EXPECT_EQ(log.Received().size(), received);
        EXPECT_LT(received, 100u * 44100 * 4); // the song was not finished
        if (!c.destroy) {
            EXPECT_EQ(host.player->status(), L"已停止");
        }
        EXPECT_TRUE(PumpUntil([&] { return server.OpenConnections() == 0; }, 3000));
        EXPECT_TRUE(ThreadsSettleTo(threads)) << CountThreads() << " threads, " << threads;
    }
}

// At 128 KB/s, about 16 times its bit rate, a song plays while most of it is
// still on the server, and the output gets exactly what decoding the whole
// file gives, although the player lets go of the bytes it has read.
TEST(MediaPlayer, ASlowSongPlaysLongBeforeItHasArrivedAndLosesNothing) {
    const std::string mp3 = Repeat(ReadFixture("tone.mp3"), 60); // 590 KB, 72 s
    LoopbackServer server;
    LoopbackResponse slow = AudioAnswer(mp3);
    slow.bytesPerSecond = 128 * 1024;
    server.Serve("/slow.mp3", slow);
    NullAudioOutputs outputs(NullAudioOptions{.realTime = false});
    PlayerHost host(outputs.Factory());
    size_t sentWhenPlaying = 0;
    host.onState = [&](S state) {
        if (state == S::Playing && sentWhenPlaying == 0)
            sentWhenPlaying = server.BodyBytesSent();
    };
    host.Play(server.BaseAddress() + L"/slow.mp3");
    ASSERT_TRUE(host.WaitFor(S::Stopped, 20000));
    EXPECT_TRUE(sentWhenPlaying > 0 && sentWhenPlaying < mp3.size() / 2) << sentWhenPlaying;
    const std::vector<BYTE> whole = DecodeWhole(mp3);
    EXPECT_GT(whole.size(), 60u * 44100 * 4); // a minute of sound and more
    EXPECT_TRUE(outputs.logs().back()->Received() == whole);
}

// A stall longer than the sound decoded ahead: buffering again, where a pause
// holds though the rest has come, then playing on, nothing lost or repeated.
TEST(MediaPlayer, AStalledDownloadBuffersAgainAndPlaysOnByItself) {
    const std::string pcm = MakePcm(44100, 2, 4.0);
    LoopbackServer server;
    LoopbackResponse stalls = AudioAnswer(MakeWav(pcm, 44100, 2));
    stalls.bytesPerSecond = 44100 * 4 * 4; // 3 s of sound in 0.75 s, 4 s of nothing, the rest
    stalls.pauseAfterBytes = 44 + 44100 * 4 * 3;
    stalls.pauseMs = 4000;
    server.Serve("/stalls.wav", stalls);
    NullAudioOutputs outputs;
    MediaPlayer::Options http = ShortTimeouts();
    http.http.receiveTimeoutMs = 10000; // longer than the stall
    http.noProgressMs = 500; // shorter than the pause while buffering: a pause is no stall
    PlayerHost host(outputs.Factory(), http);
    int bufferings = 0;
    host.onState = [&](S state) {
        if (state == S::Buffering && ++bufferings == 2) {
            host.player->pause();
            EXPECT_EQ(host.player->state(), S::Paused);
        }
    };
    host.Play(server.BaseAddress() + L"/stalls.wav");
    const auto& log = *outputs.logs().back();
    ASSERT_TRUE(PumpUntil([&] { return bufferings == 2 && server.OpenConnections() == 0; }, 15000));
    PumpFor(300); // the rest is decoded and queued, but nothing plays
    const size_t heldAt = log.PlayedBytes();
    PumpFor(300);
    EXPECT_EQ(log.PlayedBytes(), heldAt);
    EXPECT_EQ(host.player->status(), L"已暂停");
    host.player->play();
    ASSERT_TRUE(host.WaitFor(S::Stopped));
    const std::vector<S> expected = {S::Connecting, S::Buffering, S::Playing, S::Buffering,
                                     S::Paused,     S::Playing,   S::Stopped};
    EXPECT_EQ(host.states, expected);
    EXPECT_TRUE(SameBytes(log.Received(), pcm));
    EXPECT_EQ(log.PlayedBytes(), pcm.size());
}

// Stop, a new address and play at once, over and over, against slow servers:
// reports of the songs let go of change nothing, every song that reaches the
// output gets exactly its own bytes, and no thread is left behind.
TEST(MediaPlayer, RapidRestartsPlayOnlyTheirOwnSongsAndLeaveNoThreads) {
    LoopbackServer server;
    constexpr int kSongs = 100;
    std::vector<std::string> pcms;
    for (int i = 0; i < kSongs; ++i) {
        pcms.push_back(MakePcm(8000, 1, 0.3, i));
        LoopbackResponse song = AudioAnswer(MakeWav(pcms.back(), 8000, 1));
        song.delayMs = i + 1 < kSongs ? static_cast<unsigned>(i % 4) * 15 : 1000;
        server.Serve("/song" + std::to_string(i) + ".wav", song);
    }
    NullAudioOutputs outputs;
    MediaPlayer::Options http = ShortTimeouts();
    http.http.receiveTimeoutMs = 5000; // the last song answers after a second
    PlayerHost host(outputs.Factory(), http);
    host.Play(server.BaseAddress() + L"/song0.wav"); // loads WinHTTP and Media Foundation
    ASSERT_TRUE(host.WaitFor(S::Stopped));
    PumpFor(500);
    const size_t baseline = CountThreads();
    host.Play(server.BaseAddress() + L"/song0.wav");
    // Without dispatching, so the reports of a song that plays wait in the queue.
    const auto& first = *outputs.logs().back();
    for (int i = 0; i < 200 && first.PlayedBytes() == 0; ++i)
        Sleep(10);
    ASSERT_GT(first.PlayedBytes(), 0u);
    for (int i = 0; i < kSongs; ++i) {
        host.Play(server.BaseAddress() + L"/song" + std::to_wstring(i) + L".wav");
        PumpFor(static_cast<DWORD>(i % 3) * 20); // some let go of mid-transfer, some not
    }
    PumpFor(500);
    EXPECT_EQ(host.player->status(), L"正在连接…"); // the last song is still on its way
    ASSERT_TRUE(host.WaitFor(S::Stopped));
    const auto& logs = outputs.logs();
    ASSERT_EQ(logs.size(), 2u + kSongs);
    EXPECT_TRUE(SameBytes(logs.back()->Received(), pcms.back()));
    for (size_t i = 2; i + 1 < logs.size(); ++i) {
        EXPECT_FALSE(logs[i]->IsOpen()) << i;
        const std::vector<BYTE>& got = logs[i]->Received();
        EXPECT_TRUE(SameBytes(got, pcms[i - 2].substr(0, got.size()))) << "song " << i - 2;
    }
    EXPECT_TRUE(ThreadsSettleTo(baseline)) << CountThreads() << " threads, " << baseline;
}

// What servers and addresses do to a song, and what the player ends with: a
// break it can get around plays the song whole, byte for byte; one it cannot
// is a failure the user sees (status and notice) after what came before it,
// and what cannot be played at all fails at once with nothing played.
TEST(MediaPlayer, SongsEndAsAUserExpectsWhateverTheServerDoes) {
    enum Length { kShort, kLong };
    const std::string pcms[] = {
        MakePcm(8000, 1, 1.0, 3), // 16 KB
        MakePcm(22050, 2, 48.0),  // 4.2 MB, far beyond the window
    };
    constexpr size_t kMiB = 1 << 20, kAny = SIZE_MAX;
    struct Row {
        const char* name;
        Length length;
        LoopbackResponse server; // its body, unless set: the song's file
        const wchar_t* address = nullptr; // not the server's song
        size_t maxHeld = 0;      // 0: the player's own
        DWORD noProgressMs = 0;  // 0: the player's own
        DWORD pauseMs = 0;       // paused as buffering begins, until the server gives up and this long
        S ends = S::Failed;
        PlayerFailure failure = PlayerFailure::None;
        bool ranged = false;  // a resumption asked for a range
        size_t played = kAny; // the sound played, when not the song's whole or any start of it
        bool failOpen = false; // no sound device
        DWORD pauseConnectingMs = 0; // paused as soon as asked to play, this long
    };
    const std::string kTheSong = "(the song's file)";
    auto with = [&](auto change) {
        LoopbackResponse r = AudioAnswer(kTheSong);
        change(r);
        return r;
    };
    const LoopbackResponse plain = AudioAnswer(kTheSong);
    using F = PlayerFailure;
    const Row rows[] = {
        {"drops every half MiB, resumed by ranges", kLong, with([](auto& r) {
             r.dropAfterBytes = kMiB / 2; // more breaks than attempts: progress counts anew
             r.ranges = true;
             r.headers.push_back({"ETag", "W/\"v1\""}); // weak: the date is the validator
             r.headers.push_back({"Last-Modified", "Mon, 07 Dec 2026 06:00:00 GMT"});
         }),
         nullptr, 0, 0, 0, S::Stopped, F::None, true},
        {"drops once, then answers 200 to the range", kLong, with([](auto& r) {
             r.dropAfterBytes = kMiB;
             r.dropTimes = 1;
         }),
         nullptr, 0, 0, 0, S::Stopped, F::None, true},
        {"closes while paused for three times its idle timeout", kLong, with([](auto& r) {
             r.idleCloseMs = 400;
             r.ranges = true;
             r.headers.push_back({"Last-Modified", "Mon, 07 Dec 2026 06:00:00 GMT"});
         }),
         nullptr, 0, 0, 800, S::Stopped, F::None, true},
        {"drops at the same place however often asked", kLong,
         with([](auto& r) { r.dropAfterBytes = kMiB; }), nullptr, 0, 0, 0, S::Failed, F::Download,
         true},
        {"breaks mid-song: what came before plays", kShort,
         with([](auto& r) { r.dropAfterBytes = 8044; }), nullptr, 0, 0, 0, S::Failed, F::Download,
         true, 8000},
        {"chunked, no length", kLong, with([](auto& r) { r.chunked = true; }), nullptr, 0, 0, 0,
         S::Stopped},
        {"longer than may be held at once", kLong, plain, nullptr, 2 * kMiB, 0, 0, S::Stopped},
        {"headers, then a byte now and then", kShort, with([](auto& r) { r.dripMs = 300; }), nullptr,
         0, 1500, 0, S::Failed, F::Download},
        {"slow but moving", kShort, with([](auto& r) { r.bytesPerSecond = 4000; }), nullptr, 0, 1500,
         0, S::Stopped},
        {"404", kShort, with([](auto& r) { r.status = 404; }), nullptr, 0, 0, 0, S::Failed,
         F::Download, false, 0},
        {"500", kShort, with([](auto& r) { r.status = 500; }), nullptr, 0, 0, 0, S::Failed,
         F::Download, false, 0},
        {"bytes that are no song", kShort, with([](auto& r) {
             r.body = std::string(20000, '\0');
             for (size_t i = 0; i < r.body.size(); ++i)
                 r.body[i] = static_cast<char>((i * 7919u) >> 3);
         }),
         nullptr, 0, 0, 0, S::Failed, F::Decode, false, 0},
        {"an empty body", kShort, with([](auto& r) { r.body.clear(); }),
         nullptr, 0, 0, 0, S::Failed, F::Decode, false, 0},
        {"over the cap", kShort, with([](auto& r) { r.body = std::string(300000, 'x'); }), nullptr,
         100000, 0, 0, S::Failed, F::Download, false, 0},
        {"never answers", kShort, with([](auto& r) { r.mode = Mode::NeverAnswer; }), nullptr, 0, 0, 0,
         S::Failed, F::Download, false, 0},
        {"refused", kShort, plain, L"http://127.0.0.1:1/x.mp3", 0, 0, 0, S::Failed, F::Download,
         false, 0},
        {"not http", kShort, plain, L"ftp://127.0.0.1/x.mp3", 0, 0, 0, S::Failed, F::Address, false, 0},
        {"a file path", kShort, plain, L"C:\\music\\x.mp3", 0, 0, 0, S::Failed, F::Address, false,
         0},
        {"no sound device", kShort, plain, nullptr, 0, 0, 0, S::Failed, F::Output, false, 0, true},
        {.name = "paused while connecting, longer than a stall may last", .length = kShort,
         .server = with([](auto& r) { r.delayMs = 400; }), .noProgressMs = 200,
         .ends = S::Stopped, .pauseConnectingMs = 800},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string& song = pcms[row.length];
        LoopbackServer server;
        LoopbackResponse response = row.server;
        if (response.body == kTheSong)
            response.body =
                MakeWav(song, row.length == kLong ? 22050 : 8000, row.length == kLong ? 2 : 1);
        server.Serve("/song.wav", response);
        NullAudioOutputs outputs(NullAudioOptions{.realTime = false, .failOpen = row.failOpen});
        MediaPlayer::Options options = ShortTimeouts();
        options.maxHeldBytes = row.maxHeld ? row.maxHeld : options.maxHeldBytes;
        options.noProgressMs = row.noProgressMs ? row.noProgressMs : options.noProgressMs;
        PlayerHost host(outputs.Factory(), options);
        bool paused = false;
        host.onState = [&](S state) {
            if (state == S::Buffering && row.pauseMs && !paused) {
                paused = true;
                host.player->pause();
            }
        };
        const auto start = Clock::now();
        host.Play(row.address ? std::wstring(row.address) : server.BaseAddress() + L"/song.wav");
        if (row.pauseConnectingMs) {
            host.player->pause();
            PumpFor(row.pauseConnectingMs);
            host.player->play();
        }
        if (row.pauseMs) {
            ASSERT_TRUE(PumpUntil([&] { return paused; }, 5000));
            // paused until the server gives up on the idle connection, and then some
            ASSERT_TRUE(PumpUntil([&] { return server.OpenConnections() == 0; }, 10000));
            PumpFor(row.pauseMs);
            host.player->play();
        }
        ASSERT_TRUE(PumpUntil([&] { return host.player->state() == row.ends; }, 20000))
            << static_cast<int>(host.player->state());
        EXPECT_TRUE(row.played != 0 || Clock::now() - start < std::chrono::seconds(3))
            << "fails at once";
        PumpFor(100); // nothing the worker posts afterwards changes the outcome
        EXPECT_EQ(host.player->state(), row.ends);
        EXPECT_EQ(host.states.back(), row.ends);
        EXPECT_EQ(host.player->failure(), row.failure);
        EXPECT_EQ(host.player->status(), row.ends == S::Stopped ? L"已停止" : L"准备就绪");
        const std::vector<BYTE> played =
            outputs.logs().empty() ? std::vector<BYTE>{} : outputs.logs().back()->Received();
        if (row.ends == S::Stopped)
            EXPECT_EQ(played.size(), song.size());
        else if (row.played != kAny)
            EXPECT_EQ(played.size(), row.played);
        else
            EXPECT_LT(played.size(), song.size());
        EXPECT_TRUE(SameBytes(played, song.substr(0, played.size())));
        for (const auto& log : outputs.logs())
            EXPECT_FALSE(log->IsOpen());
        const std::vector<std::string> ranges = server.Ranges();
        EXPECT_EQ(std::any_of(ranges.begin(), ranges.end(),
                              [](const std::string& r) { return r.starts_with("bytes="); }),
                  row.ranged);
        if (row.ranged && row.ends == S::Failed) { // the first request and each resumption
            EXPECT_EQ(server.Requests().size(), 1u + options.http.resumeAttempts);
        }
    }
}

// Reports of a song the user has replaced change nothing of the new one.
TEST(MediaPlayer, ReportsOfAReplacedSongChangeNothing) {
    LoopbackServer server;
    server.Serve("/tone.mp3", AudioAnswer(ReadFixture("tone.mp3")));
    LoopbackResponse never = AudioAnswer("");
    never.mode = Mode::NeverAnswer;
    server.Serve("/never", never);
    NullAudioOutputs outputs(NullAudioOptions{.realTime = false});
    PlayerHost host(outputs.Factory());
    host.Play(server.BaseAddress() + L"/tone.mp3");
    ASSERT_TRUE(host.WaitFor(S::Stopped));
    const auto earlier = host.reports; // buffering, playing, the end and the changes
    ASSERT_GE(earlier.size(), 4u);
    host.Play(server.BaseAddress() + L"/never");
    PumpFor(100);
    for (const auto& [wParam, lParam] : earlier)
        EXPECT_FALSE(host.player->OnNotify(wParam, lParam));
    EXPECT_EQ(host.player->state(), S::Connecting);
    EXPECT_EQ(host.player->status(), L"正在连接…");
}

// Windows N has no Media Foundation: every song fails to decode, and that is
// all. ctest runs this once more with Wine hiding those DLLs (see the
// folder's CMakeLists.txt); where they are installed it has nothing to show.
TEST(WithoutMediaFoundation, SongsFailToDecodeAndTheProgramGoesOn) {
    if (const HMODULE mf = LoadLibraryExW(L"mfplat.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        FreeLibrary(mf);
        GTEST_SKIP() << "Media Foundation is installed";
    }
    LoopbackServer server;
    server.Serve("/tone.mp3", AudioAnswer(ReadFixture("tone.mp3")));
    NullAudioOutputs outputs;
    PlayerHost host(outputs.Factory());
    for (int i = 0; i < 2; ++i) {
        host.Play(server.BaseAddress() + L"/tone.mp3");
        ASSERT_TRUE(host.WaitFor(S::Failed));
        EXPECT_EQ(host.player->failure(), PlayerFailure::Decode);
        EXPECT_EQ(host.player->status(), L"准备就绪");
    }
}

// Media Foundation's threads wait in the song stream's reads while the
// download is behind; whatever they wait on must leave nothing behind when the
// song goes, whether it played to its end or was let go of. (Without HTTP:
// Wine's WinHTTP itself keeps a thread handle per request.)
TEST(AheadDecoder, DecodingWhileReadsWaitLeavesNoKernelObjectBehind) {
    const std::string mp3 = Repeat(ReadFixture("tone.mp3"), 10);
    auto decodeOnce = [&](bool toTheEnd) {
        auto bytes = std::make_shared<SongBuffer>();
        const std::shared_ptr<AheadDecoder> decoder = AheadDecoder::Start(bytes, 250, 8);
        ASSERT_TRUE(decoder);
        bytes->BodyBegins(mp3.size());
        std::vector<BYTE> pcm;
        const size_t stopAt = toTheEnd ? mp3.size() : mp3.size() / 2;
        for (size_t at = 0; at < stopAt; at += 2048) {
            bytes->BodyPiece(mp3.data() + at, std::min<size_t>(2048, mp3.size() - at));
            while (decoder->Take(pcm)) {
            }
            Sleep(1); // the decoder's reads catch up and wait
        }
        if (toTheEnd) {
            bytes->TransferEnded(HttpResult{});
            for (int i = 0; i < 500 && !decoder->Queued().finished; ++i) {
                while (decoder->Take(pcm)) {
                }
                Sleep(10);
            }
            EXPECT_TRUE(decoder->Queued().finished);
            EXPECT_FALSE(decoder->Queued().broken);
        }
        decoder->Stop();
    };
    decodeOnce(true); // loads Media Foundation
    ASSERT_TRUE(WaitForDetachedWorkers(5000));
    PumpFor(300); // and the objects a first wait for messages makes
    const size_t handles = CountKernelHandles();
    ASSERT_GT(handles, 0u);
    for (int i = 0; i < 20; ++i)
        decodeOnce(i % 2 == 0);
    ASSERT_TRUE(WaitForDetachedWorkers(5000));
    EXPECT_TRUE(PumpUntil([&] { return CountKernelHandles() <= handles; }, 3000))
        << CountKernelHandles() << " handles, " << handles;
}

// A read the window could not serve (here one far beyond the bytes that have
// come, once the song plays) cuts the song short: it ends broken, not as if whole.
TEST(AheadDecoder, ASongWithAnUnservedReadEndsBroken) {
    const std::string mp3 = Repeat(ReadFixture("tone.mp3"), 60);
    auto bytes = std::make_shared<SongBuffer>();
    const std::shared_ptr<AheadDecoder> decoder = AheadDecoder::Start(bytes, 250, 8);
    ASSERT_TRUE(decoder);
    bytes->BodyBegins(mp3.size());
    bytes->BodyPiece(mp3.data(), 128 << 10);
    std::vector<BYTE> pcm;
    ASSERT_TRUE(PumpUntil([&] { return decoder->Take(pcm); }, 5000)); // the song plays
    char beyond[16];
    unsigned long read = 0;
    EXPECT_TRUE(bytes->Read((128 << 10) + SongBuffer::kFarBytes + 1, beyond, sizeof beyond, read));
    EXPECT_EQ(read, 0u);
    bytes->TransferEnded(HttpResult{}); // the rest never comes: decoding ends
    EXPECT_TRUE(PumpUntil([&] { return !decoder->Take(pcm) && decoder->Queued().finished; }, 5000));
    EXPECT_TRUE(decoder->Queued().broken);
    decoder->Stop();
}

// A song held whole may take up to the cap and no byte more; a refused song
// stays refused whatever the transfer ends with.
TEST(SongBuffer, HoldsUpToItsCapAndRefusesTheByteBeyond) {
    SongBuffer bytes(100);
    bytes.BodyBegins(std::nullopt);
    const std::string piece(50, 'x');
    EXPECT_TRUE(bytes.BodyPiece(piece.data(), 50) && bytes.BodyPiece(piece.data(), 50));
    EXPECT_FALSE(bytes.BodyPiece(piece.data(), 1));
    HttpResult cancelled;
    cancelled.error = HttpError::Cancelled;
    bytes.TransferEnded(cancelled);
    EXPECT_EQ(bytes.DownloadError(), HttpError::TooLarge);
}

// Once the song plays, the bytes up to kBehindBytes behind the last read stay
// (a parser steps back a little); those further back are let go of.
TEST(SongBuffer, WhileStreamingKeepsAWindowBehindTheLastRead) {
    SongBuffer bytes;
    const std::string song(1 << 20, 'x');
    bytes.BodyBegins(song.size());
    for (size_t at = 0; at < song.size(); at += 65536)
        ASSERT_TRUE(bytes.BodyPiece(song.data() + at, 65536));
    bytes.DecodingStarted();
    char data[4096];
    unsigned long read = 0;
    ASSERT_TRUE(bytes.Read(800 << 10, data, sizeof data, read));
    EXPECT_TRUE(bytes.Read((800 << 10) - SongBuffer::kBehindBytes, data, sizeof data, read));
    EXPECT_EQ(read, sizeof data);
    EXPECT_FALSE(bytes.Read(200 << 10, data, sizeof data, read));
    EXPECT_TRUE(bytes.ReadUnserved());
    // Nor is there anything before the start to seek to.
    const Microsoft::WRL::ComPtr<IStream> stream = MakeSongStream(std::make_shared<SongBuffer>());
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{.QuadPart = -1}, STREAM_SEEK_CUR, nullptr),
              STG_E_INVALIDFUNCTION);
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
    // Played blocks are used again: an hour of sound takes no more memory than a minute.
    const size_t before = ProcessMemory().PagefileUsage;
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(output.Write(tenth.data(), tenth.size()));
        if (i % 5 == 4)
            output.Reset(); // each block is done
    }
    EXPECT_LT(ProcessMemory().PagefileUsage, before + (4 << 20))
        << "1000 blocks of 17 KB written";
    output.Close();
    EXPECT_FALSE(output.Write(tenth.data(), tenth.size()));
}

} // namespace
