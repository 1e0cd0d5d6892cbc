#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kavrel::cli {

// Loads text.xml and cfg.ini from the program folder as the program does at
// start-up (cfg.ini's message boxes go to standard error).
void loadProgramFiles();

// Takes "--json" out of the arguments; true when it was there.
bool takeJsonFlag(std::span<const std::string> args, std::string* firstOther, int* otherCount);

// What a command loads before it runs, in this order.
enum LoadStep : unsigned {
    LoadProgramFiles = 0x1, // text.xml and cfg.ini
    LoadMacroLibrary = 0x2, // every macro file, as the program's start-up reads them
    LoadProfileStore = 0x4, // pro.dct and curid.dct (read only)
};

// The opening every listing command shares: "--json" anywhere, exactly
// `arguments` other arguments (else the usage error: "unexpected argument X"
// for a command that takes none, `countProblem` otherwise), then the loads.
struct CommandOpening {
    std::string_view command{};
    int arguments = 0;
    std::string_view countProblem{};
    unsigned loads = LoadProgramFiles;
};

struct OpenedCommand {
    bool json = false;
    std::string argument; // the first argument other than --json
};

// Nothing when the arguments do not fit; the usage error is then printed and
// the command returns ExitUsage.
std::optional<OpenedCommand> openCommand(std::span<const std::string> args, const CommandOpening& opening);

// Loads what the steps name.
void loadFor(unsigned steps);

// Text that is safe to print: ill-formed UTF-8 (file names) becomes U+FFFD.
std::string printable(std::string_view text);

// A profile or macro id as the user sees it: 0x followed by six hex digits.
std::string hexId(std::uint32_t id);

} // namespace kavrel::cli
