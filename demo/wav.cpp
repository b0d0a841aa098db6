#include "wav.h"

#include <cmath>
#include <cstdint>
#include <cstring>

std::string MakeTonePcm(unsigned rate, unsigned channels, double seconds, double hz) {
    constexpr double kPi = 3.14159265358979323846;
    const auto frames = static_cast<size_t>(rate * seconds);
    std::string pcm(frames * channels * 2, '\0');
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        // A short fade at both ends keeps joined tones from clicking.
        const double fade = std::min(1.0, std::min(t, seconds - t) * 40.0);
        const auto value = static_cast<int16_t>(8000.0 * fade * std::sin(2 * kPi * hz * t));
        for (unsigned c = 0; c < channels; ++c)
            std::memcpy(&pcm[(i * channels + c) * 2], &value, 2);
    }
    return pcm;
}

std::string MakeWav(const std::string& pcm, unsigned rate, unsigned channels) {
    auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
    const auto size = static_cast<uint32_t>(pcm.size());
    return "RIFF" + u32(36 + size) + "WAVE" + "fmt " + u32(16) + u16(1) +
           u16(static_cast<uint16_t>(channels)) + u32(rate) + u32(rate * channels * 2) +
           u16(static_cast<uint16_t>(channels * 2)) + u16(16) + "data" + u32(size) + pcm;
}
