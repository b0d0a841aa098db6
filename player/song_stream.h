#pragma once
#include "http_client.h"
#include "sync.h"

#include <windows.h>
#include <objidl.h>
#include <wrl/client.h>

#include <atomic>
#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>

// A song's bytes between its download and its decoder. The download hands
// them in as they arrive, on its transfer thread; the decoder reads them
// through MakeSongStream() on Media Foundation's threads, and a read waits
// until the bytes it asks for have arrived.
//
// Once the decoder gives sound, only a window around the reader is kept: the
// download waits while it is kAheadBytes in front, and bytes more than
// kBehindBytes behind the last read are let go of. A long song, or an endless
// one (a radio stream), then takes no more memory than a short one, with or
// without a declared length.
class SongBuffer final : public HttpBodySink {
  public:
    static constexpr size_t kAheadBytes = 1u << 20;
    static constexpr size_t kBehindBytes = 256u << 10;
    // A read that starts this far beyond the bytes that have arrived is a
    // look at the end of the file (see Read()). Closer reads wait: a parser
    // that skips a large tag (cover art) at the start needs what follows.
    static constexpr size_t kFarBytes = 256u << 10;
    // The length given for a body that declares none: a chunked song may be
    // endless, and waiting for its end to tell its length would hold it whole.
    // Reads end where the body does.
    static constexpr unsigned long long kUnknownLength = 1ull << 40;

    // More than `maxHeldBytes` held at once (only a song held whole comes
    // near) refuses the song: the download ends as TooLarge.
    explicit SongBuffer(size_t maxHeldBytes = 64u << 20) : maxHeld_(maxHeldBytes) {}

    void BodyBegins(std::optional<unsigned long long> length) override;
    bool BodyPiece(const char* data, size_t size) override;
    void TransferEnded(const HttpResult& result) override;

    // The player lets go: every wait ends, reads find the end of the stream and
    // the download stops at its next piece. Never waits itself.
    void Abandon();
    // The decoder has given its first sound. Media Foundation starts reading
    // again from the top for it, however far it read while opening the song,
    // and reads on from there: from now on bytes it left behind may go.
    void DecodingStarted();
    // For a decoder that could not open the song from its first bytes: every
    // byte is kept, reads ahead of the download wait for their bytes and the
    // length waits for the end of a body that declared none, as if the song
    // were downloaded whole (Wine's WAV parser fails on a length that is not
    // the true one). False when opening again would find what it found.
    bool HoldWhole();

    // How the download ended: None while it runs, when it succeeded and when
    // the player let go first.
    HttpError DownloadError() const;
    // A read waits for bytes that have not arrived: the download is behind.
    bool Starved() const;
    // Bytes that have arrived so far: the download's progress.
    unsigned long long Arrived() const { return arrived_; }
    // A read once decoding had started was answered short of the song: it
    // lay behind the bytes let go of, or far beyond those that had arrived.
    // Decoding that ends after it ended early.
    bool ReadUnserved() const { return unserved_; }

    // The body's length, or kUnknownLength when the answer declares none
    // (unless held whole); waits for the answer's headers. False once
    // abandoned.
    bool Length(unsigned long long& length);
    // Copies up to `size` bytes at `offset` into `data` once all of them have
    // arrived, or fewer (down to none) at the end of the stream. False when
    // those bytes were let go of already.
    bool Read(unsigned long long offset, void* data, unsigned long size, unsigned long& read);

  private:
    enum class Mode { Opening, Streaming, Whole };
    struct Piece {
        unsigned long long offset;
        std::string bytes;
    };

    bool DownloadMayGoOn() const;
    void DropBehind(unsigned long long readAt);

    const size_t maxHeld_;
    mutable SrwMutex mutex_;
    SrwCondition changed_;
    Mode mode_ = Mode::Opening;
    std::deque<Piece> pieces_;
    unsigned long long received_ = 0; // bytes that have arrived, kept or not
    unsigned long long held_ = 0;     // bytes in pieces_
    unsigned long long readAt_ = 0;   // where the last read began
    std::optional<unsigned long long> length_; // declared, or where the body ended
    bool begun_ = false;                       // the answer's headers have come
    bool toldUnknown_ = false; // the decoder was given kUnknownLength
    std::atomic<unsigned long long> arrived_ = 0;
    std::atomic<bool> unserved_ = false;
    bool ended_ = false; // the download is over, successful or not
    bool abandoned_ = false;
    HttpError error_ = HttpError::None;
    int starved_ = 0; // reads waiting for bytes
};

// An IStream over the song's bytes, safe to use from any thread; its reads
// wait as SongBuffer::Read does. Empty without memory for it.
Microsoft::WRL::ComPtr<IStream> MakeSongStream(std::shared_ptr<SongBuffer> buffer);
