#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 / UTF-16 helpers shared by the whole program. The core keeps text as
// UTF-8; records that store wide characters (names, program names) hold
// UTF-16 code units.
namespace kavrel::utf {

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// The bytes with every ill-formed UTF-8 sequence replaced by U+FFFD (one per
// offending byte); valid input comes back unchanged.
std::string toValidUtf8(std::string_view bytes);

// Decodes UTF-8; ill-formed sequences become U+FFFD.
std::u16string toUtf16(std::string_view utf8);

// Encodes UTF-16; unpaired surrogates become U+FFFD. Stops at the first NUL.
std::string toUtf8(std::u16string_view utf16);

// Appends the UTF-8 form of one code point (U+FFFD for invalid ones).
void appendUtf8(std::string& out, char32_t codePoint);

// The first maxChars characters (code points) of a UTF-8 text; never splits a character.
std::string cutToCharacters(std::string_view utf8, std::size_t maxChars);

// The longest prefix of at most maxBytes bytes that does not end inside a character.
std::string cutToBytes(std::string_view utf8, std::size_t maxBytes);

// Number of code points in a UTF-8 text (each ill-formed byte counts as one).
std::size_t characterCount(std::string_view utf8);

} // namespace kavrel::utf
