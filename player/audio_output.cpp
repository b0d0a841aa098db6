#include "audio_output.h"

#include <cstring>

namespace {

bool IsDone(const WAVEHDR& header) {
    // The device sets WHDR_DONE from its own thread.
    return (*static_cast<const volatile DWORD*>(&header.dwFlags) & WHDR_DONE) != 0;
}

} // namespace

WaveOutput::WaveOutput() : played_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

WaveOutput::~WaveOutput() {
    Close();
}

bool WaveOutput::Open(const WAVEFORMATEX& format) {
    Close();
    if (!played_)
        return false;
    HWAVEOUT device = nullptr;
    const MMRESULT result =
        waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(played_.get()), 0,
                    CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR)
        return false;
    device_.reset(device);
    return true;
}

WaveOutput::Block* WaveOutput::FreeBlock() {
    for (auto& block : blocks_) {
        if (!block->prepared || IsDone(block->header)) {
            Unprepare(*block);
            return block.get();
        }
    }
    blocks_.push_back(std::make_unique<Block>());
    return blocks_.back().get();
}

void WaveOutput::Unprepare(Block& block) {
    if (block.prepared && device_)
        waveOutUnprepareHeader(device_.get(), &block.header, sizeof(block.header));
    block.prepared = false;
}

bool WaveOutput::Write(const void* data, size_t bytes) {
    if (!device_ || bytes == 0 || bytes > MAXDWORD)
        return false;
    Block* block = FreeBlock();
    block->data.assign(static_cast<const char*>(data), static_cast<const char*>(data) + bytes);
    block->header = WAVEHDR{};
    block->header.lpData = block->data.data();
    block->header.dwBufferLength = static_cast<DWORD>(bytes);
    if (waveOutPrepareHeader(device_.get(), &block->header, sizeof(block->header)) !=
        MMSYSERR_NOERROR)
        return false;
    block->prepared = true;
    if (waveOutWrite(device_.get(), &block->header, sizeof(block->header)) != MMSYSERR_NOERROR) {
        Unprepare(*block);
        return false;
    }
    return true;
}

size_t WaveOutput::Pending() {
    size_t pending = 0;
    for (const auto& block : blocks_)
        pending += block->prepared && !IsDone(block->header) ? 1 : 0;
    return pending;
}

void WaveOutput::Pause() {
    if (device_)
        waveOutPause(device_.get());
}

void WaveOutput::Resume() {
    if (device_)
        waveOutRestart(device_.get());
}

void WaveOutput::Reset() {
    if (device_)
        waveOutReset(device_.get());
}

void WaveOutput::Close() {
    if (!device_)
        return;
    // A header still queued cannot be unprepared, nor the device closed.
    waveOutReset(device_.get());
    for (auto& block : blocks_)
        Unprepare(*block);
    blocks_.clear();
    device_.reset();
}
