#include "music_doc.h"

#include "xml_text.h"

#include <windows.h>
#include <msxml2.h>
#include <oleauto.h>

using Microsoft::WRL::ComPtr;

namespace {

// MinGW's msxml2.h declares neither these class ids nor __uuidof for MSXML.
constexpr GUID kClsidDomDocument60 = {
    0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
constexpr GUID kClsidDomDocument30 = {
    0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};
constexpr GUID kIidXmlDomDocument2 = {
    0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

constexpr wchar_t kSongPath[] = L"/qqmusic/minemusiclist/minemusic/xsong_url";

// Owns a BSTR for the length of one call.
class Bstr {
  public:
    explicit Bstr(std::wstring_view text)
        : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr() = default;
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return value_; }
    BSTR* put() {
        SysFreeString(value_);
        value_ = nullptr;
        return &value_;
    }
    std::wstring str() const { return value_ ? std::wstring(value_, SysStringLen(value_)) : L""; }

  private:
    BSTR value_ = nullptr;
};

void SetProperty(IXMLDOMDocument2* doc, const wchar_t* name, VARIANT value) {
    Bstr n(name);
    doc->setProperty(n.get(), value); // properties a parser does not know are not fatal
}

VARIANT BoolVariant(bool v) {
    VARIANT var;
    VariantInit(&var);
    var.vt = VT_BOOL;
    var.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return var;
}

std::wstring TextOf(IXMLDOMNode* node) {
    Bstr text;
    if (!node || FAILED(node->get_text(text.put())))
        return {};
    return text.str();
}

std::wstring ChildText(IXMLDOMNode* parent, const wchar_t* name) {
    if (!parent)
        return {};
    ComPtr<IXMLDOMNode> child;
    Bstr query(name);
    if (parent->selectSingleNode(query.get(), &child) != S_OK)
        return {};
    return TextOf(child.Get());
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
    SetProperty(doc_.Get(), L"ProhibitDTD", BoolVariant(true));
    VARIANT xpath;
    VariantInit(&xpath);
    xpath.vt = VT_BSTR;
    xpath.bstrVal = SysAllocString(L"XPath");
    SetProperty(doc_.Get(), L"SelectionLanguage", xpath);
    VariantClear(&xpath);
}

MusicDocument::~MusicDocument() = default;

bool MusicDocument::LoadText(std::wstring text) {
    if (!doc_ || HasDocumentTypeDeclaration(text))
        return false;
    Bstr xml(text);
    std::wstring().swap(text);
    VARIANT_BOOL ok = VARIANT_FALSE;
    return SUCCEEDED(doc_->loadXML(xml.get(), &ok)) && ok == VARIANT_TRUE;
}

std::vector<SongFields> MusicDocument::SelectSongs() const {
    std::vector<SongFields> songs;
    if (!doc_)
        return songs;
    ComPtr<IXMLDOMNodeList> urls;
    Bstr path(kSongPath);
    if (FAILED(doc_->selectNodes(path.get(), &urls)) || !urls)
        return songs;
    long count = 0;
    urls->get_length(&count);
    songs.reserve(static_cast<size_t>(count));
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> url;
        if (FAILED(urls->get_item(i, &url)) || !url)
            continue;
        ComPtr<IXMLDOMNode> song;
        url->get_parentNode(&song);
        songs.push_back({TextOf(url.Get()), ChildText(song.Get(), L"xsinger_name"),
                         ChildText(song.Get(), L"xsong_name")});
    }
    return songs;
}
