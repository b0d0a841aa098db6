#include "player.h"

#include "song_decoder.h"

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

namespace {

// Buffers kept queued at the output, and how much sound each holds: together
// they ride out a busy moment of the decoder without waking it more than a
// few times a second.
constexpr size_t kQueuedBuffers = 4;
constexpr DWORD kBufferMs = 250;
// A worker also looks at its flags this often, whatever the output signals.
constexpr DWORD kWorkerPollMs = 250;

// What a worker posts; the low byte of lParam, with a value above it.
enum class Report : BYTE {
    Changed,   // the player changed state on the GUI thread; nothing to apply
    Buffering, // value: percent of the first buffers decoded
    Playing,
    Ended,  // played to its end; the worker has finished
    Failed, // value: a PlayerFailure; the worker has finished
    Exited, // told to end, and has
};

LPARAM PackReport(Report report, int value = 0) {
    return static_cast<LPARAM>((value << 8) | static_cast<int>(report));
}
Report ReportOf(LPARAM lParam) {
    return static_cast<Report>(lParam & 0xFF);
}
int ValueOf(LPARAM lParam) {
    return static_cast<int>(lParam >> 8);
}

struct StatusText {
    PlayerState state;
    const wchar_t* text;
};
// "准备就绪" is the ready state a player falls back to when it cannot open a
// song; the main window takes it as the sign of a failed song.
constexpr StatusText kStatusTexts[] = {
    {PlayerState::Idle, L""},
    {PlayerState::Connecting, L"正在连接…"},
    {PlayerState::Buffering, L"正在缓冲"},
    {PlayerState::Playing, L"正在播放"},
    {PlayerState::Paused, L"已暂停"},
    {PlayerState::Stopped, L"已停止"},
    {PlayerState::Failed, L"准备就绪"},
};

bool IsHttpAddress(std::wstring_view url) {
    auto startsWith = [url](std::wstring_view prefix) {
        return url.size() > prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), url.begin(),
                          [](wchar_t a, wchar_t b) { return std::towlower(a) == b; });
    };
    return startsWith(L"http://") || startsWith(L"https://");
}

bool IsActive(PlayerState phase) {
    return phase == PlayerState::Connecting || phase == PlayerState::Buffering ||
           phase == PlayerState::Playing;
}

} // namespace

struct MediaPlayer::Session {
    explicit Session(const HttpOptions& options)
        : http(options), wake(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

    HttpClient http;
    KernelHandle wake;                // set whenever `ending` or `paused` changes
    std::atomic<bool> ending = false; // the player has let go of this song
    std::atomic<bool> paused = false;
    std::atomic<bool> finished = false; // the worker is about to return
    std::thread worker;

    void Wake() { SetEvent(wake.get()); }
};

namespace {

// The worker's side of the message protocol. It never touches the window
// beyond posting to it: a window that is gone simply drops the message.
struct Reporter {
    HWND window;
    UINT message;
    WPARAM generation;

