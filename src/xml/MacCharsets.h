#pragma once

#include <array>
#include <string_view>

namespace kavrel::xml {

// The upper half (bytes 0x80..0xFF) of a single-byte character set, each
// byte's text as UTF-8 (some bytes stand for two or three characters).
// Bytes below 0x80 are ASCII.
using HighHalf = std::array<std::string_view, 128>;

// The Macintosh sets that the system converter lacks (or, for Icelandic,
// has in a form that differs from the one documents are written in).
extern const HighHalf MacArabic;
extern const HighHalf MacCroatian;
extern const HighHalf MacGreek;
extern const HighHalf MacHebrew;
extern const HighHalf MacIcelandic;
extern const HighHalf MacRomanian;
extern const HighHalf MacThai;
extern const HighHalf MacTurkish;

} // namespace kavrel::xml
