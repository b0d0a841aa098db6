#pragma once
#include "kernel_handle.h"
#include "song_stream.h"
#include "sync.h"

#include <windows.h>
#include <mmreg.h>

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

// Decodes a song from its SongBuffer on a thread of its own, a few buffers
// ahead of the output. The thread that drives the output only takes what is
// ready, so it keeps answering pause and stop while the decoder waits for the
// download.
class AheadDecoder {
  public:
    // Starts decoding `bytes` into buffers of `bufferMs` of sound, at most
    // `maxBuffers` of them waiting. Empty when the system gives no thread.
    static std::shared_ptr<AheadDecoder> Start(std::shared_ptr<SongBuffer> bytes, DWORD bufferMs,
                                               size_t maxBuffers);

    // Signalled (auto-reset) when the format, a buffer or the end arrives.
    HANDLE ReadyEvent() const { return ready_.get(); }
    // Known once the decoder has given the song's first sound.
    std::optional<WAVEFORMATEXTENSIBLE> Format() const;

    struct Queue {
        size_t bytes;  // decoded and not yet taken
        bool finished; // nothing more will come: the end, a break, or no song
        bool broken;   // finished before the song's end: decoding failed, or a
                       // read the song's window could not serve
    };
    Queue Queued() const;
    // Moves the oldest waiting buffer into `pcm`; false when none waits.
    bool Take(std::vector<BYTE>& pcm);
    // Lets go of the song: the thread ends soon after, the download with it.
    // Never waits.
    void Stop();

    AheadDecoder(std::shared_ptr<SongBuffer> bytes, DWORD bufferMs, size_t maxBuffers);

  private:
    void Run();
    void Finish();

    const std::shared_ptr<SongBuffer> bytes_;
    const DWORD bufferMs_;
    const size_t maxBuffers_;
    KernelHandle ready_;

    mutable SrwMutex mutex_;
    SrwCondition room_; // the thread waits here while the queue is full
    std::optional<WAVEFORMATEXTENSIBLE> format_;
    std::deque<std::vector<BYTE>> buffers_;
    size_t queuedBytes_ = 0;
    bool finished_ = false;
    bool broken_ = false;
    bool stopped_ = false;
};
