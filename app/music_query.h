#pragma once
#include "http_client.h"
#include "music_doc.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

// Where the time of one query went, in milliseconds.
struct QueryTimings {
    double fetch = 0;
    double decode = 0;
    double parse = 0;
    double fillLists = 0;
    double fillTable = 0;
};

// Milliseconds since it was made or last asked.
class Stopwatch {
  public:
    double Lap();

  private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// What the worker hands back to the window: the three hidden lists' contents,
// character references already decoded, one entry per song in each.
struct MusicListAnswer {
    bool loaded = false; // the answer came and is a well-formed document
    HttpError httpError = HttpError::None;
    std::vector<std::wstring> addresses; // address pairs decoded, last character kept
    std::vector<std::wstring> singers;   // text pairs decoded
    std::vector<std::wstring> names;     // text pairs decoded
    QueryTimings timings;
};

// Decodes and parses the body of an answer into `answer` (timings included),
// releasing each stage's input once the next stage has it. COM must be
// initialised on the calling thread.
void ParseMusicList(std::string body, MusicListAnswer& answer);

// Fetches the address and parses the answer. Runs on a worker thread; COM is
// initialised here for the parser.
MusicListAnswer FetchMusicList(HttpClient& http, std::wstring_view address);
