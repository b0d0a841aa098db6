#include "player.h"

#include "ahead_decoder.h"
#include "background_work.h"
#include "song_stream.h"

#include <algorithm>
#include <atomic>
#include <string_view>
#include <utility>

namespace {

// Buffers kept queued at the output, and how much sound each holds: together
// they ride out a busy moment of the decoder without waking it more than a
// few times a second.
constexpr size_t kQueuedBuffers = 4;
constexpr DWORD kBufferMs = 250;
// Sound decoded ahead before playback starts, and again after the download
// fell behind: enough to ride out a hiccup of the network (a lost packet
// costs a second or two) without an audible gap, and little enough that at
// 2 Mbit/s even a 320 kbit/s song has it within a fraction of a second.
constexpr DWORD kStartMs = 2000;
// What the decoder keeps ready beyond the output's own buffers; with those it
// holds up to kStartMs plus a second.
constexpr size_t kDecodedBuffers = kStartMs / kBufferMs;
// A worker also looks at its flags this often, whatever the output signals.
constexpr DWORD kWorkerPollMs = 250;

// What a worker posts; the low byte of lParam, with a value above it.
enum class Report : BYTE {
    Changed,   // the player changed state on the GUI thread; nothing to apply
    Buffering, // value: percent of kStartMs decoded ahead
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

// Every song and every message about it has a generation of its own.
WPARAM NextGeneration() {
    static std::atomic<WPARAM> last = 0;
    return ++last;
}

bool IsActive(PlayerState phase) {
    return phase == PlayerState::Connecting || phase == PlayerState::Buffering ||
           phase == PlayerState::Playing;
}

} // namespace

struct MediaPlayer::Session {
    explicit Session(const MediaPlayer::Options& options)
        : http(options.http), bytes(std::make_shared<SongBuffer>(options.maxHeldBytes)),
          noProgressMs(options.noProgressMs), wake(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

    HttpClient http;
    std::shared_ptr<SongBuffer> bytes; // from the download to the decoder
    const DWORD noProgressMs;
    KernelHandle wake;                 // set whenever `ending` or `paused` changes
    std::atomic<bool> ending = false;  // the player has let go of this song
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

    // Progress may be lost to a full queue; a change of state must arrive.
    void Post(Report report, int value = 0) const {
        PostMessageW(window, message, generation, PackReport(report, value));
    }
    void PostChange(Report report, int value = 0) const {
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

// Watches the download while the song waits for it (connecting, buffering):
// too little arriving for too long is a failure. Time spent playing or
// paused does not count, as the download may rightly idle then.
class ProgressWatch {
  public:
    ProgressWatch(const SongBuffer& bytes, DWORD limitMs) : bytes_(bytes), limitMs_(limitMs) {
        Restart();
    }
    void Restart() {
        mark_ = bytes_.Arrived();
        since_ = GetTickCount64();
    }
    bool Stalled() {
        if (bytes_.Arrived() >= mark_ + MediaPlayer::kProgressBytes)
            Restart();
        return GetTickCount64() - since_ >= limitMs_;
    }

  private:
    const SongBuffer& bytes_;
    const DWORD limitMs_;
    unsigned long long mark_ = 0;
    ULONGLONG since_ = 0;
};

// Why a song that gave no sound cannot be played.
PlayerFailure WhyUnplayable(const SongBuffer& bytes) {
    switch (bytes.DownloadError()) {
    case HttpError::None:
        return PlayerFailure::Decode;
    case HttpError::InvalidAddress:
        return PlayerFailure::Address;
    default:
        return PlayerFailure::Download;
    }
}

// Feeds the output until the song ends, fails or the player lets go.
// Playback starts once kStartMs of sound is decoded ahead. When the output
// runs dry because the download is behind, it waits for that much again; a
// slow download is not a failure, one that makes no progress is. A download
// or a decoder that breaks plays what came before and then ends the song as
// failed, so the user hears that it was cut short; a song refused as too
// large to hold never plays.
Outcome PlayDecoded(MediaPlayer::Session& session, AheadDecoder& decoder, AudioOutput& output,
                    const WAVEFORMATEX& format, const Reporter& reporter) {
    const size_t startBytes = static_cast<size_t>(format.nAvgBytesPerSec) * kStartMs / 1000;
    output.Pause();
    bool running = false;
    bool buffering = true;
    size_t filled = 0; // written to the output since buffering began
    int shownPercent = 0;
    bool wrote = false;
    reporter.PostChange(Report::Buffering, 0);

    std::vector<BYTE> pcm;
    ProgressWatch watch(*session.bytes, session.noProgressMs);
    const HANDLE waits[] = {session.wake.get(), output.PlayedEvent(), decoder.ReadyEvent()};
    for (;;) {
        if (session.ending)
            return {Report::Exited};
        if (session.bytes->DownloadError() == HttpError::TooLarge)
            return Failure(PlayerFailure::Download);
        while (output.Pending() < kQueuedBuffers && decoder.Take(pcm)) {
            if (!output.Write(pcm.data(), pcm.size()))
                return Failure(PlayerFailure::Output);
            wrote = true;
            filled += buffering ? pcm.size() : 0;
        }
        const AheadDecoder::Queue queue = decoder.Queued();
        const bool drained = queue.finished && queue.bytes == 0;
        if (drained && !wrote)
            return Failure(WhyUnplayable(*session.bytes));
        if (buffering) {
            const size_t ahead = filled + queue.bytes;
            if (queue.finished || ahead >= startBytes) {
                buffering = false;
                reporter.PostChange(Report::Playing);
            } else if (const int percent = static_cast<int>(ahead * 100 / startBytes);
                       percent > shownPercent) {
                shownPercent = percent;
                reporter.Post(Report::Buffering, percent);
            }
        } else if (!drained && queue.bytes == 0 && output.Pending() == 0 &&
                   session.bytes->Starved()) {
            buffering = true;
            filled = 0;
            shownPercent = 0;
            reporter.PostChange(Report::Buffering, 0);
        }
        if (drained && output.Pending() == 0) {
            if (session.bytes->DownloadError() != HttpError::None)
                return Failure(PlayerFailure::Download);
            return queue.broken ? Failure(PlayerFailure::Decode) : Outcome{Report::Ended};
        }
        if (!buffering || session.paused || queue.finished)
            watch.Restart();
        else if (watch.Stalled())
            return Failure(PlayerFailure::Download);
        const bool run = !buffering && !session.paused;
        if (run != running) {
            run ? output.Resume() : output.Pause();
            running = run;
        }
        WaitForMultipleObjects(3, waits, FALSE, kWorkerPollMs);
    }
}

Outcome PlaySong(MediaPlayer::Session& session, const std::wstring& url,
                 std::shared_ptr<AudioOutput> output, const Reporter& reporter) {
    session.http.Stream(url, session.bytes);
    const std::shared_ptr<AheadDecoder> decoder =
        AheadDecoder::Start(session.bytes, kBufferMs, kDecodedBuffers);
    if (!decoder)
        return Failure(PlayerFailure::Output);
    struct StopOnExit {
        AheadDecoder& decoder;
        ~StopOnExit() { decoder.Stop(); }
    } stop{*decoder};

    // Connecting until the song's first sound is decoded.
    std::optional<WAVEFORMATEXTENSIBLE> format;
    ProgressWatch watch(*session.bytes, session.noProgressMs);
    const HANDLE waits[] = {session.wake.get(), decoder->ReadyEvent()};
    while (!session.ending && !(format = decoder->Format()) && !decoder->Queued().finished) {
        if (session.paused)
            watch.Restart();
        else if (watch.Stalled())
            return Failure(PlayerFailure::Download);
        WaitForMultipleObjects(2, waits, FALSE, kWorkerPollMs);
    }
    if (session.ending)
        return {Report::Exited};
    if (!format || session.bytes->DownloadError() == HttpError::TooLarge)
        return Failure(WhyUnplayable(*session.bytes));
    if (!output || !output->Open(format->Format))
        return Failure(PlayerFailure::Output);
    const Outcome outcome = PlayDecoded(session, *decoder, *output, format->Format, reporter);
    // Silence at once, before the worker lets go of the song.
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
        // Out of memory for a buffer; the output has been released by unwinding.
    }
    session->bytes->Abandon(); // the download ends with the worker, whatever happened
    if (session->ending)
        return; // nobody waits for this song any more
    reporter.PostChange(outcome.report, static_cast<int>(outcome.failure));
}

} // namespace

MediaPlayer::Options MediaPlayer::SongOptions() {
    Options options{};
    options.http.maxBodyBytes = 0; // the song's buffer limits what is held
    options.http.resumeAttempts = 4;
    options.maxHeldBytes = 64u << 20;
    options.noProgressMs = 20000;
    return options;
}

MediaPlayer::MediaPlayer(HWND notifyWindow, UINT notifyMessage, AudioOutputFactory makeOutput,
                         Options options)
    : window_(notifyWindow), message_(notifyMessage), makeOutput_(std::move(makeOutput)),
      options_(std::move(options)) {}

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
    generation_ = NextGeneration();
    if (!IsHttpAddress(url_))
        return Fail(PlayerFailure::Address);
    try {
        auto session = std::make_shared<Session>(options_);
        std::unique_ptr<AudioOutput> output = makeOutput_ ? makeOutput_() : nullptr;
        if (!session->wake)
            return Fail(PlayerFailure::Output);
        const Reporter reporter{window_, message_, generation_};
        RunDetached([session, url = url_, output = std::shared_ptr<AudioOutput>(std::move(output)),
                     reporter]() mutable { RunWorker(session, url, std::move(output), reporter); });
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
    generation_ = NextGeneration(); // what the old worker still posts is now out of date
    if (!current_)
        return;
    current_->ending = true;
    current_->http.Cancel();
    current_->Wake();
    current_.reset();
}

bool MediaPlayer::OnNotify(WPARAM wParam, LPARAM lParam) {
    if (wParam != generation_)
        return false;
    const Report report = ReportOf(lParam);
    if (report == Report::Changed)
        return true;
    if (!current_)
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
