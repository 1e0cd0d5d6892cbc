#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kavrel::cli {

// Loads text.xml and cfg.ini from the program folder as the program does at
// start-up (cfg.ini's message boxes go to standard error).
void loadProgramFiles();

// Takes "--json" out of the arguments; true when it was there.
bool takeJsonFlag(std::span<const std::string> args, std::string* firstOther, int* otherCount);

// Text that is safe to print: ill-formed UTF-8 (file names) becomes U+FFFD.
std::string printable(std::string_view text);

// A profile or macro id as the user sees it: 0x followed by six hex digits.
std::string hexId(std::uint32_t id);

} // namespace kavrel::cli
