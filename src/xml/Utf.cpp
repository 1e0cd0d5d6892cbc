#include "xml/Utf.h"

#include <cstdint>

namespace kavrel::utf {
namespace {

constexpr char32_t Replacement = 0xFFFD;

// Decodes one code point at bytes[pos]; returns its length in bytes, or 0 when ill-formed.
std::size_t decodeOne(std::string_view bytes, std::size_t pos, char32_t& codePoint)
{
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[pos + i]); };
    const std::uint8_t lead = byte(0);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (pos + length > bytes.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    char32_t codePoint = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t length = decodeOne(bytes, pos, codePoint);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

std::string toValidUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    char32_t codePoint = 0;
    std::size_t runStart = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t length = decodeOne(bytes, pos, codePoint);
        if (length != 0) {
            pos += length;
            continue;
        }
        out.append(bytes.substr(runStart, pos - runStart));
        appendUtf8(out, Replacement);
        runStart = ++pos;
    }
    out.append(bytes.substr(runStart));
    return out;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = Replacement;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::u16string toUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    char32_t cp = 0;
    for (std::size_t pos = 0; pos < utf8.size();) {
        std::size_t length = decodeOne(utf8, pos, cp);
        if (length == 0) {
            cp = Replacement;
            length = 1;
        }
        pos += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string toUtf8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size() && utf16[i] != 0; ++i) {
        char32_t cp = utf16[i];
        const bool high = cp >= 0xD800 && cp <= 0xDBFF;
        if (high && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        }
        appendUtf8(out, cp);
    }
    return out;
}

std::string cutToCharacters(std::string_view utf8, std::size_t maxChars)
{
    char32_t cp = 0;
    std::size_t pos = 0;
    for (std::size_t count = 0; pos < utf8.size() && count < maxChars; ++count) {
        const std::size_t length = decodeOne(utf8, pos, cp);
        pos += length == 0 ? 1 : length;
    }
    return std::string(utf8.substr(0, pos));
}

std::string cutToBytes(std::string_view utf8, std::size_t maxBytes)
{
    if (utf8.size() <= maxBytes)
        return std::string(utf8);
    std::size_t end = maxBytes;
    // Step back over continuation bytes to the start of the character that was cut.
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end;
    return std::string(utf8.substr(0, end));
}

std::size_t characterCount(std::string_view utf8)
{
    char32_t cp = 0;
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < utf8.size(); ++count) {
        const std::size_t length = decodeOne(utf8, pos, cp);
        pos += length == 0 ? 1 : length;
    }
    return count;
}

} // namespace kavrel::utf
