#pragma once
#include "com_scope.h"

#include <windows.h>
#include <mmreg.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <cstddef>
#include <vector>

// Decodes a song (WAV, MP3, whatever Media Foundation reads) from a stream
// into 16-bit PCM. Needs COM and MFStartup on the calling thread and is used on
// that thread only; Media Foundation reads the stream on threads of its own as
// well, so reads that wait for a download hold up Open() and Read().
class SongDecoder {
  public:
    SongDecoder() = default;
    ~SongDecoder();
    SongDecoder(const SongDecoder&) = delete;
    SongDecoder& operator=(const SongDecoder&) = delete;

    // False when the stream holds no audio Media Foundation can decode.
    bool Open(IStream* stream);
    // Followed by the rest of a WAVEFORMATEXTENSIBLE when cbSize says so.
    const WAVEFORMATEX& format() const { return format_.Format; }

    enum class Result { Data, End, Error };
    // Replaces `pcm` with whole decoded samples, at least `bytes` of them
    // unless the song ends first. Data: `pcm` is not empty. End: nothing is
    // left. Error: the stream broke; what came before the break is Data first.
    Result Read(std::vector<BYTE>& pcm, size_t bytes);

  private:
    Microsoft::WRL::ComPtr<IMFSourceReader> reader_;
    WAVEFORMATEXTENSIBLE format_{}; // extensible for more than two channels
    bool broken_ = false;           // the reader ended in an error
};

// COM (multithreaded) and Media Foundation for the lifetime of the object, on
// the thread that made it.
class MediaFoundationScope {
  public:
    MediaFoundationScope();
    ~MediaFoundationScope();
    MediaFoundationScope(const MediaFoundationScope&) = delete;
    MediaFoundationScope& operator=(const MediaFoundationScope&) = delete;

    bool ok() const { return mfStarted_; }

  private:
    ComScope com_{COINIT_MULTITHREADED};
    bool mfStarted_ = false;
};
