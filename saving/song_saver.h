#pragma once
#include "http_client.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>

// One song saved to a file. The download streams into a temporary file beside
// the target (never held in memory), resumes after a dropped connection, and
// the file takes its final name only once complete: a failed or cancelled save
// leaves nothing behind, under either name.
struct SaveRequest {
    std::wstring address;
    // The file to write. With `addExtension` a path without its extension,
    // which the answer decides (AudioExtension): a batch names its files so.
    std::wstring target;
    bool addExtension = false;
    // A file already at the target with the answer's length is the same song:
    // nothing is downloaded. Another file there is kept, and the song goes to
    // "name (2).ext" and so on. Without it the target is replaced (the Save
    // dialog asked).
    bool keepExisting = false;
};

struct SaveResult {
    enum class Outcome { Saved, Skipped, Cancelled, Failed };
    Outcome outcome = Outcome::Failed;
    std::wstring path;   // the file saved, or found already there
    std::wstring reason; // why not, in the user's words, when Failed
    unsigned long long bytes = 0;
};

// Bytes written so far and the declared length, if any; called on the
// transfer's thread.
using SaveProgressFn =
    std::function<void(unsigned long long done, std::optional<unsigned long long> total)>;

// Saves on the calling thread and returns when done. `cancelled` is read every
// few milliseconds.
SaveResult SaveSong(const SaveRequest& request, const HttpOptions& http,
                    const std::atomic<bool>& cancelled, const SaveProgressFn& progress = {});

// The options a save downloads with: no cap on the body, a few resumptions.
HttpOptions SaveHttpOptions();

// What an HTTP error means to the user.
std::wstring DownloadFailureText(const HttpResult& result);
