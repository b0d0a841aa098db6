#pragma once
#include <windows.h>

#include "audio_output.h"
#include "http_client.h"
#include "player_status.h"

#include <memory>
#include <string>
#include <vector>

// Plays one song address at a time: downloads it with WinHTTP and decodes it
// with a Media Foundation Source Reader while it arrives, and plays the PCM
// through an AudioOutput. All members are called on the thread that owns
// `notifyWindow`. Each song runs on a worker thread of its own that reports by
// posting `notifyMessage` to the window; the window hands that message to
// OnNotify(). A worker owns what it uses, so letting go of a song (or of the
// player) never waits for it.
class MediaPlayer {
  public:
    struct Options {
        // The download: no cap on the song's length, resumed when its
        // connection breaks (a server's timeout while paused, a network drop).
        HttpOptions http;
        // What may be held in memory at once. A song streams through a small
        // window whatever its length; only one whose decoder needs it whole
        // comes near, and is refused beyond it.
        size_t maxHeldBytes;
        // Connecting or buffering with less than kProgressBytes arriving in
        // this long fails the song, whatever the server keeps open.
        DWORD noProgressMs;
    };
    static constexpr unsigned long long kProgressBytes = 1024;
    static Options SongOptions();

    MediaPlayer(HWND notifyWindow, UINT notifyMessage, AudioOutputFactory makeOutput,
                Options options = SongOptions());
    ~MediaPlayer();
    MediaPlayer(const MediaPlayer&) = delete;
    MediaPlayer& operator=(const MediaPlayer&) = delete;

    // Ends whatever plays; the next play() starts `url` from its beginning.
    // With no address play() and pause() do nothing.
    void SetURL(std::wstring url);
    const std::wstring& URL() const { return url_; }

    void play();
    void pause();
    void stop();

    std::wstring status() const;
    PlayerState state() const;
    PlayerFailure failure() const { return failure_; }

    // Applies what a worker reported. True when the message stands for a
    // change of state (the window raises its open-state event then); false for
    // the leftovers of a song the player has already let go of.
    bool OnNotify(WPARAM wParam, LPARAM lParam);

    struct Session; // one song's worker and what it shares with the player

  private:
    void Start();
    void EndSession();
    void Fail(PlayerFailure why);
    void Notify() const;

    HWND window_;
    UINT message_;
    AudioOutputFactory makeOutput_;
    Options options_;
    std::wstring url_;

    PlayerState phase_ = PlayerState::Idle; // what the song is doing, paused or not
    bool paused_ = false;
    int bufferPercent_ = 0;
    PlayerFailure failure_ = PlayerFailure::None;

    // Tells the current song's messages from older ones; unique in the
    // process, so no two players' songs share one.
    WPARAM generation_ = 0;
    std::shared_ptr<Session> current_;
};
