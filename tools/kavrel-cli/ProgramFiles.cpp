#include "ProgramFiles.h"

#include "Cli.h"

#include <cstdio>

#include "app/Config.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "macro/MacroLibrary.h"
#include "model/ProfileStore.h"
#include "xml/Utf.h"

namespace kavrel::cli {

void loadProgramFiles()
{
    LoadTexts(TextFilePath());
    LoadConfig();
}

void loadFor(unsigned steps)
{
    if (steps & LoadProgramFiles)
        loadProgramFiles();
    if (steps & LoadMacroLibrary)
        LoadMacroFolder(MacroLibraryRoot(), true, {.subFolders = Cfg.MacroDir != 0, .addToList = true});
    if (steps & LoadProfileStore)
        OpenStore();
}

std::optional<OpenedCommand> openCommand(std::span<const std::string> args, const CommandOpening& opening)
{
    OpenedCommand opened;
    int others = 0;
    opened.json = takeJsonFlag(args, &opened.argument, &others);
    if (others != opening.arguments) {
        if (opening.arguments == 0)
            usageError(opening.command, "unexpected argument " + opened.argument);
        else
            usageError(opening.command, opening.countProblem);
        return std::nullopt;
    }
    loadFor(opening.loads);
    return opened;
}

bool takeJsonFlag(std::span<const std::string> args, std::string* firstOther, int* otherCount)
{
    bool json = false;
    *otherCount = 0;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            json = true;
            continue;
        }
        if (++*otherCount == 1)
            *firstOther = arg;
    }
    return json;
}

std::string printable(std::string_view text)
{
    return utf::isValidUtf8(text) ? std::string(text) : utf::toUtf8(utf::toUtf16(text));
}

std::string hexId(std::uint32_t id)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", unsigned(id));
    return text;
}

} // namespace kavrel::cli
