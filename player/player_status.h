#pragma once
#include <string>

enum class PlayerState {
    Idle,       // nothing opened yet
    Connecting, // until the song's first sound is decoded
    Buffering,  // decoding ahead before playing, at the start or after a stall
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

struct PlayerStatusText {
    PlayerState state;
    const wchar_t* text;
};

// The player's status line per state, as a media player of the system shows it.
// "准备就绪" is the ready state a player falls back to when it cannot open a
// song: the main window's poll takes it as the sign of a failed song. Before any
// song the line is empty, so the poll does not mistake the start for a failure.
inline constexpr PlayerStatusText kPlayerStatusTexts[] = {
    {PlayerState::Idle, L""},
    {PlayerState::Connecting, L"正在连接…"},
    {PlayerState::Buffering, L"正在缓冲"},
    {PlayerState::Playing, L"正在播放"},
    {PlayerState::Paused, L"已暂停"},
    {PlayerState::Stopped, L"已停止"},
    {PlayerState::Failed, L"准备就绪"},
};

// The status line: the state's text, and for buffering the percent filled
// ("正在缓冲 40%").
inline std::wstring PlayerStatusLine(PlayerState state, int bufferPercent) {
    for (const PlayerStatusText& entry : kPlayerStatusTexts) {
        if (entry.state != state)
            continue;
        std::wstring text = entry.text;
        if (state == PlayerState::Buffering)
            text += L" " + std::to_wstring(bufferPercent) + L"%";
        return text;
    }
    return {};
}
