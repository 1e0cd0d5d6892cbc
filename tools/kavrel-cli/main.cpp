// kavrel-cli: the command line companion of the Kavrel window program.

#include "Cli.h"

#include "app/Paths.h"
#include "platform/AtomicFile.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace kavrel::cli {
namespace {

std::map<std::string_view, Command>& registry()
{
    static std::map<std::string_view, Command> commands;
    return commands;
}

void printUsage(std::FILE* stream)
{
    std::fprintf(stream,
        "usage: kavrel-cli [--program-dir DIR] [--appdata-dir DIR] COMMAND [ARGS]\n"
        "       kavrel-cli --help | --version\n\ncommands:\n");
    std::size_t width = 0;
    for (const auto& entry : registry())
        width = std::max(width, entry.first.size());
    for (const auto& [name, command] : registry())
        std::fprintf(stream, "  %-*.*s  %.*s\n", int(width), int(name.size()), name.data(), int(command.summary.size()),
            command.summary.data());
    std::fprintf(stream, "\nSee kavrel-cli(1) for the commands' options and the environment variables.\n");
}

} // namespace

CommandRegistration::CommandRegistration(const Command& command)
{
    registry().emplace(command.name, command);
}

int usageError(std::string_view command, std::string_view problem)
{
    const auto found = registry().find(command);
    std::fprintf(
        stderr, "kavrel-cli %.*s: %.*s\n", int(command.size()), command.data(), int(problem.size()), problem.data());
    if (found != registry().end())
        std::fprintf(stderr, "usage: kavrel-cli [global options] %.*s %.*s\n", int(command.size()), command.data(),
            int(found->second.usage.size()), found->second.usage.data());
    return ExitUsage;
}

} // namespace kavrel::cli

int main(int argc, char** argv)
{
    using namespace kavrel;
    std::vector<std::string> args(argv + 1, argv + argc);
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            cli::printUsage(stdout);
            return cli::ExitOk;
        }
        if (option == "--version") {
            std::printf("kavrel-cli %s\n", KAVREL_VERSION);
            return cli::ExitOk;
        }
        if (option != "--program-dir" && option != "--appdata-dir")
            break;
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            std::fprintf(stderr, "kavrel-cli: %s needs a folder\n", option.c_str());
            return cli::ExitUsage;
        }
        if (option == "--program-dir")
            SetProgramFolder(args[++i]);
        else
            SetAppDataFolderOverride(args[++i]);
    }
    if (i >= args.size()) {
        cli::printUsage(stderr);
        return cli::ExitUsage;
    }
    const auto found = cli::registry().find(args[i]);
    if (found == cli::registry().end()) {
        std::fprintf(stderr, "kavrel-cli: unknown command '%s'\n", args[i].c_str());
        cli::printUsage(stderr);
        return cli::ExitUsage;
    }
    // Saves of a process killed mid-write leave temporary files; a save still
    // running elsewhere keeps its own (see removeStaleTempFiles).
    platform::removeStaleTempFiles(AppDataFolder());
    const std::vector<std::string> rest(args.begin() + std::ptrdiff_t(i) + 1, args.end());
    return found->second.run(rest);
}
