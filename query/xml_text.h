#pragma once
#include <optional>
#include <string>
#include <string_view>

// The encoding named in the XML declaration at the start of the bytes, lower
// case; nullopt when there is no declaration or it names none.
std::optional<std::string> DeclaredEncoding(std::string_view bytes);

// The Windows code page for an XML encoding name (case-insensitive), or 0 when
// the tool does not know it or the system cannot convert it.
unsigned CodePageForEncoding(std::string_view name);

// Text as the bytes of a code page (CP_UTF8, 936, ...); characters the code
// page lacks become its default character.
std::string EncodeText(std::wstring_view text, unsigned codePage);

// Turns the body of an XML answer into UTF-16 text by its byte-order mark or its
// declared encoding (none means UTF-8) and drops the XML declaration, so the
// text can be handed to the parser as it is. nullopt when the encoding is
// unknown or the bytes cannot be converted.
std::optional<std::wstring> DecodeXmlBytes(std::string_view bytes);

// True when the prolog carries a document type declaration. The music list
// never has one; refusing it keeps entity expansion and external entities out
// whatever the parser's own settings do.
bool HasDocumentTypeDeclaration(std::wstring_view text);
