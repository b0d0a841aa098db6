#pragma once
#include <string>

// 16-bit PCM of a sine tone, `channels` interleaved.
std::string MakeTonePcm(unsigned rate, unsigned channels, double seconds, double hz);

// A canonical PCM WAV file around 16-bit samples.
std::string MakeWav(const std::string& pcm, unsigned rate, unsigned channels);
