#include "song_decoder.h"

#include <mfapi.h>
#include <mfidl.h>
#include <mferror.h>
#include <mfreadwrite.h>

#include <algorithm>
#include <cstring>

// In libmfplat since Windows 7, but MinGW-w64's mfidl.h does not declare it.
extern "C" HRESULT WINAPI MFCreateMFByteStreamOnStream(IStream* stream, IMFByteStream** byteStream);

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kAudio = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);

ComPtr<IMFMediaType> MakePcmType(UINT32 bitsPerSample) {
    ComPtr<IMFMediaType> type;
    if (FAILED(MFCreateMediaType(&type)) ||
        FAILED(type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio)) ||
        FAILED(type->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM)))
        return nullptr;
    if (bitsPerSample && FAILED(type->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, bitsPerSample)))
        return nullptr;
    return type;
}

// 16-bit PCM suits every device; a source that is PCM of another depth and
// has no converter in the reader plays as it is.
bool SelectPcmOutput(IMFSourceReader* reader) {
    for (const UINT32 bits : {16u, 0u}) {
        ComPtr<IMFMediaType> type = MakePcmType(bits);
        if (type && SUCCEEDED(reader->SetCurrentMediaType(kAudio, nullptr, type.Get())))
            return true;
    }
    return false;
}

} // namespace

SongDecoder::~SongDecoder() = default;

bool SongDecoder::Open(IStream* stream) {
    reader_.Reset();
    broken_ = false;
    ComPtr<IMFByteStream> byteStream;
    ComPtr<IMFSourceReader> reader;
    if (!stream || FAILED(MFCreateMFByteStreamOnStream(stream, &byteStream)) ||
        FAILED(MFCreateSourceReaderFromByteStream(byteStream.Get(), nullptr, &reader)))
        return false;
    if (FAILED(
            reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE)) ||
        FAILED(reader->SetStreamSelection(kAudio, TRUE)) || !SelectPcmOutput(reader.Get()))
        return false;

    ComPtr<IMFMediaType> actual;
    if (FAILED(reader->GetCurrentMediaType(kAudio, &actual)))
        return false;
    WAVEFORMATEX* wave = nullptr;
    UINT32 size = 0;
    if (FAILED(MFCreateWaveFormatExFromMFMediaType(actual.Get(), &wave, &size, 0)) || !wave)
        return false;
    format_ = WAVEFORMATEXTENSIBLE{};
    std::memcpy(&format_, wave, std::min<size_t>(size, sizeof(format_)));
    CoTaskMemFree(wave);
    if (format_.Format.nBlockAlign == 0 || format_.Format.nAvgBytesPerSec == 0)
        return false;
    reader_ = std::move(reader);
    return true;
}

SongDecoder::Result SongDecoder::Read(std::vector<BYTE>& pcm, size_t bytes) {
    pcm.clear();
    if (!reader_)
        return broken_ ? Result::Error : Result::End;
    // Ends the reader; what was decoded before a break still goes out first.
    auto Stop = [&](bool broke) {
        reader_.Reset();
        broken_ = broke;
        return pcm.empty() ? (broke ? Result::Error : Result::End) : Result::Data;
    };
    while (pcm.size() < bytes) {
        DWORD flags = 0;
        ComPtr<IMFSample> sample;
        if (FAILED(reader_->ReadSample(kAudio, 0, nullptr, &flags, nullptr, &sample)))
            return Stop(true);
        if (sample) {
            ComPtr<IMFMediaBuffer> buffer;
            BYTE* data = nullptr;
            DWORD length = 0;
            if (FAILED(sample->ConvertToContiguousBuffer(&buffer)) ||
                FAILED(buffer->Lock(&data, nullptr, &length)))
                return Stop(true);
            pcm.insert(pcm.end(), data, data + length);
            buffer->Unlock();
        }
        if (flags & MF_SOURCE_READERF_ERROR)
            return Stop(true);
        if (flags & MF_SOURCE_READERF_ENDOFSTREAM)
            return Stop(false);
    }
    return Result::Data;
}

namespace {

// Media Foundation's DLLs are loaded when the first song is, and some editions
// of Windows (the N ones) have none: then every song fails to decode, rather
// than a call into a missing DLL raising the delay-load helper's exception.
bool MediaFoundationInstalled() {
    static const bool installed = [] {
        for (const wchar_t* dll : {L"mfplat.dll", L"mfreadwrite.dll"})
            if (!LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
                return false; // the ones loaded stay, as the calls into them would keep them
        return true;
    }();
    return installed;
}

} // namespace

MediaFoundationScope::MediaFoundationScope() {
    // A thread already in another apartment can still use Media Foundation.
    if (com_.usable() && MediaFoundationInstalled())
        mfStarted_ = SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_LITE));
}

MediaFoundationScope::~MediaFoundationScope() {
    if (mfStarted_)
        MFShutdown();
}
