#pragma once
#include "audio_output.h"

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct NullAudioOptions {
    bool realTime = true;  // play at the format's pace; false: every buffer at once, unless paused
    bool failOpen = false; // behave like a system without a sound device
};

// What a NullAudioOutput received and how far it has "played", readable from
// any thread while the output is in use and after it is gone.
class NullAudioLog {
  public:
    using Clock = std::chrono::steady_clock;

    std::optional<WAVEFORMATEX> Format() const;
    std::vector<BYTE> Received() const; // every byte written, in order
    size_t PlayedBytes() const;
    bool IsOpen() const;

  private:
    friend class NullAudioOutput;
    size_t PlayedLocked(Clock::time_point now) const;
    void SettleLocked(Clock::time_point now);

    mutable std::mutex mutex_;
    NullAudioOptions options_;
    std::optional<WAVEFORMATEX> format_;
    std::vector<BYTE> received_;
    bool open_ = false;
    bool paused_ = false;
    size_t playedBase_ = 0;          // played up to the last settling
    Clock::time_point runningSince_; // when the last settling happened
    std::deque<size_t> bufferEnds_;  // byte offsets where queued buffers end
};

// An AudioOutput that makes no sound: it records what it gets and consumes
// it in real time (a waitable timer stands in for the device) or at once.
class NullAudioOutput final : public AudioOutput {
  public:
    explicit NullAudioOutput(NullAudioOptions options = {});
    ~NullAudioOutput() override;

    std::shared_ptr<NullAudioLog> log() const { return log_; }

    bool Open(const WAVEFORMATEX& format) override;
    bool Write(const void* data, size_t bytes) override;
    size_t Pending() override;
    HANDLE PlayedEvent() const override { return timer_.get(); }
    void Pause() override;
    void Resume() override;
    void Reset() override;
    void Close() override;

  private:
    void ArmTimerLocked(NullAudioLog::Clock::time_point now);

    std::shared_ptr<NullAudioLog> log_;
    KernelHandle timer_;
};

// Makes null outputs for a player and keeps each one's log, newest last.
// Used on the player's thread only.
class NullAudioOutputs {
  public:
    explicit NullAudioOutputs(NullAudioOptions options = {}) : options_(options) {}
    AudioOutputFactory Factory();
    const std::vector<std::shared_ptr<NullAudioLog>>& logs() const { return logs_; }

  private:
    NullAudioOptions options_;
    std::vector<std::shared_ptr<NullAudioLog>> logs_;
};
