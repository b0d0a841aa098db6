#pragma once
#include "kernel_handle.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

// Where decoded PCM goes. One thread uses an output from Open() to Close();
// only PlayedEvent() may be waited on from elsewhere.
class AudioOutput {
  public:
    virtual ~AudioOutput() = default;

    // False when no device takes this format; the output is then unusable.
    virtual bool Open(const WAVEFORMATEX& format) = 0;
    // Queues a copy of `bytes` (whole sample frames) behind what is queued.
    virtual bool Write(const void* data, size_t bytes) = 0;
    // Buffers written and not yet played to their end.
    virtual size_t Pending() = 0;
    // Becomes signalled (auto-reset) when a queued buffer has finished
    // playing; call Pending() to see how many are left.
    virtual HANDLE PlayedEvent() const = 0;
    // Holds the position; what is queued stays queued.
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    // Drops everything queued, at once.
    virtual void Reset() = 0;
    virtual void Close() = 0;
};

// Makes the output for one song; called on the player's thread.
using AudioOutputFactory = std::function<std::unique_ptr<AudioOutput>()>;

struct WaveOutCloser {
    void operator()(HWAVEOUT device) const { waveOutClose(device); }
};
using WaveOutHandle = std::unique_ptr<std::remove_pointer_t<HWAVEOUT>, WaveOutCloser>;

// The system's wave mapper through waveOut.
class WaveOutput final : public AudioOutput {
  public:
    WaveOutput();
    ~WaveOutput() override;
    WaveOutput(const WaveOutput&) = delete;
    WaveOutput& operator=(const WaveOutput&) = delete;

    bool Open(const WAVEFORMATEX& format) override;
    bool Write(const void* data, size_t bytes) override;
    size_t Pending() override;
    HANDLE PlayedEvent() const override { return played_.get(); }
    void Pause() override;
    void Resume() override;
    void Reset() override;
    void Close() override;

  private:
    struct Block {
        WAVEHDR header{};
        std::vector<char> data;
        bool prepared = false;
    };
    Block* FreeBlock();
    void Unprepare(Block& block);

    KernelHandle played_;
    WaveOutHandle device_;
    // Blocks never move: the device holds pointers to their headers.
    std::vector<std::unique_ptr<Block>> blocks_;
};
