#pragma once

#include <string>
#include <string_view>

namespace kavrel::xml {

struct DecodedDocument {
    std::string text; // UTF-8
    std::string description; // the encoding found and how, for diagnostics
};

// Turns the bytes of an XML or HTML file into UTF-8 text. The encoding comes
// from a byte order mark, else from the XML declaration's encoding or an HTML
// meta charset in the first 1024 bytes, else UTF-8. A file whose first
// characters are 16- or 32-bit units ("<" followed or preceded by zero
// bytes) is read as such even without a byte order mark. Zero units are
// dropped; undecodable bytes become U+FFFD.
DecodedDocument decodeDocument(std::string_view bytes);

// The encoding a document declares within its first bytes (zero bytes
// ignored): the XML declaration's encoding value, else the charset of an
// HTML meta element with http-equiv "Content-Type" inside html and head.
std::string declaredEncoding(std::string_view head);

} // namespace kavrel::xml
