#include "music_query.h"

#include "char_refs.h"
#include "xml_text.h"

#include "com_scope.h"


double Stopwatch::Lap() {
    const auto now = std::chrono::steady_clock::now();
    const double ms = std::chrono::duration<double, std::milli>(now - start_).count();
    start_ = now;
    return ms;
}

void ParseMusicList(std::string body, MusicListAnswer& answer) {
    Stopwatch watch;
    std::optional<std::wstring> text = DecodeXmlBytes(body);
    std::string().swap(body);
    answer.timings.decode = watch.Lap();
    if (!text)
        return;

    std::vector<SongFields> songs;
    {
        MusicDocument MusicDoc;
        answer.loaded = MusicDoc.LoadText(std::move(*text));
        if (answer.loaded)
            songs = MusicDoc.SelectSongs();
    } // the document goes before the lists are built
    answer.addresses.reserve(songs.size());
    answer.singers.reserve(songs.size());
    answer.names.reserve(songs.size());
    for (SongFields& song : songs) {
        answer.addresses.push_back(DecodeCharRefs(std::move(song.address), kAddressPairs));
        answer.singers.push_back(DecodeCharRefs(std::move(song.singer), kTextPairs));
        answer.names.push_back(DecodeCharRefs(std::move(song.name), kTextPairs));
    }
    answer.timings.parse = watch.Lap();
}

MusicListAnswer FetchMusicList(HttpClient& http, std::wstring_view address) {
    MusicListAnswer answer;
    Stopwatch watch;
    HttpResult response = http.Get(address);
    answer.timings.fetch = watch.Lap();
    answer.httpError = response.error;
    if (!response.ok())
        return answer;
    // The DOM objects are apartment-threaded: the worker gets its own apartment.
    const ComScope com(COINIT_APARTMENTTHREADED);
    ParseMusicList(std::move(response.body), answer);
    return answer;
}
