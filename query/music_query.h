#pragma once
#include "background_work.h"
#include "http_client.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One song of a query result, as a row of the song table shows it.
struct SongRecord {
    std::wstring number; // 1-based, plain decimal
    std::wstring name;
    std::wstring singer;
    std::wstring address; // as played and copied: the stored text less its last character
};

// What the worker hands back to the window: the three hidden lists' contents,
// character references already decoded, one entry per song in each.
struct MusicListAnswer {
    bool loaded = false; // the answer came and is a well-formed document
    HttpError httpError = HttpError::None;
    std::vector<std::wstring> addresses; // address pairs decoded, last character kept
    std::vector<std::wstring> singers;   // text pairs decoded
    std::vector<std::wstring> names;     // text pairs decoded
};

// The music-list fetch as a whole may take this long; an answer that drips in
// slower than that is a failed load.
inline constexpr DWORD kQueryDeadlineMs = 30000;

// Decodes and parses the body of an answer into `answer`, releasing each
// stage's input once the next stage has it. Between stages it looks at `stop`
// and gives up (answer not loaded) once it is set. COM must be initialised on
// the calling thread.
void ParseMusicList(std::string body, MusicListAnswer& answer, const std::atomic<bool>& stop);

// Fetches the address and parses the answer; COM is initialised here for the
// parser. Runs on a worker thread.
MusicListAnswer FetchMusicList(HttpClient& http, std::wstring_view address,
                               const std::atomic<bool>& stop);

// Runs one query at a time off the GUI thread and posts `doneMessage` to the
// window when its answer is in (wParam tells the query). The worker owns what
// it uses: letting go of a query, or of the runner, never waits for it.
class QueryRunner {
  public:
    QueryRunner(HWND window, UINT doneMessage, HttpOptions http, PostFn post = PostMessageW);
    ~QueryRunner();
    QueryRunner(const QueryRunner&) = delete;
    QueryRunner& operator=(const QueryRunner&) = delete;

    // Starts the query of `address`. Throws std::system_error or std::bad_alloc
    // when the system gives no thread or memory for it; nothing runs then.
    void Start(std::wstring address);
    bool Running() const { return job_ != nullptr; }
    // The answer of the running query once its report `wParam` arrived;
    // nullopt for the report of a query let go of.
    std::optional<MusicListAnswer> Finish(WPARAM wParam);
    // Lets go of the running query: its download stops, its answer is dropped.
    void Abandon();

    struct Job;

  private:
    HWND window_;
    UINT message_;
    HttpOptions http_;
    PostFn post_;
    WPARAM generation_ = 0;
    std::shared_ptr<Job> job_;
};
