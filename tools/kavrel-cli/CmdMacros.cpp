// kavrel-cli macros and macro-show: the macro library as the main window
// reads it at start-up, and one .mck file read with the program's rules.

#include "Cli.h"
#include "Json.h"
#include "ProgramFiles.h"

#include "app/Config.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "macro/MacroLibrary.h"
#include "macro/MacroList.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace kavrel::cli {
namespace {

// The file of every macro the walk accepts, in walk order.
class PathCollector : public MacroFolderSink {
public:
    void* addGroup(void* parent, const std::string&, const std::string&) override { return parent; }
    void addMacro(void*, const std::string&, const std::string& path, const StMacro&) override
    {
        paths.push_back(path);
    }
    std::vector<std::string> paths;
};

std::string relativeToRoot(const std::string& path)
{
    const std::string root = MacroLibraryRoot() + "/";
    return path.starts_with(root) ? path.substr(root.size()) : path;
}

int runMacros(std::span<const std::string> args)
{
    const auto opened = openCommand(args, {.command = "macros"});
    if (!opened)
        return ExitUsage;
    const bool json = opened->json;
    PathCollector files;
    LoadMacroFolder(MacroLibraryRoot(), true, {.view = &files, .subFolders = Cfg.MacroDir != 0, .addToList = true});

    JsonWriter out;
    out.beginArray();
    std::size_t i = 0;
    if (!json)
        std::printf("%-8s  %-30s %-20s %-4s %-5s %s\n", "id", "file", "name", "mode", "count", "events");
    for (const StMacro& macro : MacroList) {
        const std::string file = printable(relativeToRoot(files.paths[i++]));
        if (!json) {
            std::printf("%-8s  %-30s %-20s %-4u %-5u %d\n", hexId(macro.dwId).c_str(), file.c_str(),
                macroName(macro).c_str(), unsigned(macro.dwLoopMode), unsigned(macro.wLoopCount),
                macroEventCount(macro));
            continue;
        }
        out.newline()
            .beginObject()
            .key("id")
            .value(hexId(macro.dwId))
            .key("file")
            .value(file)
            .key("name")
            .value(macroName(macro))
            .key("loopMode")
            .value(std::int64_t(macro.dwLoopMode))
            .key("loopCount")
            .value(std::int64_t(macro.wLoopCount))
            .key("events")
            .value(macroEventCount(macro))
            .endObject();
    }
    if (json)
        std::printf("%s\n", out.newline().endArray().text().c_str());
    return ExitOk;
}

void printMacroJson(const StMacro& macro)
{
    JsonWriter out;
    out.beginObject()
        .newline()
        .key("id")
        .value(hexId(macro.dwId))
        .newline()
        .key("name")
        .value(macroName(macro))
        .newline()
        .key("flags")
        .value(std::int64_t(macro.dwFlags))
        .newline()
        .key("autoDelay")
        .value(std::int64_t(macro.dwAutoDelay))
        .newline()
        .key("loopMode")
        .value(std::int64_t(macro.dwLoopMode))
        .newline()
        .key("loopCount")
        .value(std::int64_t(macro.wLoopCount))
        .newline()
        .key("events")
        .beginArray();
    const int count = macroEventCount(macro);
    for (int i = 0; i < count; ++i) {
        const StMacroEvent event = macro.Events[i];
        out.newline()
            .beginObject()
            .key("key")
            .value(std::int64_t(event.wKey))
            .key("name")
            .value(macroKeyName(event.wKey))
            .key("action")
            .value(event.wDown ? "press" : "release")
            .key("delay")
            .value(std::int64_t(event.dwDelay))
            .endObject();
    }
    out.endArray().newline().endObject();
    std::printf("%s\n", out.text().c_str());
}

void printMacroText(const StMacro& macro)
{
    std::printf("id: %s\nname: %s\nflags: 0x%08X\nauto delay: %u\nloop mode: %u\nloop count: %u\nevents: %d\n",
        hexId(macro.dwId).c_str(), macroName(macro).c_str(), unsigned(macro.dwFlags), unsigned(macro.dwAutoDelay),
        unsigned(macro.dwLoopMode), unsigned(macro.wLoopCount), macroEventCount(macro));
    const int count = macroEventCount(macro);
    for (int i = 0; i < count; ++i) {
        const StMacroEvent event = macro.Events[i];
        std::printf("  %2d  %-12s %-7s %u ms\n", i + 1, macroKeyName(event.wKey).c_str(),
            event.wDown ? "press" : "release", unsigned(event.dwDelay));
    }
}

std::string lowerAscii(std::string text)
{
    for (char& c : text)
        c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return text;
}

// The library files a name means, as `macros` lists them: the path below the library, the file name or its title
// (letter case ignored).
std::vector<std::string> libraryMatches(const std::string& wanted)
{
    PathCollector files;
    LoadMacroFolder(MacroLibraryRoot(), true, {.view = &files, .subFolders = Cfg.MacroDir != 0});
    const std::string key = lowerAscii(wanted);
    std::vector<std::string> found;
    for (const std::string& path : files.paths) {
        const std::string relative = lowerAscii(relativeToRoot(path));
        const std::string name = lowerAscii(std::filesystem::path(path).filename().string());
        if (relative == key || name == key || lowerAscii(macroTitleOfFileName(name)) == key)
            found.push_back(path);
    }
    return found;
}

void printReason(bool json, const std::string& reason)
{
    if (json)
        std::printf("%s\n", JsonWriter().beginObject().key("error").value(reason).endObject().text().c_str());
    else
        std::printf("%s\n", reason.c_str());
}

int runMacroShow(std::span<const std::string> args)
{
    const auto opened = openCommand(args, {.command = "macro-show", .arguments = 1, .countProblem = "needs one FILE"});
    if (!opened)
        return ExitUsage;
    const bool json = opened->json;
    std::string path = opened->argument;
    std::error_code error;
    if (std::filesystem::symlink_status(path, error).type() == std::filesystem::file_type::not_found) {
        const std::vector<std::string> matches = libraryMatches(path);
        if (matches.empty()) {
            printReason(json, "no macro file or library macro named " + printable(path));
            return ExitFailure;
        }
        if (matches.size() > 1) {
            std::string names;
            for (const std::string& match : matches)
                names += (names.empty() ? "" : ", ") + printable(relativeToRoot(match));
            printReason(json, "several library macros are named " + printable(path) + ": " + names);
            return ExitFailure;
        }
        path = matches.front();
    }
    const MacroReadResult read = ReadMacroFile(path, Cfg.MacroHasMsKey);
    if (!read.ok()) {
        printReason(json, macroReadMessage(read));
        return ExitFailure;
    }
    if (json)
        printMacroJson(read.macro);
    else
        printMacroText(read.macro);
    return ExitOk;
}

} // namespace

KAVREL_CLI_COMMAND("macros", "[--json]", "list the macros of the library as read at start-up", runMacros);
KAVREL_CLI_COMMAND("macro-show", "FILE|NAME [--json]",
    "read one .mck file, or a library macro by name, and print its fields and events", runMacroShow);

} // namespace kavrel::cli
