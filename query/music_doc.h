#pragma once
#include <string>
#include <string_view>
#include <vector>

#include <wrl/client.h>

struct IXMLDOMDocument2;

// One song's three texts as the answer carries them (character references not
// yet decoded). A field the song lacks is empty.
struct SongFields {
    std::wstring address;
    std::wstring singer;
    std::wstring name;
};

// The system's XML DOM (MSXML 6, else 3) holding one music-list answer. COM
// must be initialised on the calling thread, and the object stays on it.
class MusicDocument {
  public:
    MusicDocument();
    ~MusicDocument();
    MusicDocument(const MusicDocument&) = delete;
    MusicDocument& operator=(const MusicDocument&) = delete;

    bool Available() const { return doc_ != nullptr; }

    // Parses text that is already UTF-16 (its declaration dropped). False when
    // the text is not a well-formed document or carries a DTD. The text is
    // released as soon as the parser has its own copy, to keep the peak low.
    bool LoadText(std::wstring text);

    // The songs under /qqmusic/minemusiclist/minemusic, one per xsong_url in
    // document order, each with the name and singer of its own minemusic.
    std::vector<SongFields> SelectSongs() const;

  private:
    Microsoft::WRL::ComPtr<IXMLDOMDocument2> doc_;
};
