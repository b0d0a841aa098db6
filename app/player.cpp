#include "player.h"

#include "background_work.h"
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

    void Wake() { SetEvent(wake.get()); }
};

namespace {

// The worker's side of the message protocol. It never touches the window
// beyond posting to it: a window that is gone simply drops the message.
struct Reporter {
    HWND window;
    UINT message;
    WPARAM generation;

    // Progress may be lost to a full queue; the end of a song must arrive.
    void Post(Report report, int value = 0) const {
        PostMessageW(window, message, generation, PackReport(report, value));
    }
    void PostEnd(Report report, int value) const {
        PostReport(window, message, generation, PackReport(report, value));
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
                 std::shared_ptr<AudioOutput> output, const Reporter& reporter) {
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
               std::shared_ptr<AudioOutput> output, const Reporter& reporter) {
    Outcome outcome{Report::Failed, PlayerFailure::Output};
    try {
        outcome = PlaySong(*session, url, std::move(output), reporter);
    } catch (...) {
        // Out of memory while copying a song; the output and decoder have
        // already been released by unwinding.
    }
    if (session->ending)
        return; // nobody waits for this song any more
    reporter.PostEnd(outcome.report, static_cast<int>(outcome.failure));
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
    if (url_.empty())
        return;
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
    if (url_.empty() || !current_ || paused_)
        return;
    paused_ = true;
    current_->paused = true;
    current_->Wake();
    Notify();
}

void MediaPlayer::stop() {
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
    return PlayerStatusLine(state(), bufferPercent_);
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
        RunDetached([session, url = url_, output = std::shared_ptr<AudioOutput>(std::move(output)),
                     reporter]() mutable {
            RunWorker(session, url, std::move(output), reporter);
        });
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
    current_.reset();
}

bool MediaPlayer::OnNotify(WPARAM wParam, LPARAM lParam) {
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
    if (report == Report::Ended || report == Report::Failed)
        current_.reset(); // the worker has finished
    return true;
}
