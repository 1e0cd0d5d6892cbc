// kavrel-cli profiles and show: the profile store as the main window opens
// it (OpenStore, in memory only; nothing is written).

#include "Cli.h"
#include "Json.h"
#include "ProfileArgument.h"
#include "ProgramFiles.h"

#include "app/Config.h"
#include "macro/KeyLabel.h"
#include "model/KeyNames.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kavrel::cli {
namespace {

void writeSummary(JsonWriter& json, int index, const PROFILE& profile)
{
    json.key("index")
        .value(index)
        .key("id")
        .value(hexId(profile.id))
        .key("name")
        .value(profileName(profile))
        .key("programName")
        .value(profileProgramName(profile))
        .key("current")
        .boolean(&profile == CurrentProfile);
}

int runProfiles(std::span<const std::string> args)
{
    const auto opened = openCommand(args, {.command = "profiles", .loads = LoadProgramFiles | LoadProfileStore});
    if (!opened)
        return ExitUsage;
    const bool json = opened->json;
    if (json) {
        JsonWriter out;
        out.beginArray();
        int index = 0;
        for (const PROFILE& profile : ProfileList) {
            out.newline().beginObject();
            writeSummary(out, ++index, profile);
            out.endObject();
        }
        out.newline().endArray();
        std::printf("%s\n", out.text().c_str());
        return ExitOk;
    }
    std::printf("%-3s %-8s  %-20s %-20s %s\n", "#", "id", "name", "program", "current");
    int index = 0;
    for (const PROFILE& profile : ProfileList) {
        std::printf("%-3d %-8s  %-20s %-20s %s\n", ++index, hexId(profile.id).c_str(), profileName(profile).c_str(),
            profileProgramName(profile).c_str(), &profile == CurrentProfile ? "*" : "");
    }
    return ExitOk;
}

void printShowText(int index, const PROFILE& profile)
{
    std::printf("profile %d: %s (id %s)%s\n", index, profileName(profile).c_str(), hexId(profile.id).c_str(),
        &profile == CurrentProfile ? ", current" : "");
    std::printf("program: %s\n", profileProgramName(profile).c_str());
    std::printf("lighting: mode %u, colour set %u\n", unsigned(profile.ledMode), unsigned(profile.colorSet));
    for (int mode = 0; mode < LedModeCount; ++mode) {
        std::printf("  mode %d: speed %u, brightness %u\n", mode, unsigned(profile.ledLevels[mode].speed),
            unsigned(profile.ledLevels[mode].brightness));
    }
    std::printf("changed keys:\n");
    int changed = 0;
    for (int i = 0; i < KeyCount; ++i) {
        if (sameAssignment(profile.keys[i], KeyTable[std::size_t(i)]))
            continue;
        ++changed;
        std::printf("  %s -> %s\n", keyinfo_to_text(KeyTable[std::size_t(i)]).c_str(),
            keyinfo_to_text(profile.keys[i]).c_str());
    }
    if (changed == 0)
        std::printf("  none\n");
}

void printShowJson(int index, const PROFILE& profile)
{
    JsonWriter out;
    out.beginObject().newline();
    writeSummary(out, index, profile);
    out.newline()
        .key("lighting")
        .beginObject()
        .key("mode")
        .value(std::int64_t(profile.ledMode))
        .key("colorSet")
        .value(std::int64_t(profile.colorSet))
        .key("levels")
        .beginArray();
    for (const LedLevel& level : profile.ledLevels)
        out.beginObject().key("speed").value(level.speed).key("brightness").value(level.brightness).endObject();
    out.endArray().endObject();
    out.newline().key("changedKeys").beginArray();
    for (int i = 0; i < KeyCount; ++i) {
        const KEYINFO& factory = KeyTable[std::size_t(i)];
        if (sameAssignment(profile.keys[i], factory))
            continue;
        out.newline()
            .beginObject()
            .key("index")
            .value(i)
            .key("matrixIndex")
            .value(factory.matrixIndex)
            .key("key")
            .value(keyinfo_to_text(factory))
            .key("assignment")
            .value(keyinfo_to_text(profile.keys[i]))
            .endObject();
    }
    out.endArray().newline().endObject();
    std::printf("%s\n", out.text().c_str());
}

int runShow(std::span<const std::string> args)
{
    const auto opened = openCommand(args,
        {.command = "show",
            .arguments = 1,
            .countProblem = "needs one PROFILE",
            .loads = LoadProgramFiles | LoadMacroLibrary | LoadProfileStore});
    if (!opened)
        return ExitUsage;
    const bool json = opened->json;
    const std::string& wanted = opened->argument;
    int index = 0;
    const PROFILE* profile = findProfile(wanted, &index);
    if (!profile) {
        std::fprintf(stderr, "kavrel-cli show: no profile %s\n", wanted.c_str());
        return ExitFailure;
    }
    if (json)
        printShowJson(index, *profile);
    else
        printShowText(index, *profile);
    return ExitOk;
}

} // namespace

KAVREL_CLI_COMMAND("profiles", "[--json]", "list the profiles of the store and the current one", runProfiles);
KAVREL_CLI_COMMAND(
    "show", "PROFILE [--json]", "show a profile's lighting and changed keys (PROFILE: index, 0x id or name)", runShow);

} // namespace kavrel::cli
