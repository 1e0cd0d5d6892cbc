#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace kavrel {

namespace xml {
class XmlDocument;
}

// The interface texts: one UTF-8 string per "tc_" key, read from the language
// file (text.xml in the program folder) once at start-up, before any window
// or thread exists, and read-only afterwards.

// Every key the program shows, in one list. A language file is complete when
// it gives each of them a text.
std::span<const std::string_view> TextKeys();

// Loads and parses the language file and fills every key. Never fails: keys
// the file does not give (or a file that cannot be read or parsed) get the
// empty text. Returns false when the file could not be read.
bool LoadTexts(const std::string& path);

// The same from the bytes of a language file (tests, tools).
void LoadTextsFromBytes(std::string_view bytes);

// The text of a key; the empty string for a key the file lacks or that is not
// in TextKeys(). The reference stays valid for the rest of the run.
const std::string& Text(std::string_view key);

// The text of a key with %1 ... %9 replaced by the values (a value past the
// list leaves nothing; every other character is kept as written).
std::string TextWith(std::string_view key, std::initializer_list<std::string_view> values);

// The text of `key` under the first element named `section` below the
// document's first top-level element; when that element lacks the key, the
// search goes on in a `section` element nested inside it, and so on. Names are
// compared exactly, letter case included. Empty when nothing is found.
std::string GetConfigText(xml::XmlDocument& document, std::string_view section, std::string_view key);

} // namespace kavrel
