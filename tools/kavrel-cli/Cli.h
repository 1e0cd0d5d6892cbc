#pragma once

#include <span>
#include <string>
#include <string_view>

// kavrel-cli's commands. Each lives in a file of its own and registers itself
// with KAVREL_CLI_COMMAND; main() handles the global options and dispatches.
namespace kavrel::cli {

inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

using CommandFunction = int (*)(std::span<const std::string> args);

struct Command {
    std::string_view name;
    std::string_view usage; // the arguments after the command name
    std::string_view summary;
    CommandFunction run;
};

struct CommandRegistration {
    explicit CommandRegistration(const Command& command);
};

// Prints "usage: ..." for one command to standard error and returns ExitUsage.
int usageError(std::string_view command, std::string_view problem);

} // namespace kavrel::cli

#define KAVREL_CLI_CONCAT2(a, b) a##b
#define KAVREL_CLI_CONCAT(a, b) KAVREL_CLI_CONCAT2(a, b)
#define KAVREL_CLI_COMMAND(...)                                                                                        \
    static const ::kavrel::cli::CommandRegistration KAVREL_CLI_CONCAT(cliRegistration, __LINE__)(                      \
        ::kavrel::cli::Command{__VA_ARGS__})
