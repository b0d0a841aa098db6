#include "null_audio_output.h"

#include <algorithm>

using Clock = NullAudioLog::Clock;

std::optional<WAVEFORMATEX> NullAudioLog::Format() const {
    std::lock_guard lock(mutex_);
    return format_;
}

std::vector<BYTE> NullAudioLog::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

size_t NullAudioLog::PlayedBytes() const {
    std::lock_guard lock(mutex_);
    return PlayedLocked(Clock::now());
}

bool NullAudioLog::IsOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

size_t NullAudioLog::PlayedLocked(Clock::time_point now) const {
    const size_t written = received_.size();
    if (!open_ || paused_ || !format_)
        return playedBase_;
    if (!options_.realTime)
        return written;
    const auto elapsedUs =
        std::chrono::duration_cast<std::chrono::microseconds>(now - runningSince_).count();
    const auto bytes = static_cast<unsigned long long>(elapsedUs) * format_->nAvgBytesPerSec /
                       1000000ull / format_->nBlockAlign * format_->nBlockAlign;
    return std::min<size_t>(written, playedBase_ + static_cast<size_t>(bytes));
}

// Folds the time run so far into playedBase_, so a running clock never
// counts time it spent with nothing queued.
void NullAudioLog::SettleLocked(Clock::time_point now) {
    playedBase_ = PlayedLocked(now);
    runningSince_ = now;
    while (!bufferEnds_.empty() && bufferEnds_.front() <= playedBase_)
        bufferEnds_.pop_front();
}

NullAudioOutput::NullAudioOutput(NullAudioOptions options)
    : log_(std::make_shared<NullAudioLog>()),
      timer_(CreateWaitableTimerW(nullptr, FALSE, nullptr)) {
    log_->options_ = options;
}

NullAudioOutput::~NullAudioOutput() {
    Close();
}

bool NullAudioOutput::Open(const WAVEFORMATEX& format) {
    std::lock_guard lock(log_->mutex_);
    if (log_->options_.failOpen || format.nBlockAlign == 0)
        return false;
    log_->format_ = format;
    log_->open_ = true;
    log_->runningSince_ = Clock::now();
    return true;
}

bool NullAudioOutput::Write(const void* data, size_t bytes) {
    std::lock_guard lock(log_->mutex_);
    if (!log_->open_)
        return false;
    const auto now = Clock::now();
    log_->SettleLocked(now);
    const auto* bytesIn = static_cast<const BYTE*>(data);
    log_->received_.insert(log_->received_.end(), bytesIn, bytesIn + bytes);
    log_->bufferEnds_.push_back(log_->received_.size());
    ArmTimerLocked(now);
    return true;
}

size_t NullAudioOutput::Pending() {
    std::lock_guard lock(log_->mutex_);
    const auto now = Clock::now();
    log_->SettleLocked(now);
    ArmTimerLocked(now);
    return log_->bufferEnds_.size();
}

void NullAudioOutput::Pause() {
    std::lock_guard lock(log_->mutex_);
    const auto now = Clock::now();
    log_->SettleLocked(now);
    log_->paused_ = true;
    ArmTimerLocked(now);
}

void NullAudioOutput::Resume() {
    std::lock_guard lock(log_->mutex_);
    const auto now = Clock::now();
    log_->SettleLocked(now);
    log_->paused_ = false;
    ArmTimerLocked(now);
}

void NullAudioOutput::Reset() {
    std::lock_guard lock(log_->mutex_);
    const auto now = Clock::now();
    log_->SettleLocked(now);
    log_->bufferEnds_.clear();
    ArmTimerLocked(now);
}

void NullAudioOutput::Close() {
    std::lock_guard lock(log_->mutex_);
    if (!log_->open_)
        return;
    log_->SettleLocked(Clock::now());
    log_->bufferEnds_.clear();
    log_->open_ = false;
    CancelWaitableTimer(timer_.get());
}

void NullAudioOutput::ArmTimerLocked(Clock::time_point now) {
    NullAudioLog& log = *log_;
    if (!log.options_.realTime) {
        if (log.paused_ || !log.open_) {
            CancelWaitableTimer(timer_.get());
        } else if (!log.bufferEnds_.empty()) {
            log.bufferEnds_.clear();
            LARGE_INTEGER due{};
            due.QuadPart = -1; // at once: every buffer "plays" when written
            SetWaitableTimer(timer_.get(), &due, 0, nullptr, nullptr, FALSE);
        }
        return;
    }
    if (log.bufferEnds_.empty() || log.paused_ || !log.open_) {
        CancelWaitableTimer(timer_.get());
        return;
    }
    const size_t remaining = log.bufferEnds_.front() - log.PlayedLocked(now);
    LARGE_INTEGER due{};
    // Relative time in 100 ns units; one unit more so the buffer is surely done.
    due.QuadPart = -static_cast<LONGLONG>(static_cast<unsigned long long>(remaining) * 10000000ull /
                                              log.format_->nAvgBytesPerSec +
                                          1);
    SetWaitableTimer(timer_.get(), &due, 0, nullptr, nullptr, FALSE);
}

AudioOutputFactory NullAudioOutputs::Factory() {
    return [this]() -> std::unique_ptr<AudioOutput> {
        auto output = std::make_unique<NullAudioOutput>(options_);
        logs_.push_back(output->log());
        return output;
    };
}
