#include "ahead_decoder.h"

#include "background_work.h"
#include "song_decoder.h"

#include <algorithm>
#include <cstring>

AheadDecoder::AheadDecoder(std::shared_ptr<SongBuffer> bytes, DWORD bufferMs, size_t maxBuffers)
    : bytes_(std::move(bytes)), bufferMs_(bufferMs), maxBuffers_(maxBuffers),
      ready_(CreateEventHandle(false)) {}

std::shared_ptr<AheadDecoder> AheadDecoder::Start(std::shared_ptr<SongBuffer> bytes, DWORD bufferMs,
                                                  size_t maxBuffers) {
    try {
        auto decoder = std::make_shared<AheadDecoder>(std::move(bytes), bufferMs, maxBuffers);
        if (!decoder->ready_)
            return nullptr;
        RunDetached([decoder] { decoder->Run(); });
        return decoder;
    } catch (...) {
        return nullptr;
    }
}

std::optional<WAVEFORMATEXTENSIBLE> AheadDecoder::Format() const {
    std::lock_guard lock(mutex_);
    return format_;
}

AheadDecoder::Queue AheadDecoder::Queued() const {
    std::lock_guard lock(mutex_);
    return {queuedBytes_, finished_, broken_};
}

bool AheadDecoder::Take(std::vector<BYTE>& pcm) {
    std::lock_guard lock(mutex_);
    if (buffers_.empty())
        return false;
    pcm.swap(buffers_.front());
    buffers_.pop_front();
    queuedBytes_ -= pcm.size();
    room_.notify_all();
    return true;
}

void AheadDecoder::Stop() {
    bytes_->Abandon(); // ends a read the decoder waits in
    std::lock_guard lock(mutex_);
    stopped_ = true;
    room_.notify_all();
}

void AheadDecoder::Finish() {
    // Media Foundation may still wait in a read of its own; it must not when
    // the decoder goes.
    bytes_->Abandon();
    std::lock_guard lock(mutex_);
    finished_ = true;
    SetEvent(ready_.get());
}

namespace {

// Whole sample frames making up `ms` of sound, at least one.
size_t BufferBytes(const WAVEFORMATEX& wave, DWORD ms) {
    return std::max<size_t>(wave.nBlockAlign, static_cast<size_t>(wave.nAvgBytesPerSec) * ms /
                                                  1000 / wave.nBlockAlign * wave.nBlockAlign);
}

// Opens the song and decodes its first sound into `pcm`.
SongDecoder::Result FirstSound(SongDecoder& decoder, IStream* stream, DWORD ms,
                               std::vector<BYTE>& pcm) {
    if (!decoder.Open(stream))
        return SongDecoder::Result::End;
    return decoder.Read(pcm, BufferBytes(decoder.format(), ms));
}

} // namespace

void AheadDecoder::Run() {
    MediaFoundationScope mediaFoundation;
    SongDecoder decoder;
    // Declared after the decoder, so it runs before the decoder goes.
    struct FinishOnExit {
        AheadDecoder& self;
        ~FinishOnExit() { self.Finish(); }
    } finish{*this};

    Microsoft::WRL::ComPtr<IStream> stream = MakeSongStream(bytes_);
    if (!mediaFoundation.ok() || !stream)
        return;
    // A song that will not open from its first bytes, or opens and gives no
    // sound, is tried once more held whole: some files keep what their
    // decoder needs at the end (an MP4 index), and Wine's WAV parser gives
    // nothing when it was told a length other than the song's (chunked).
    std::vector<BYTE> pcm;
    SongDecoder::Result result = FirstSound(decoder, stream.Get(), bufferMs_, pcm);
    if (result != SongDecoder::Result::Data && bytes_->HoldWhole())
        result = FirstSound(decoder, stream.Get(), bufferMs_, pcm);
    if (result != SongDecoder::Result::Data)
        return;
    bytes_->DecodingStarted();
    const WAVEFORMATEX& wave = decoder.format();
    const size_t bufferBytes = BufferBytes(wave, bufferMs_);
    {
        WAVEFORMATEXTENSIBLE format{};
        std::memcpy(&format, &wave, std::min(sizeof(format), sizeof(WAVEFORMATEX) + wave.cbSize));
        std::lock_guard lock(mutex_);
        format_ = format;
    }
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            queuedBytes_ += pcm.size();
            buffers_.push_back(std::move(pcm));
        }
        pcm = {};
        SetEvent(ready_.get());
        {
            std::unique_lock lock(mutex_);
            room_.wait(lock, [this] { return stopped_ || buffers_.size() < maxBuffers_; });
            if (stopped_)
                return;
        }
        // The end, or a break in the stream: what was decoded before it plays.
        result = decoder.Read(pcm, bufferBytes);
        if (result != SongDecoder::Result::Data) {
            std::lock_guard lock(mutex_);
            broken_ = result == SongDecoder::Result::Error || bytes_->ReadUnserved();
            return;
        }
    }
}
