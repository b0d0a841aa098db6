#pragma once
#include <string>
#include <string_view>

// Names for files made from a stranger's music list. Nothing a list says may
// name a folder, a device or a program: every name comes out as one plain file
// name that Windows accepts.

// "歌手 - 歌曲" made safe (SafeFileName); with one of the two missing, the
// other alone; with neither, "歌曲 N" (N: the song's number in the table).
std::wstring SongFileStem(std::wstring_view singer, std::wstring_view name, int number);

// `text` as one file name: path separators, characters Windows refuses and
// control characters become '_', leading blanks and trailing dots and blanks
// go, a reserved device name (CON, NUL, COM1…, with or without an extension)
// gets a leading '_', and the name is cut to kMaxStemLength characters (never
// inside a surrogate pair). Empty when nothing is left.
inline constexpr size_t kMaxStemLength = 120;
std::wstring SafeFileName(std::wstring_view text);

// The extension (with its dot) for a song: the address's own when it is a
// known audio type, else the one for the answer's Content-Type, else ".mp3".
// Never anything else, whatever the address says.
std::wstring AudioExtension(std::wstring_view address, std::wstring_view contentType = {});
