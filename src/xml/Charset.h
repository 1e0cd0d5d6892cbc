#pragma once

#include "xml/MacCharsets.h"

#include <optional>
#include <string>
#include <string_view>

namespace kavrel::xml {

enum class CharsetKind {
    Utf8,
    Utf16LE,
    Utf16BE,
    Utf32LE,
    Utf32BE,
    Iconv, // converted by glibc iconv from the set named `name`
    Hz, // HZ-GB-2312: 7-bit GB2312 between "~{" and "~}"
    HighHalf, // single-byte set from `table`
};

// A character set that a language file may be written in.
struct Charset {
    CharsetKind kind = CharsetKind::Utf8;
    std::string name; // iconv's name of the set, or a label for the others
    const HighHalf* table = nullptr; // HighHalf only
};

// The set an encoding name stands for: the registered names and aliases that
// documents declare ("utf-8", "latin1", "windows-1251", "shift_jis",
// "x-mac-greek", "x-ebcdic-germany", ...), letter case ignored; names iconv
// knows itself are accepted too. Empty for an unknown name.
std::optional<Charset> findCharset(std::string_view declaredName);

// Decodes the bytes of a byte-oriented set (everything but UTF-16/UTF-32) to
// UTF-8. Bytes the set cannot decode become U+FFFD.
std::string narrowToUtf8(std::string_view bytes, const Charset& charset);

// Decodes UTF-16 or UTF-32 code units (an odd tail is ignored). Zero units are
// dropped; unpaired surrogates and values above U+10FFFF become U+FFFD.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);
std::string utf32ToUtf8(std::string_view bytes, bool bigEndian);

} // namespace kavrel::xml
