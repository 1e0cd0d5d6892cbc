#include "xml/DocumentDecoder.h"

#include "xml/Charset.h"
#include "xml/Utf.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace kavrel::xml {
namespace {

constexpr std::size_t HeadBytes = 1024;
constexpr std::string_view Blanks = " \t\r\n";

std::string withoutZeroBytes(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    std::copy_if(bytes.begin(), bytes.end(), std::back_inserter(out), [](char c) { return c != '\0'; });
    return out;
}

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
        [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return out;
}

bool isBlank(char c)
{
    return Blanks.find(c) != std::string_view::npos;
}

// The value of attribute `name` (lower case) inside a tag's text (between
// "<" and ">"); empty when absent. Values may be quoted or bare.
std::string attributeValue(std::string_view tag, std::string_view name)
{
    std::size_t pos = 0;
    // Skip the element name.
    while (pos < tag.size() && !isBlank(tag[pos]))
        ++pos;
    while (pos < tag.size()) {
        while (pos < tag.size() && (isBlank(tag[pos]) || tag[pos] == '/'))
            ++pos;
        const std::size_t nameStart = pos;
        while (pos < tag.size() && !isBlank(tag[pos]) && tag[pos] != '=' && tag[pos] != '/')
            ++pos;
        const std::string attribute = lowerAscii(tag.substr(nameStart, pos - nameStart));
        while (pos < tag.size() && isBlank(tag[pos]))
            ++pos;
        if (pos >= tag.size() || tag[pos] != '=') {
            if (pos == nameStart)
                ++pos; // a stray character: step over it
            continue;
        }
        ++pos;
        while (pos < tag.size() && isBlank(tag[pos]))
            ++pos;
        std::size_t valueStart = pos;
        std::size_t valueEnd = pos;
        if (pos < tag.size() && (tag[pos] == '"' || tag[pos] == '\'')) {
            valueStart = pos + 1;
            valueEnd = tag.find(tag[pos], valueStart);
            if (valueEnd == std::string_view::npos)
                valueEnd = tag.size();
            pos = std::min(tag.size(), valueEnd + 1);
        } else {
            while (pos < tag.size() && !isBlank(tag[pos]))
                ++pos;
            valueEnd = pos;
        }
        if (attribute == name)
            return std::string(tag.substr(valueStart, valueEnd - valueStart));
    }
    return {};
}

std::string xmlDeclarationEncoding(std::string_view head)
{
    const std::size_t start = head.find_first_not_of(Blanks);
    if (start == std::string_view::npos || head.substr(start, 5) != "<?xml")
        return {};
    std::string_view declaration = head.substr(start + 5);
    declaration = declaration.substr(0, declaration.find("?>"));
    return attributeValue(std::string("xml ").append(declaration), "encoding");
}

std::string htmlMetaCharset(std::string_view head)
{
    const std::string lower = lowerAscii(head);
    const std::size_t html = lower.find("<html");
    const std::size_t headTag = html == std::string::npos ? html : lower.find("<head", html);
    if (headTag == std::string::npos)
        return {};
    for (std::size_t meta = lower.find("<meta", headTag); meta != std::string::npos;
         meta = lower.find("<meta", meta + 5)) {
        const std::size_t close = lower.find('>', meta);
        const std::string_view tag = std::string_view(lower).substr(
            meta + 1, close == std::string::npos ? std::string::npos : close - meta - 1);
        if (attributeValue(tag, "http-equiv") != "content-type")
            continue;
        const std::string content = attributeValue(tag, "content");
        const std::size_t charset = content.find("charset=");
        if (charset == std::string::npos)
            continue;
        const std::string value = content.substr(charset + 8);
        return value.substr(0, value.find_first_of("; \t\r\n\"'"));
    }
    return {};
}

struct UnitEncoding {
    CharsetKind kind;
    std::size_t skip; // bytes of the byte order mark
    const char* how;
};

// -1 past the end, so that a short file never matches a mark.
int byteAt(std::string_view bytes, std::size_t i)
{
    return i < bytes.size() ? static_cast<std::uint8_t>(bytes[i]) : -1;
}

// UTF-8 byte order mark, or the 16/32-bit encodings by mark or by the zero
// bytes around a leading "<".
std::optional<UnitEncoding> unitEncodingOf(std::string_view bytes)
{
    const auto b = [&](std::size_t i) { return byteAt(bytes, i); };
    if (b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF)
        return UnitEncoding{CharsetKind::Utf8, 3, "byte order mark"};
    if (b(0) == 0xFF && b(1) == 0xFE && b(2) == 0 && b(3) == 0)
        return UnitEncoding{CharsetKind::Utf32LE, 4, "byte order mark"};
    if (b(0) == 0 && b(1) == 0 && b(2) == 0xFE && b(3) == 0xFF)
        return UnitEncoding{CharsetKind::Utf32BE, 4, "byte order mark"};
    if (b(0) == 0xFF && b(1) == 0xFE)
        return UnitEncoding{CharsetKind::Utf16LE, 2, "byte order mark"};
    if (b(0) == 0xFE && b(1) == 0xFF)
        return UnitEncoding{CharsetKind::Utf16BE, 2, "byte order mark"};
    if (b(0) == '<' && b(1) == 0 && b(2) == 0 && b(3) == 0)
        return UnitEncoding{CharsetKind::Utf32LE, 0, "zero bytes around '<'"};
    if (b(0) == 0 && b(1) == 0 && b(2) == 0 && b(3) == '<')
        return UnitEncoding{CharsetKind::Utf32BE, 0, "zero bytes around '<'"};
    if (b(0) == '<' && b(1) == 0 && b(2) != 0 && b(3) == 0)
        return UnitEncoding{CharsetKind::Utf16LE, 0, "zero bytes around '<'"};
    if (b(0) == 0 && b(1) == '<' && b(2) == 0 && b(3) != 0)
        return UnitEncoding{CharsetKind::Utf16BE, 0, "zero bytes around '<'"};
    return std::nullopt;
}

std::string decodeUnits(std::string_view bytes, CharsetKind kind)
{
    switch (kind) {
    case CharsetKind::Utf16LE:
        return utf16ToUtf8(bytes, false);
    case CharsetKind::Utf16BE:
        return utf16ToUtf8(bytes, true);
    case CharsetKind::Utf32LE:
        return utf32ToUtf8(bytes, false);
    case CharsetKind::Utf32BE:
        return utf32ToUtf8(bytes, true);
    default:
        return utf::toValidUtf8(withoutZeroBytes(bytes));
    }
}

const char* kindName(CharsetKind kind)
{
    switch (kind) {
    case CharsetKind::Utf16LE:
        return "UTF-16LE";
    case CharsetKind::Utf16BE:
        return "UTF-16BE";
    case CharsetKind::Utf32LE:
        return "UTF-32LE";
    case CharsetKind::Utf32BE:
        return "UTF-32BE";
    default:
        return "UTF-8";
    }
}

bool isUnitKind(CharsetKind kind)
{
    return kind == CharsetKind::Utf16LE || kind == CharsetKind::Utf16BE || kind == CharsetKind::Utf32LE
        || kind == CharsetKind::Utf32BE;
}

// A byte-oriented file without byte order mark.
DecodedDocument decodeNarrow(std::string_view bytes)
{
    const std::string narrow = withoutZeroBytes(bytes);
    const std::string declared = declaredEncoding(narrow.substr(0, HeadBytes));
    if (declared.empty()) {
        const bool valid = utf::isValidUtf8(narrow);
        const char* how = !narrow.empty() && narrow[0] == '<' ? "UTF-8 (no encoding declared)"
            : valid                                           ? "UTF-8 (valid UTF-8)"
                                                              : "UTF-8 (system default set)";
        return {utf::toValidUtf8(narrow), valid ? how : std::string(how) + ", invalid bytes replaced"};
    }
    const std::optional<Charset> charset = findCharset(declared);
    if (!charset)
        return {utf::toValidUtf8(narrow), "unknown encoding '" + declared + "', read as UTF-8 (system default set)"};
    // A 16- or 32-bit encoding declared in a file whose characters are single bytes: the declaration is wrong.
    if (isUnitKind(charset->kind))
        return {utf::toValidUtf8(narrow), "encoding '" + declared + "' declared in an 8-bit file, read as UTF-8"};
    return {narrowToUtf8(narrow, *charset), "encoding '" + declared + "' (" + charset->name + ")"};
}

} // namespace

std::string declaredEncoding(std::string_view head)
{
    const std::string text = withoutZeroBytes(head);
    std::string name = xmlDeclarationEncoding(text);
    if (name.empty())
        name = htmlMetaCharset(text);
    return name;
}

DecodedDocument decodeDocument(std::string_view bytes)
{
    if (bytes.empty())
        return {{}, "empty file"};
    const std::optional<UnitEncoding> units = unitEncodingOf(bytes);
    if (!units)
        return decodeNarrow(bytes);
    return {decodeUnits(bytes.substr(units->skip), units->kind),
        std::string(kindName(units->kind)) + " (" + units->how + ")"};
}

} // namespace kavrel::xml
