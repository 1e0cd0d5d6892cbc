#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kavrel {

// Reader of the classic initialisation-file format that cfg.ini uses.
//
// - Lines end at LF (a CR before it is dropped); a UTF-8 byte-order mark at
//   the start is skipped.
// - "[name]" starts a section; text after the closing bracket is ignored, and
//   a line without one names the section by the rest of the line.
// - "key=value" lines belong to the section above them; lines before the
//   first section, lines without "=", and lines whose first non-blank
//   character is ';' or '#' (comments) are ignored.
// - Blanks (spaces and tabs) around section names, keys and values are
//   dropped; a value wrapped in one pair of matching quotes loses them.
// - Section and key names match without regard to ASCII letter case.
// - A key given twice in a section, or in two sections of the same name,
//   keeps its first value.
class IniFile {
public:
    static IniFile parse(std::string_view text);
    // A missing or unreadable file reads as an empty one.
    static IniFile load(const std::filesystem::path& path);

    // The value as written, or nothing when the key is absent.
    std::optional<std::string_view> value(std::string_view section, std::string_view key) const;

    // Reads a string into a buffer of bufferSize characters: absent gives
    // fallback; the result holds at most bufferSize - 1 characters.
    std::string getString(
        std::string_view section, std::string_view key, std::string_view fallback, std::size_t bufferSize) const;

    // An absent or empty key gives fallback; otherwise the leading decimal
    // digits (after an optional sign), 0 when there are none. Values beyond
    // the int range are clamped.
    int getInt(std::string_view section, std::string_view key, int fallback) const;

private:
    std::unordered_map<std::string, std::string> m_values; // "section\nkey" in lower case -> value
};

// The leading decimal integer of a text, clamped to int; 0 without digits.
int leadingInteger(std::string_view text);

} // namespace kavrel
