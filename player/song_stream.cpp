#include "song_stream.h"

#include "com_object.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iterator>
#include <new>

void SongBuffer::BodyBegins(std::optional<unsigned long long> length) {
    std::lock_guard lock(mutex_);
    length_ = length;
    begun_ = true;
    changed_.notify_all();
}

bool SongBuffer::BodyPiece(const char* data, size_t size) {
    std::string bytes(data, size);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return abandoned_ || DownloadMayGoOn(); });
    if (abandoned_)
        return false;
    if (held_ + size > maxHeld_) {
        error_ = HttpError::TooLarge;
        abandoned_ = true; // the song is refused: nothing of it is read any more
        changed_.notify_all();
        return false;
    }
    pieces_.push_back({received_, std::move(bytes)});
    received_ += size;
    held_ += size;
    arrived_ = received_;
    changed_.notify_all();
    return true;
}

void SongBuffer::TransferEnded(const HttpResult& result) {
    std::lock_guard lock(mutex_);
    ended_ = true;
    if (!abandoned_)
        error_ = result.error;
    if (!length_)
        length_ = received_; // a body without a declared length ends where it stops
    changed_.notify_all();
}

void SongBuffer::Abandon() {
    std::lock_guard lock(mutex_);
    abandoned_ = true;
    changed_.notify_all();
}

void SongBuffer::DecodingStarted() {
    std::lock_guard lock(mutex_);
    if (mode_ == Mode::Opening)
        mode_ = Mode::Streaming;
}

bool SongBuffer::HoldWhole() {
    std::lock_guard lock(mutex_);
    mode_ = Mode::Whole;
    changed_.notify_all();
    return !abandoned_ && (!ended_ || toldUnknown_);
}

HttpError SongBuffer::DownloadError() const {
    std::lock_guard lock(mutex_);
    return error_;
}

bool SongBuffer::Starved() const {
    std::lock_guard lock(mutex_);
    return starved_ > 0;
}

// The download waits only while the reader has plenty in front of it and no
// read waits for more.
bool SongBuffer::DownloadMayGoOn() const {
    return mode_ == Mode::Whole || starved_ > 0 || received_ < readAt_ + kAheadBytes;
}

void SongBuffer::DropBehind(unsigned long long readAt) {
    if (mode_ != Mode::Streaming || readAt < kBehindBytes)
        return;
    while (!pieces_.empty() &&
           pieces_.front().offset + pieces_.front().bytes.size() <= readAt - kBehindBytes) {
        held_ -= pieces_.front().bytes.size();
        pieces_.pop_front();
    }
}

bool SongBuffer::Length(unsigned long long& length) {
    std::unique_lock lock(mutex_);
    // Held whole, the decoder may rely on the true length: that of a body
    // without one is known at its end.
    changed_.wait(lock, [this] {
        return abandoned_ || (mode_ == Mode::Whole ? length_.has_value() : begun_ || ended_);
    });
    toldUnknown_ = toldUnknown_ || !length_;
    if (abandoned_)
        return false;
    length = length_.value_or(kUnknownLength);
    return true;
}

