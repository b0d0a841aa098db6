#pragma once
#include "song_saver.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Saves a batch of songs off the window thread, a few at a time, and tells a
// window when anything changed (the message, coalesced: read State() then).
// One batch at a time; the window that owns the queue never waits for it:
// letting go of the queue cancels what runs, and the workers end by themselves.
class SaveQueue {
  public:
    SaveQueue(HWND window, UINT changedMessage, HttpOptions http = SaveHttpOptions());
    ~SaveQueue();
    SaveQueue(const SaveQueue&) = delete;
    SaveQueue& operator=(const SaveQueue&) = delete;

    // False while a batch runs, or when the system gives no thread.
    bool Start(std::vector<SaveRequest> requests, size_t atOnce);
    void Cancel();

    struct State {
        size_t songs = 0;              // in the batch
        size_t ended = 0;              // saved, skipped, cancelled or failed
        double fraction = 0;           // of the whole batch, for a progress figure
        std::vector<SaveResult> results; // per song, in the batch's order (once ended)
        bool running = false;
    };
    State Snapshot() const;
    bool Running() const;

    struct Shared; // what the queue and its workers hold in common

  private:
    std::shared_ptr<Shared> shared_;
};

// The summary of an ended batch: counts, then the reason per failed song.
std::wstring SaveSummary(const SaveQueue::State& state, const std::vector<std::wstring>& titles);
