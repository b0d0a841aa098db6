// The demo service: answers the music-list request for the sample QQ number
// with a sample list and serves the songs it names (chord tunes made here as
// WAV, and an MP3 tone when given one), plus one address that fails so the
// failure notice can be seen. Any other number has an empty list.
// demo_service [PORT] [MP3-FILE]
#include "answers.h"
#include "loopback_server.h"
#include "wav.h"

#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr char kListPath[] = "/fcg-bin/fcgi_agent_zhenghe.fcg";
constexpr char kSampleNumber[] = "123456789"; // what the QQ box shows at start
constexpr unsigned kRate = 22050;

// A tune of chords, mono: each chord's notes (Hz) sound together for `beat` seconds.
std::string MakeChordTune(const std::vector<std::vector<double>>& chords, double beat) {
    constexpr double kPi = 3.14159265358979323846;
    const auto frames = static_cast<size_t>(kRate * beat);
    std::string pcm;
    for (const auto& chord : chords)
        for (size_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            // A soft attack and a decay, as a plucked chord sounds.
            const double envelope = std::min(1.0, t * 60.0) * std::exp(-2.5 * t);
            double sum = 0;
            for (double hz : chord)
                sum += std::sin(2 * kPi * hz * t);
            const auto value = static_cast<int16_t>(9000.0 * envelope * sum / chord.size());
            pcm.append(reinterpret_cast<const char*>(&value), 2);
        }
    return MakeWav(pcm, kRate, 1);
}

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct DemoSong {
    const wchar_t* name;
    const wchar_t* singer;
    std::string file; // under /songs/
    LoopbackResponse body;
};

// The service writes ':', '.' and '/' of an address as character references
// and adds one character after it.
std::wstring ServiceAddress(uint16_t port, const std::string& file) {
    std::wstring address = L"http&#58;&#95;&#95;127&#46;0&#46;0&#46;1&#58;" +
                           std::to_wstring(port) + L"&#95;songs&#95;";
    for (char c : file)
        address += c == '.' ? std::wstring(L"&#46;") : std::wstring(1, static_cast<wchar_t>(c));
    return address + L" ";
}

} // namespace

int main(int argc, char** argv) {
    const auto port = static_cast<uint16_t>(argc > 1 ? atoi(argv[1]) : 18080);
    LoopbackServer server(port);
    if (!server.Listening()) {
        std::fprintf(stderr, "demo service: port %u is not free\n", port);
        return 1;
    }
    const double C = 261.6, D = 293.7, E = 329.6, F = 349.2, G = 392.0, A = 440.0, B = 493.9;
    std::vector<DemoSong> songs;
    songs.push_back({L"卡农和弦", L"示例乐队", "1.wav",
                     AudioAnswer(MakeChordTune({{C, E, G},
                                                {G / 2, B / 2, D},
                                                {A / 2, C, E},
                                                {E / 2, G / 2, B / 2},
                                                {F / 2, A / 2, C},
                                                {C, E, G},
                                                {F / 2, A / 2, C},
                                                {G / 2, B / 2, D}},
                                               0.7),
                                 "audio/wav")});
    songs.push_back(
        {L"小星星", L"童谣", "2.wav",
         AudioAnswer(
             MakeChordTune(
                 {{C}, {C}, {G}, {G}, {A}, {A}, {G, E}, {F}, {F}, {E}, {E}, {D}, {D}, {C, E, G}},
                 0.4),
             "audio/wav")});
    songs.push_back({L"欢乐颂", L"贝多芬", "3.wav",
                     AudioAnswer(MakeChordTune({{E, C},
                                                {E, C},
                                                {F, A / 2},
                                                {G, B / 2},
                                                {G, B / 2},
                                                {F, A / 2},
                                                {E, C},
                                                {D, B / 2},
                                                {C, E / 2},
                                                {C, E / 2},
                                                {D, G / 2},
                                                {E, C},
                                                {E, C},
                                                {D, B / 2},
                                                {D, G / 2, B / 2}},
                                               0.4),
                                 "audio/wav")});
    if (argc > 2) {
        // MP3 frames follow each other: a few copies of a short tone make a song.
        const std::string tone = ReadFile(argv[2]);
        std::string mp3;
        for (int i = 0; i < 8 && !tone.empty(); ++i)
            mp3 += tone;
        if (!mp3.empty())
            songs.push_back({L"纯音 (MP3)", L"示例歌手", "4.mp3", AudioAnswer(mp3, "audio/mpeg")});
    }

    std::vector<AnswerSong> list;
    for (DemoSong& song : songs) {
        server.Serve("/songs/" + song.file, std::move(song.body));
        list.push_back({ServiceAddress(port, song.file), song.name, song.singer});
    }
    list.push_back({ServiceAddress(port, "gone.mp3"), L"失效的地址", L"(演示播放失败)"});

    server.Serve(std::string(kListPath) + "?UIN=" + kSampleNumber +
                     "&TYPE=16&PAGE_START=1&PAGE_END=10000&SELECT_FLAG=1",
                 XmlAnswer(MakeAnswer(list, "GB2312", 936)));
    server.Serve(kListPath, XmlAnswer(MakeAnswer({}, "GB2312", 936)));

    std::printf("demo service on %ls: %s answers %zu songs, other numbers none\n",
                server.BaseAddress().c_str(), kSampleNumber, list.size());
    std::fflush(stdout);
    Sleep(INFINITE);
}
