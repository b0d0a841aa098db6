// The demo service: answers the music-list request for any QQ number with a
// sample list, and serves the sample songs it names (short tunes made here),
// plus one address that fails so the failure notice can be seen.
#include "answers.h"
#include "loopback_server.h"
#include "wav.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A tune: the given notes (Hz) one after another, mono, 22.05 kHz.
std::string MakeTune(const std::vector<double>& notes, double noteSeconds) {
    constexpr unsigned kRate = 22050;
    std::string pcm;
    for (double hz : notes)
        pcm += MakeTonePcm(kRate, 1, noteSeconds, hz);
    return MakeWav(pcm, kRate, 1);
}

struct DemoSong {
    const wchar_t* name;
    const wchar_t* singer;
    std::vector<double> notes;
};

} // namespace

int main(int argc, char** argv) {
    const auto port = static_cast<uint16_t>(argc > 1 ? atoi(argv[1]) : 18080);
    LoopbackServer server(port);
    if (!server.Listening()) {
        std::fprintf(stderr, "demo service: port %u is not free\n", port);
        return 1;
    }
    const std::vector<DemoSong> songs = {
        {L"小星星",
         L"示例歌手",
         {262, 262, 392, 392, 440, 440, 392, 349, 349, 330, 330, 294, 294, 262}},
        {L"欢乐颂",
         L"贝多芬",
         {330, 330, 349, 392, 392, 349, 330, 294, 262, 262, 294, 330, 330, 294, 294}},
        {L"两只老虎",
         L"童谣",
         {262, 294, 330, 262, 262, 294, 330, 262, 330, 349, 392, 330, 349, 392}},
        {L"音阶 Do Re Mi", L"练习曲", {262, 294, 330, 349, 392, 440, 494, 523}},
    };
    std::vector<AnswerSong> list;
    for (size_t i = 0; i < songs.size(); ++i) {
        const std::string path = "/songs/" + std::to_string(i + 1) + ".wav";
        LoopbackResponse song;
        song.contentType = "audio/wav";
        song.body = MakeTune(songs[i].notes, 0.35);
        server.Serve(path, std::move(song));
        // The service writes ':', '.' and '/' as character references and adds
        // one character after each address.
        std::wstring address = L"http&#58;&#95;&#95;127&#46;0&#46;0&#46;1&#58;" +
                               std::to_wstring(port) + L"&#95;songs&#95;" + std::to_wstring(i + 1) +
                               L"&#46;wav ";
        list.push_back({address, songs[i].name, songs[i].singer});
    }
    list.push_back({L"http&#58;&#95;&#95;127&#46;0&#46;0&#46;1&#58;" + std::to_wstring(port) +
                        L"&#95;songs&#95;gone&#46;mp3 ",
                    L"失效的地址", L"(演示播放失败)"});

    LoopbackResponse answer;
    answer.body = MakeAnswer(list, "GB2312", 936);
    server.Serve("/fcg-bin/fcgi_agent_zhenghe.fcg", std::move(answer));

    std::printf("demo service on %ls (press Ctrl+C to stop)\n", server.BaseAddress().c_str());
    std::fflush(stdout);
    Sleep(INFINITE);
}
