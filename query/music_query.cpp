#include "music_query.h"

#include "background_work.h"
#include "char_refs.h"
#include "com_scope.h"
#include "music_doc.h"
#include "xml_text.h"

#include <mutex>
#include <utility>

void ParseMusicList(std::string body, MusicListAnswer& answer, const std::atomic<bool>& stop) {
    std::optional<std::wstring> text = DecodeXmlBytes(body);
    std::string().swap(body);
    if (!text || stop)
        return;

    std::vector<SongFields> songs;
    {
        MusicDocument MusicDoc;
        answer.loaded = MusicDoc.LoadText(std::move(*text));
        if (answer.loaded && !stop)
            songs = MusicDoc.SelectSongs();
    } // the document goes before the lists are built
    if (stop) {
        answer.loaded = false;
        return;
    }
    answer.addresses.reserve(songs.size());
    answer.singers.reserve(songs.size());
    answer.names.reserve(songs.size());
    for (SongFields& song : songs) {
        answer.addresses.push_back(DecodeCharRefs(std::move(song.address), kAddressPairs));
        answer.singers.push_back(DecodeCharRefs(std::move(song.singer), kTextPairs));
        answer.names.push_back(DecodeCharRefs(std::move(song.name), kTextPairs));
    }
}

MusicListAnswer FetchMusicList(HttpClient& http, std::wstring_view address,
                               const std::atomic<bool>& stop) {
    MusicListAnswer answer;
    HttpResult response = http.Get(address);
    answer.httpError = response.error;
    if (!response.ok() || stop)
        return answer;
    // The DOM objects are apartment-threaded: the worker gets its own apartment.
    const ComScope com(COINIT_APARTMENTTHREADED);
    ParseMusicList(std::move(response.body), answer, stop);
    return answer;
}

struct QueryRunner::Job {
    explicit Job(const HttpOptions& options) : http(options) {}
    HttpClient http;
    std::atomic<bool> abandoned = false;
    std::mutex mutex;
    MusicListAnswer answer; // written by the worker before it reports
};

QueryRunner::QueryRunner(HWND window, UINT doneMessage, HttpOptions http, PostFn post)
    : window_(window), message_(doneMessage), http_(http), post_(post) {}

QueryRunner::~QueryRunner() {
    Abandon();
}

void QueryRunner::Start(std::wstring address) {
    Abandon();
    auto job = std::make_shared<Job>(http_);
    const WPARAM generation = generation_ + 1;
    RunDetached([job, address = std::move(address), window = window_, message = message_,
                 post = post_, generation] {
        MusicListAnswer answer = FetchMusicList(job->http, address, job->abandoned);
        {
            std::lock_guard lock(job->mutex);
            job->answer = std::move(answer);
        }
        if (!job->abandoned)
            PostReport(window, message, generation, 0, post);
    });
    generation_ = generation;
    job_ = std::move(job);
}

std::optional<MusicListAnswer> QueryRunner::Finish(WPARAM wParam) {
    if (!job_ || wParam != generation_)
        return std::nullopt;
    std::shared_ptr<Job> job = std::move(job_);
    std::lock_guard lock(job->mutex);
    return std::move(job->answer);
}

void QueryRunner::Abandon() {
    if (!job_)
        return;
    job_->abandoned = true;
    job_->http.Cancel();
    job_.reset();
}