bool SongBuffer::Read(unsigned long long offset, void* data, unsigned long size,
                      unsigned long& read) {
    read = 0;
    std::unique_lock lock(mutex_);
    unsigned long long end = offset + size;
    for (;;) {
        if (abandoned_)
            return true; // the end, so Media Foundation's parsers wind down cleanly
        if (length_)
            end = std::min(end, *length_);
        if (offset >= end)
            return true;
        if (received_ >= end || ended_)
            break;
        // Media Foundation's parsers peek far ahead before they read a file
        // from its start (under Wine: the last 128 bytes of an MP3 for a tag,
        // the middle of a WAV). Waiting for those bytes would mean waiting for
        // the whole download; read as the end of the stream they tell the
        // parser there is no tag, and the song still plays from its start. A
        // decoder that does need them gets them after HoldWhole(). Once the
        // song plays, such a read cuts it short.
        if (mode_ != Mode::Whole && offset > received_ + kFarBytes) {
            unserved_ = unserved_ || mode_ == Mode::Streaming;
            return true;
        }
        readAt_ = offset; // so the download goes on while this read waits
        ++starved_;
        changed_.notify_all();
        changed_.wait(lock);
        --starved_;
    }
    end = std::min(end, received_);
    if (offset >= end)
        return true; // the download ended before these bytes
    if (pieces_.empty() || offset < pieces_.front().offset) {
        unserved_ = true;
        return false;
    }
    readAt_ = offset;
    // The piece holding `offset`: the last one that starts at or before it.
    auto piece =
        std::upper_bound(pieces_.begin(), pieces_.end(), offset,
                         [](unsigned long long at, const Piece& p) { return at < p.offset; });
    auto* out = static_cast<char*>(data);
    for (auto it = std::prev(piece); read < end - offset; ++it) {
        const size_t from = static_cast<size_t>(offset + read - it->offset);
        const size_t n = std::min<size_t>(it->bytes.size() - from, end - offset - read);
        std::memcpy(out + read, it->bytes.data() + from, n);
        read += static_cast<unsigned long>(n);
    }
    DropBehind(offset);
    changed_.notify_all(); // the download may have room again
    return true;
}

namespace {

// Runs a method body with no exception escaping into the COM caller.
template <class Body> HRESULT Guarded(Body body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// Read-only, so the writing half of IStream refuses. The seek position is the
// only state of its own; the bytes and their locking are the buffer's.
class SongStream final : public ComObject<IStream, ISequentialStream> {
  public:
    explicit SongStream(std::shared_ptr<SongBuffer> buffer) : buffer_(std::move(buffer)) {}

    HRESULT STDMETHODCALLTYPE Read(void* data, ULONG size, ULONG* read) override {
        return Guarded([&]() -> HRESULT {
            if (!data && size > 0)
                return STG_E_INVALIDPOINTER;
            const ULONGLONG at = position_;
            unsigned long got = 0;
            if (!buffer_->Read(at, data, size, got))
                return STG_E_READFAULT;
            position_ = at + got;
            if (read)
                *read = got;
            return S_OK; // fewer bytes than asked for: the end of the stream
        });
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* position) override {
        return Guarded([&]() -> HRESULT {
            unsigned long long base = 0;
            switch (origin) {
            case STREAM_SEEK_SET:
                break;
            case STREAM_SEEK_CUR:
                base = position_;
                break;
            case STREAM_SEEK_END:
                if (!buffer_->Length(base))
                    return E_ABORT;
                break;
            default:
                return STG_E_INVALIDFUNCTION;
            }
            if (move.QuadPart < 0 && static_cast<ULONGLONG>(-move.QuadPart) > base)
                return STG_E_INVALIDFUNCTION;
            position_ = base + move.QuadPart;
            if (position)
                position->QuadPart = position_;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        return Guarded([&]() -> HRESULT {
            if (!stat)
                return STG_E_INVALIDPOINTER;
            unsigned long long length = 0;
            if (!buffer_->Length(length))
                return E_ABORT;
            *stat = STATSTG{};
            stat->type = STGTY_STREAM; // unnamed, whatever the flag asks
            stat->cbSize.QuadPart = length;
            stat->grfMode = STGM_READ | STGM_SHARE_DENY_NONE;
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override {
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override {
        if (clone)
            *clone = nullptr;
        return E_NOTIMPL;
    }

  private:
    ~SongStream() override = default; // only Release() ends it

    std::atomic<ULONGLONG> position_ = 0;
    std::shared_ptr<SongBuffer> buffer_;
};

} // namespace

Microsoft::WRL::ComPtr<IStream> MakeSongStream(std::shared_ptr<SongBuffer> buffer) {
    Microsoft::WRL::ComPtr<IStream> stream;
    stream.Attach(new (std::nothrow) SongStream(std::move(buffer)));
    return stream;
}
