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
    return {queuedBytes_, finished_};
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

// Some files keep what their decoder needs at the end (an MP4 index); those
// play once they have arrived whole, as they did before streaming.
bool OpenSong(SongDecoder& decoder, SongBuffer& bytes, IStream* stream) {
    return decoder.Open(stream) || (bytes.HoldWhole() && decoder.Open(stream));
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
    if (!mediaFoundation.ok() || !stream || !OpenSong(decoder, *bytes_, stream.Get()))
        return;
    const WAVEFORMATEX& wave = decoder.format();
    const size_t bufferBytes =
        std::max<size_t>(wave.nBlockAlign, static_cast<size_t>(wave.nAvgBytesPerSec) * bufferMs_ /
                                               1000 / wave.nBlockAlign * wave.nBlockAlign);
    {
        WAVEFORMATEXTENSIBLE format{};
        std::memcpy(&format, &wave, std::min(sizeof(format), sizeof(WAVEFORMATEX) + wave.cbSize));
        std::lock_guard lock(mutex_);
        format_ = format;
    }
    SetEvent(ready_.get());

    std::vector<BYTE> pcm;
    for (bool first = true;; first = false) {
        {
            std::unique_lock lock(mutex_);
            room_.wait(lock, [this] { return stopped_ || buffers_.size() < maxBuffers_; });
            if (stopped_)
                return;
        }
        // The end, or a break in the stream: what was decoded before it plays.
        if (decoder.Read(pcm, bufferBytes) != SongDecoder::Result::Data)
            return;
        if (first)
            bytes_->DecodingStarted();
        {
            std::lock_guard lock(mutex_);
            queuedBytes_ += pcm.size();
            buffers_.push_back(std::move(pcm));
        }
        pcm = {};
        SetEvent(ready_.get());
    }
}
