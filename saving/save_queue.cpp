#include "save_queue.h"

#include "background_work.h"

#include <algorithm>
#include <atomic>

struct SaveQueue::Shared {
    HWND window = nullptr;
    UINT message = 0;
    HttpOptions http;

    mutable std::mutex mutex;
    std::vector<SaveRequest> requests;
    std::vector<SaveResult> results;
    std::vector<double> progress; // per song, 0 to 1
    std::vector<bool> ended;
    size_t next = 0;    // the next song a worker takes
    size_t workers = 0; // still running
    std::atomic<bool> cancelled = false;
    std::atomic<bool> posted = false; // a change message waits in the queue

    void Changed() {
        if (!posted.exchange(true))
            if (!PostReport(window, message, 0, 0))
                posted = false;
    }

    void Work() {
        for (;;) {
            size_t index;
            SaveRequest request;
            {
                std::lock_guard lock(mutex);
                if (next >= requests.size() || cancelled) {
                    // What nobody started is cancelled too.
                    for (size_t i = next; i < requests.size(); ++i)
                        if (!ended[i]) {
                            ended[i] = true;
                            results[i].outcome = SaveResult::Outcome::Cancelled;
                        }
                    next = requests.size();
                    --workers;
                    break;
                }
                index = next++;
                request = requests[index];
            }
            double lastShown = 0;
            SaveResult result = SaveSong(request, http, cancelled,
                                         [&](unsigned long long done,
                                             std::optional<unsigned long long> total) {
                                             if (!total || *total == 0)
                                                 return;
                                             const double part =
                                                 static_cast<double>(done) / static_cast<double>(*total);
                                             {
                                                 std::lock_guard lock(mutex);
                                                 progress[index] = part;
                                             }
                                             if (part - lastShown >= 0.01) {
                                                 lastShown = part;
                                                 Changed();
                                             }
                                         });
            {
                std::lock_guard lock(mutex);
                results[index] = std::move(result);
                ended[index] = true;
                progress[index] = 1;
            }
            Changed();
        }
        Changed();
    }
};

SaveQueue::SaveQueue(HWND window, UINT changedMessage, HttpOptions http)
    : shared_(std::make_shared<Shared>()) {
    shared_->window = window;
    shared_->message = changedMessage;
    shared_->http = http;
}

SaveQueue::~SaveQueue() {
    Cancel();
}

bool SaveQueue::Start(std::vector<SaveRequest> requests, size_t atOnce) {
    if (Running())
        return false;
    auto shared = std::make_shared<Shared>();
    shared->window = shared_->window;
    shared->message = shared_->message;
    shared->http = shared_->http;
    const size_t songs = requests.size();
    shared->requests = std::move(requests);
    shared->results.resize(songs);
    shared->progress.assign(songs, 0.0);
    shared->ended.assign(songs, false);
    shared->workers = std::max<size_t>(1, std::min(atOnce, songs));
    shared_ = shared;
    const size_t workers = shared->workers;
    for (size_t i = 0; i < workers; ++i) {
        try {
            RunDetached([shared] { shared->Work(); }); // a save is never cut off half-written
        } catch (...) {
            std::lock_guard lock(shared->mutex);
            --shared->workers;
        }
    }
    if (Running())
        return true;
    shared->cancelled = true;
    return false;
}

void SaveQueue::Cancel() {
    shared_->cancelled = true;
}

bool SaveQueue::Running() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->workers > 0;
}

SaveQueue::State SaveQueue::Snapshot() const {
    shared_->posted = false; // the next change posts again
    std::lock_guard lock(shared_->mutex);
    State state;
    state.songs = shared_->requests.size();
    state.running = shared_->workers > 0;
    double sum = 0;
    for (size_t i = 0; i < state.songs; ++i) {
        sum += shared_->progress[i];
        state.ended += shared_->ended[i] ? 1 : 0;
    }
    state.fraction = state.songs ? sum / static_cast<double>(state.songs) : 1.0;
    state.results = shared_->results;
    return state;
}

std::wstring SaveSummary(const SaveQueue::State& state, const std::vector<std::wstring>& titles) {
    size_t saved = 0, skipped = 0, failed = 0, cancelled = 0;
    std::wstring reasons;
    for (size_t i = 0; i < state.results.size(); ++i) {
        switch (state.results[i].outcome) {
        case SaveResult::Outcome::Saved:
            ++saved;
            break;
        case SaveResult::Outcome::Skipped:
            ++skipped;
            break;
        case SaveResult::Outcome::Cancelled:
            ++cancelled;
            break;
        case SaveResult::Outcome::Failed:
            ++failed;
            reasons += L"\r\n" + std::to_wstring(i + 1) + L". " +
                       (i < titles.size() ? titles[i] : std::wstring()) + L": " +
                       state.results[i].reason;
            break;
        }
    }
    std::wstring text = L"已保存 " + std::to_wstring(saved) + L" 首，已存在跳过 " +
                        std::to_wstring(skipped) + L" 首，失败 " + std::to_wstring(failed) + L" 首";
    if (cancelled)
        text += L"，取消 " + std::to_wstring(cancelled) + L" 首";
    if (!reasons.empty())
        text += L"\r\n\r\n失败的歌曲:" + reasons;
    return text;
}
