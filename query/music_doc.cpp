#include "music_doc.h"

#include "com_scope.h"
#include "xml_text.h"

#include <windows.h>
#include <msxml2.h>
#include <oleauto.h>

#include <algorithm>
#include <utility>

using Microsoft::WRL::ComPtr;

namespace {

// MinGW's msxml2.h declares neither these class ids nor __uuidof for MSXML.
constexpr GUID kClsidDomDocument60 = {
    0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
constexpr GUID kClsidDomDocument30 = {
    0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};
constexpr GUID kIidXmlDomDocument2 = {
    0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

constexpr wchar_t kSongPath[] = L"/qqmusic/minemusiclist/minemusic";

// Sets a document property; one the parser does not know is not fatal.
void SetProperty(IXMLDOMDocument2* doc, const wchar_t* name, const UniqueVariant& value) {
    UniqueBstr n(name);
    doc->setProperty(n.get(), value.get());
}

std::wstring TextOf(IXMLDOMNode* node) {
    UniqueBstr text;
    if (!node || FAILED(node->get_text(text.put())))
        return {};
    return text.str();
}

// Which of a song's children a node is; element names are compared as they stand.
enum class SongChild { Url, Singer, Name, Other };

// Text, comments and the like are named "#text", "#comment": never a field.
SongChild SongChildOf(IXMLDOMNode* node) {
    UniqueBstr name;
    if (FAILED(node->get_nodeName(name.put())) || !name.get())
        return SongChild::Other;
    const std::wstring_view n(name.get(), SysStringLen(name.get()));
    if (n == L"xsong_url")
        return SongChild::Url;
    if (n == L"xsinger_name")
        return SongChild::Singer;
    if (n == L"xsong_name")
        return SongChild::Name;
    return SongChild::Other;
}

// One song element's children in one walk: every xsong_url, and the first
// xsinger_name and xsong_name, which each of its addresses takes.
void TakeSongs(IXMLDOMNode* song, std::vector<SongFields>& songs) {
    const size_t first = songs.size();
    std::wstring singer, name;
    bool haveSinger = false, haveName = false;
    ComPtr<IXMLDOMNode> child;
    song->get_firstChild(&child);
    while (child) {
        switch (SongChildOf(child.Get())) {
        case SongChild::Url:
            songs.push_back({TextOf(child.Get()), {}, {}});
            break;
        case SongChild::Singer:
            if (!std::exchange(haveSinger, true))
                singer = TextOf(child.Get());
            break;
        case SongChild::Name:
            if (!std::exchange(haveName, true))
                name = TextOf(child.Get());
            break;
        case SongChild::Other:
            break;
        }
        ComPtr<IXMLDOMNode> next;
        if (child->get_nextSibling(&next) != S_OK)
            break;
        child = std::move(next);
    }
    for (size_t i = first; i < songs.size(); ++i) {
        songs[i].singer = singer;
        songs[i].name = name;
    }
}

} // namespace

MusicDocument::MusicDocument() {
    for (const GUID& clsid : {kClsidDomDocument60, kClsidDomDocument30}) {
        if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument2,
                                       reinterpret_cast<void**>(doc_.GetAddressOf()))))
            break;
    }
    if (!doc_)
        return;
    doc_->put_async(VARIANT_FALSE);
    doc_->put_validateOnParse(VARIANT_FALSE);
    doc_->put_resolveExternals(VARIANT_FALSE);
    // Element texts are taken as they stand: an address may end in a space.
    doc_->put_preserveWhiteSpace(VARIANT_TRUE);
    SetProperty(doc_.Get(), L"ProhibitDTD", UniqueVariant(true));
    SetProperty(doc_.Get(), L"SelectionLanguage", UniqueVariant(std::wstring_view(L"XPath")));
}

MusicDocument::~MusicDocument() = default;

bool MusicDocument::LoadText(std::wstring text) {
    if (!doc_ || HasDocumentTypeDeclaration(text))
        return false;
    UniqueBstr xml(text);
    std::wstring().swap(text);
    VARIANT_BOOL ok = VARIANT_FALSE;
    return SUCCEEDED(doc_->loadXML(xml.get(), &ok)) && ok == VARIANT_TRUE;
}

// The song elements are selected once and each one's children walked once, so
// the cost follows the size of the answer whatever its shape (per-address XPath
// look-ups were quadratic in the children of one song).
std::vector<SongFields> MusicDocument::SelectSongs() const {
    std::vector<SongFields> songs;
    if (!doc_)
        return songs;
    ComPtr<IXMLDOMNodeList> list;
    UniqueBstr path(kSongPath);
    if (FAILED(doc_->selectNodes(path.get(), &list)) || !list)
        return songs;
    long count = 0;
    list->get_length(&count);
    songs.reserve(static_cast<size_t>(std::max(count, 0L)));
    ComPtr<IXMLDOMNode> song;
    while (list->nextNode(&song) == S_OK && song) {
        TakeSongs(song.Get(), songs);
        song.Reset();
    }
    return songs;
}
