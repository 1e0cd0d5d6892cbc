#include "xml/CharacterData.h"

#include "xml/CharacterEntities.h"
#include "xml/Utf.h"

#include <algorithm>
#include <optional>

namespace kavrel::xml {
namespace {

// Longest reference body worth looking at: "#x" and six hex digits with
// leading zeros allowed, or the longest entity name, with room to spare.
constexpr std::size_t MaxReferenceLength = 32;

bool isDigit(char c, bool hex)
{
    if (c >= '0' && c <= '9')
        return true;
    return hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

std::optional<char32_t> numericReference(std::string_view body)
{
    const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty())
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : digits) {
        if (!isDigit(c, hex))
            return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digitValue(c));
        if (value > 0x10FFFF)
            return std::nullopt;
    }
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    return static_cast<char32_t>(value);
}

// Resolves the reference at content[pos] ('&'); returns the position after it.
std::size_t appendReference(std::string_view content, std::size_t pos, std::string& out)
{
    const std::string_view window = content.substr(pos + 1, MaxReferenceLength);
    const std::size_t semicolon = window.find(';');
    if (semicolon != std::string_view::npos && semicolon > 0) {
        const std::string_view body = window.substr(0, semicolon);
        const std::optional<char32_t> codePoint = body[0] == '#' ? numericReference(body) : namedEntity(body);
        if (codePoint) {
            utf::appendUtf8(out, *codePoint);
            return pos + 1 + semicolon + 1;
        }
    }
    out += '&';
    return pos + 1;
}

// The position after the markup terminator, or the end of the content when it is missing.
std::size_t after(std::string_view content, std::size_t from, std::string_view terminator)
{
    const std::size_t found = content.find(terminator, from);
    return found == std::string_view::npos ? content.size() : found + terminator.size();
}

// Stray end tags and declarations end at '>' (or before the next '<').
std::size_t afterStrayTag(std::string_view content, std::size_t from)
{
    const std::size_t found = content.find_first_of("<>", from);
    if (found == std::string_view::npos)
        return content.size();
    return content[found] == '>' ? found + 1 : found;
}

} // namespace

std::string characterData(std::string_view content)
{
    std::string out;
    out.reserve(content.size());
    std::size_t pos = 0;
    while (pos < content.size()) {
        const std::size_t special = content.find_first_of("<&", pos);
        if (special == std::string_view::npos) {
            out.append(content.substr(pos));
            break;
        }
        out.append(content.substr(pos, special - pos));
        pos = special;
        if (content[pos] == '&') {
            pos = appendReference(content, pos, out);
            continue;
        }
        const std::string_view rest = content.substr(pos);
        if (rest.starts_with("<!--")) {
            pos = after(content, pos + 4, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            const std::size_t end = std::min(content.find("]]>", pos + 9), content.size());
            out.append(content.substr(pos + 9, end - (pos + 9)));
            pos = std::min(end + 3, content.size());
        } else if (rest.starts_with("<?")) {
            pos = after(content, pos + 2, "?>");
        } else if (rest.starts_with("</") || rest.starts_with("<!")) {
            pos = afterStrayTag(content, pos + 2);
        } else {
            out += '<';
            ++pos;
        }
    }
    return out;
}

} // namespace kavrel::xml