    void Post(Report report, int value = 0) const {
        PostMessageW(window, message, generation, PackReport(report, value));
    }
};

struct Outcome {
    Report report;
    PlayerFailure failure = PlayerFailure::None;
};

Outcome Failure(PlayerFailure why) {
    return {Report::Failed, why};
}

// Feeds the output until the song ends, fails or the player lets go.
Outcome PlayDecoded(MediaPlayer::Session& session, SongDecoder& decoder, AudioOutput& output,
                    const Reporter& reporter) {
    const WAVEFORMATEX& format = decoder.format();
    if (!output.Open(format))
        return Failure(PlayerFailure::Output);
    // Held until the first buffers are queued, so the device does not start
    // on one buffer and run dry while the next is decoded.
    output.Pause();
    bool running = false;

    const size_t bufferBytes = std::max<size_t>(
        format.nBlockAlign, static_cast<size_t>(format.nAvgBytesPerSec) * kBufferMs / 1000 /
                                format.nBlockAlign * format.nBlockAlign);
    std::vector<BYTE> pcm;
    size_t prerolled = 0;
    bool started = false;
    bool ended = false;
    const HANDLE waits[] = {session.wake.get(), output.PlayedEvent()};
    for (;;) {
        // An output that never holds anything (Pending() stays 0) must not
        // keep the first buffers from being announced.
        while (!ended && !session.ending && output.Pending() < kQueuedBuffers &&
               (started || prerolled < kQueuedBuffers)) {
            switch (decoder.Read(pcm, bufferBytes)) {
            case SongDecoder::Result::Data:
                if (!output.Write(pcm.data(), pcm.size()))
                    return Failure(PlayerFailure::Output);
                if (!started && ++prerolled < kQueuedBuffers)
                    reporter.Post(Report::Buffering,
                                  static_cast<int>(prerolled * 100 / kQueuedBuffers));
                break;
            case SongDecoder::Result::Error:
                if (!started && prerolled == 0)
                    return Failure(PlayerFailure::Decode);
                ended = true; // play what was decoded before the break
                break;
            case SongDecoder::Result::End:
                ended = true;
                break;
            }
        }
        if (session.ending)
            return {Report::Exited};
        if (!started && (prerolled >= kQueuedBuffers || ended)) {
            if (prerolled == 0)
                return Failure(PlayerFailure::Decode);
            started = true;
            reporter.Post(Report::Playing);
        }
        const bool run = started && !session.paused;
        if (run != running) {
            run ? output.Resume() : output.Pause();
            running = run;
        }
        if (ended && output.Pending() == 0)
            return {Report::Ended};
        WaitForMultipleObjects(2, waits, FALSE, kWorkerPollMs);
    }
}

Outcome PlaySong(MediaPlayer::Session& session, const std::wstring& url,
                 std::unique_ptr<AudioOutput> output, const Reporter& reporter) {
    MediaFoundationScope mediaFoundation;
    if (!mediaFoundation.ok())
        return Failure(PlayerFailure::Decode);
    HttpResult download = session.http.Get(url);
    if (session.ending)
        return {Report::Exited};
    if (!download.ok())
        return Failure(download.error == HttpError::InvalidAddress ? PlayerFailure::Address
                                                                   : PlayerFailure::Download);
    reporter.Post(Report::Buffering, 0);
    SongDecoder decoder;
    const bool decodable = decoder.Open(download.body);
    std::string().swap(download.body); // the decoder holds its own copy
    if (!decodable)
        return Failure(PlayerFailure::Decode);
    if (!output)
        return Failure(PlayerFailure::Output);
    const Outcome outcome = PlayDecoded(session, decoder, *output, reporter);
    // Silence at once, before the decoder and Media Foundation go away.
    output->Reset();
    output->Close();
    return outcome;
}

void RunWorker(const std::shared_ptr<MediaPlayer::Session>& session, const std::wstring& url,
               std::unique_ptr<AudioOutput> output, const Reporter& reporter) {
    Outcome outcome{Report::Failed, PlayerFailure::Output};
    try {
        outcome = PlaySong(*session, url, std::move(output), reporter);
    } catch (...) {
        // Out of memory while copying a song; the output and decoder have
        // already been released by unwinding.
    }
    if (session->ending)
        outcome = {Report::Exited};
    session->finished = true;
    reporter.Post(outcome.report, static_cast<int>(outcome.failure));
}

} // namespace

HttpOptions MediaPlayer::SongDownloadOptions() {
    HttpOptions options;
    options.maxBodyBytes = 64u << 20;
    return options;
}

MediaPlayer::MediaPlayer(HWND notifyWindow, UINT notifyMessage, AudioOutputFactory makeOutput,
                         HttpOptions http)
    : window_(notifyWindow), message_(notifyMessage), makeOutput_(std::move(makeOutput)),
      http_(http) {}

MediaPlayer::~MediaPlayer() {
    EndSession();
    for (auto& session : ending_)
        if (session->worker.joinable())
            session->worker.join();
}

void MediaPlayer::SetURL(std::wstring url) {
    if (current_) {
        EndSession();
        phase_ = PlayerState::Stopped;
        paused_ = false;
        Notify();
    }
    url_ = std::move(url);
}

void MediaPlayer::play() {
    ReapFinished();
    if (current_) {
        if (paused_) {
            paused_ = false;
            current_->paused = false;
            current_->Wake();
            Notify();
        }
        return;
    }
    Start();
}

void MediaPlayer::pause() {
    if (!current_ || paused_)
        return;
    paused_ = true;
    current_->paused = true;
    current_->Wake();
    Notify();
}

void MediaPlayer::stop() {
    ReapFinished();
    if (!current_ && phase_ == PlayerState::Stopped)
        return;
    EndSession();
    phase_ = PlayerState::Stopped;
    paused_ = false;
    Notify();
}

PlayerState MediaPlayer::state() const {
    return paused_ && IsActive(phase_) ? PlayerState::Paused : phase_;
}

std::wstring MediaPlayer::status() const {
    const PlayerState shown = state();
    const auto* entry = std::find_if(std::begin(kStatusTexts), std::end(kStatusTexts),
                                     [shown](const StatusText& s) { return s.state == shown; });
    std::wstring text = entry->text;
    if (shown == PlayerState::Buffering)
        text += L" " + std::to_wstring(bufferPercent_) + L"%";
    return text;
}

void MediaPlayer::Start() {
    phase_ = PlayerState::Connecting;
    paused_ = false;
    bufferPercent_ = 0;
    failure_ = PlayerFailure::None;
    ++generation_;
    if (!IsHttpAddress(url_))
        return Fail(PlayerFailure::Address);
    try {
        auto session = std::make_shared<Session>(http_);
        std::unique_ptr<AudioOutput> output = makeOutput_ ? makeOutput_() : nullptr;
        if (!session->wake)
            return Fail(PlayerFailure::Output);
        const Reporter reporter{window_, message_, generation_};
        session->worker = std::thread(RunWorker, session, url_, std::move(output), reporter);
        current_ = std::move(session);
    } catch (...) {
        // No thread or no memory for one: the song cannot be played.
        return Fail(PlayerFailure::Output);
    }
    Notify();
}

void MediaPlayer::Fail(PlayerFailure why) {
    phase_ = PlayerState::Failed;
    failure_ = why;
    paused_ = false;
    Notify();
}

void MediaPlayer::Notify() const {
    PostMessageW(window_, message_, generation_, PackReport(Report::Changed));
}

void MediaPlayer::EndSession() {
    ++generation_; // what the old worker still posts is now out of date
    if (!current_)
        return;
    current_->ending = true;
    current_->http.Cancel();
    current_->Wake();
    ending_.push_back(std::move(current_));
}

void MediaPlayer::ReapFinished() {
    std::erase_if(ending_, [](std::shared_ptr<Session>& session) {
        if (!session->finished)
            return false;
        session->worker.join(); // it has only its return left
        return true;
    });
}

bool MediaPlayer::OnNotify(WPARAM wParam, LPARAM lParam) {
    ReapFinished();
    const Report report = ReportOf(lParam);
    if (report == Report::Changed)
        return true;
    if (wParam != generation_ || !current_)
        return false;
    switch (report) {
    case Report::Buffering:
        phase_ = PlayerState::Buffering;
        bufferPercent_ = ValueOf(lParam);
        break;
    case Report::Playing:
        phase_ = PlayerState::Playing;
        break;
    case Report::Ended:
        phase_ = PlayerState::Stopped;
        paused_ = false;
        break;
    case Report::Failed:
        phase_ = PlayerState::Failed;
        failure_ = static_cast<PlayerFailure>(ValueOf(lParam));
        paused_ = false;
        break;
    default:
        break;
    }
    if (report == Report::Ended || report == Report::Failed) {
        ending_.push_back(std::move(current_));
        ReapFinished();
    }
    return true;
}
