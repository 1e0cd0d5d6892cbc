// kavrel-cli profile / export / import: a profile's name and program link,
// and a profile shared as a .kavrel-profile file. Every change is stored
// through the profile store (whole files replaced atomically); a refused
// argument or file changes nothing.

#include "Cli.h"
#include "ProfileArgument.h"
#include "ProgramFiles.h"

#include "app/Config.h"
#include "app/Paths.h"
#include "macro/MacroLibrary.h"
#include "macro/ProfileFile.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <unistd.h>

namespace kavrel::cli {
namespace {

struct ProfileSettings {
    std::string profile;
    std::optional<std::string> name;
    std::optional<std::string> program; // empty: no program
};

std::optional<ProfileSettings> parseProfileSettings(std::span<const std::string> args)
{
    ProfileSettings parsed;
    bool haveProfile = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--name" || arg == "--program") {
            if (i + 1 >= args.size())
                return usageError("profile", arg + " needs a value"), std::nullopt;
            (arg == "--name" ? parsed.name : parsed.program) = args[++i];
            if (arg == "--program" && parsed.program->empty())
                return usageError("profile", "--program needs a name (--no-program turns switching off)"), std::nullopt;
        } else if (arg == "--no-program") {
            parsed.program = std::string();
        } else if (arg.starts_with("--")) {
            return usageError("profile", "unknown option " + arg), std::nullopt;
        } else if (!haveProfile) {
            parsed.profile = arg;
            haveProfile = true;
        } else {
            return usageError("profile", "takes one profile"), std::nullopt;
        }
    }
    if (!haveProfile)
        return usageError("profile", "needs a profile (index, 0x id or name)"), std::nullopt;
    if (!parsed.name && !parsed.program)
        return usageError("profile", "give --name, --program or --no-program"), std::nullopt;
    return parsed;
}

// Stores ProfileList (and the current id, so that the store names a profile it holds).
bool storeProfiles(const char* command)
{
    std::error_code error;
    std::filesystem::create_directories(AppDataFolder(), error);
    if (!SaveProfiles()) {
        std::fprintf(
            stderr, "kavrel-cli %s: the profiles could not be saved to %s\n", command, StoreFilePath().c_str());
        return false;
    }
    if (!SaveCurrentId()) {
        std::fprintf(stderr, "kavrel-cli %s: the current profile could not be saved to %s\n", command,
            CurrentIdFilePath().c_str());
        return false;
    }
    return true;
}

int runProfile(std::span<const std::string> args)
{
    const auto parsed = parseProfileSettings(args);
    if (!parsed)
        return ExitUsage;
    // Every value is checked before anything is loaded or changed.
    if (parsed->name) {
        if (const std::string problem = profileNameProblem(*parsed->name); !problem.empty()) {
            std::fprintf(stderr, "kavrel-cli profile: %s\n", problem.c_str());
            return ExitFailure;
        }
    }
    if (parsed->program) {
        if (const std::string problem = programNameProblem(*parsed->program); !problem.empty()) {
            std::fprintf(stderr, "kavrel-cli profile: %s\n", problem.c_str());
            return ExitFailure;
        }
    }
    LoadedProfile loaded = loadProfileArgument(parsed->profile);
    if (!loaded.profile) {
        std::fprintf(stderr, "kavrel-cli profile: %s\n", loaded.error.c_str());
        return ExitFailure;
    }
    if (parsed->name)
        setProfileName(*loaded.profile, *parsed->name);
    if (parsed->program)
        setProfileProgramName(*loaded.profile, *parsed->program);
    if (!storeProfiles("profile"))
        return ExitFailure;
    const std::string program = profileProgramName(*loaded.profile);
    std::printf("profile %s: name \"%s\", %s\n", hexId(loaded.profile->id).c_str(),
        profileName(*loaded.profile).c_str(),
        program.empty() ? "no automatic switching" : ("switches when " + program + " runs").c_str());
    return ExitOk;
}

