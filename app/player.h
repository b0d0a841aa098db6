#pragma once
#include <windows.h>

#include "audio_output.h"
#include "http_client.h"

#include <memory>
#include <string>
#include <vector>

enum class PlayerState {
    Idle,       // nothing opened yet
    Connecting, // downloading the song
    Buffering,  // decoding the first buffers
    Playing,
    Paused,
    Stopped, // stopped by the user or played to its end
    Failed,  // the song cannot be played
};

// Why the last song ended in PlayerState::Failed.
enum class PlayerFailure {
    None,
    Address,  // empty, or not an http(s) address
    Download, // HTTP error, timeout, refused, too large
    Decode,   // no audio in the bytes
    Output,   // no audio device, or it refused the format or a buffer
};

// Plays one song address at a time: downloads it with WinHTTP, decodes it with
// a Media Foundation Source Reader and plays the PCM through an AudioOutput.
// All members are called on the thread that owns `notifyWindow`. Each song runs
// on a worker thread that reports by posting `notifyMessage` to the window;
// the window hands that message to OnNotify().
class MediaPlayer {
  public:
    static HttpOptions SongDownloadOptions(); // a 64 MiB body cap

    MediaPlayer(HWND notifyWindow, UINT notifyMessage, AudioOutputFactory makeOutput,
                HttpOptions http = SongDownloadOptions());
    ~MediaPlayer();
    MediaPlayer(const MediaPlayer&) = delete;
    MediaPlayer& operator=(const MediaPlayer&) = delete;

    // Ends whatever plays; the next play() starts `url` from its beginning.
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
    void ReapFinished();
    void Fail(PlayerFailure why);
    void Notify() const;

    HWND window_;
    UINT message_;
    AudioOutputFactory makeOutput_;
    HttpOptions http_;
    std::wstring url_;

    PlayerState phase_ = PlayerState::Idle; // what the song is doing, paused or not
    bool paused_ = false;
    int bufferPercent_ = 0;
    PlayerFailure failure_ = PlayerFailure::None;

    WPARAM generation_ = 0; // tells the current song's messages from older ones
    std::shared_ptr<Session> current_;
    std::vector<std::shared_ptr<Session>> ending_; // told to end, not yet joined
};