int runExport(std::span<const std::string> args)
{
    std::vector<std::string> plain;
    bool force = false;
    for (const std::string& arg : args) {
        if (arg == "--force")
            force = true;
        else
            plain.push_back(arg);
    }
    if (plain.size() != 2)
        return usageError("export", "needs a PROFILE and a FILE");
    LoadedProfile loaded = loadProfileArgument(plain[0]);
    if (!loaded.profile) {
        std::fprintf(stderr, "kavrel-cli export: %s\n", loaded.error.c_str());
        return ExitFailure;
    }
    const std::filesystem::path file = plain[1];
    std::error_code error;
    if (!force && std::filesystem::symlink_status(file, error).type() != std::filesystem::file_type::not_found) {
        std::fprintf(stderr, "kavrel-cli export: %s already exists (--force replaces it)\n", file.c_str());
        return ExitFailure;
    }
    std::string message;
    ProfileExport exported;
    if (!exportProfileFile(*loaded.profile, file, &message, &exported)) {
        std::fprintf(stderr, "kavrel-cli export: %s\n", message.c_str());
        return ExitFailure;
    }
    for (const int key : exported.droppedKeys)
        std::fprintf(stderr,
            "kavrel-cli export: key %d names a macro the library does not hold; exported with "
            "its factory function\n",
            key);
    std::printf("exported profile \"%s\" with %d macros to %s\n", profileName(*loaded.profile).c_str(),
        exported.macroCount, file.c_str());
    return ExitOk;
}

int runImport(std::span<const std::string> args)
{
    if (args.size() != 2)
        return usageError("import", "needs a PROFILE (the slot to import into) and a FILE");
    LoadedProfile loaded = loadProfileArgument(args[0]);
    if (!loaded.profile) {
        std::fprintf(stderr, "kavrel-cli import: %s\n", loaded.error.c_str());
        return ExitFailure;
    }
    // The whole file is checked before anything is changed.
    const ProfileFileRead read = readProfileFile(args[1], Cfg.MacroHasMsKey);
    if (!read.ok()) {
        std::fprintf(stderr, "kavrel-cli import: %s Nothing was changed.\n", read.message.c_str());
        return ExitFailure;
    }
    const ProfileImportPlan plan = planProfileImport(
        read.content, loaded.profile->id, {.libraryRoot = MacroLibraryRoot(), .groups = Cfg.MacroDir != 0});
    std::string message;
    if (!writeImportedMacros(plan, &message)) {
        std::fprintf(stderr, "kavrel-cli import: %s\n", message.c_str());
        return ExitFailure;
    }
    const PROFILE before = *loaded.profile;
    commitProfileImport(plan, *loaded.profile);
    if (!storeProfiles("import")) {
        *loaded.profile = before;
        for (const ImportedMacro& macro : plan.macros)
            ::unlink(macro.path.c_str());
        std::fprintf(stderr, "kavrel-cli import: nothing was imported\n");
        return ExitFailure;
    }
    std::printf("imported \"%s\" into profile %s\n", profileName(plan.profile).c_str(), hexId(plan.profile.id).c_str());
    for (const ImportedMacro& macro : plan.macros) {
        std::printf("macro %s -> %s%s\n", hexId(macro.macro.dwId).c_str(), macro.path.c_str(),
            macro.renamed ? " (name or id was taken: new name and id)" : "");
    }
    return ExitOk;
}

} // namespace

KAVREL_CLI_COMMAND("profile", "PROFILE [--name TEXT] [--program NAME | --no-program]",
    "rename a profile or set the program it switches to automatically", runProfile);
KAVREL_CLI_COMMAND(
    "export", "PROFILE FILE [--force]", "write a profile and the macros it uses to a .kavrel-profile file", runExport);
KAVREL_CLI_COMMAND(
    "import", "PROFILE FILE", "read a .kavrel-profile file into a profile, its macros into the library", runImport);

} // namespace kavrel::cli
