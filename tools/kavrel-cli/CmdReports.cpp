// kavrel-cli reports / apply / switch: what an apply of a stored profile writes, captured or sent to the keyboard.

#include "Cli.h"
#include "ProfileArgument.h"

#include "app/Config.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "device/ApplySetting.h"
#include "device/CUSBDriver.h"
#include "device/ReportCapture.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

namespace kavrel::cli {
namespace {

struct ApplyArguments {
    std::string profile;
    std::uint32_t flags = ApplyAll;
};

std::optional<ApplyArguments> parseApplyArguments(std::string_view command, std::span<const std::string> args)
{
    ApplyArguments parsed;
    bool haveProfile = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--flags") {
            char* end = nullptr;
            if (i + 1 >= args.size())
                return usageError(command, "--flags needs a hex value"), std::nullopt;
            const unsigned long flags = std::strtoul(args[++i].c_str(), &end, 16);
            if (*end != '\0' || flags == 0 || (flags & ~0x7ul) != 0)
                return usageError(command, "--flags takes a hex value of bits 0x1, 0x2, 0x4"), std::nullopt;
            parsed.flags = std::uint32_t(flags);
        } else if (!haveProfile) {
            parsed.profile = args[i];
            haveProfile = true;
        } else {
            return usageError(command, "takes one profile"), std::nullopt;
        }
    }
    if (!haveProfile)
        return usageError(command, "needs a profile (index, 0x id or name)"), std::nullopt;
    return parsed;
}

std::string hexBytes(const std::vector<std::uint8_t>& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

int runReports(std::span<const std::string> args)
{
    const auto parsed = parseApplyArguments("reports", args);
    if (!parsed)
        return ExitUsage;
    LoadedProfile loaded = loadProfileArgument(parsed->profile);
    if (!loaded.profile) {
        std::fprintf(stderr, "kavrel-cli reports: %s\n", loaded.error.c_str());
        return ExitFailure;
    }
    ReportCapture capture;
    if (!ApplySetting(&capture, nullptr, loaded.profile, parsed->flags)) {
        std::fprintf(stderr, "kavrel-cli reports: the profile could not be encoded\n");
        return ExitFailure;
    }
    for (const ReportCapture::Report& report : capture.reports)
        std::printf("report %u %zu %s\n", report.bytes[0], report.bytes.size(), hexBytes(report.bytes).c_str());
    std::printf("sent %zu reports\n", capture.reports.size());
    return ExitOk;
}

// Progress of an apply on standard error.
class ConsoleProgress : public ApplyProgress {
public:
    void progress(int percent) override { std::fprintf(stderr, "apply: %d%%\n", percent); }
    void close() override { }
};

// Writes a loaded profile to the one keyboard attached; messages name the command.
bool applyToKeyboard(const char* command, const PROFILE& profile, std::uint32_t flags)
{
    CUSBDriver link;
    if (!link.Init()) {
        std::fprintf(stderr, "kavrel-cli %s: the HID access module could not be loaded\n", command);
        return false;
    }
    if (!link.FindDev()) {
        std::fprintf(stderr, "kavrel-cli %s: no keyboard %04X:%04X found\n", command, Cfg.VID, Cfg.PID);
        return false;
    }
    if (link.CountDevices() > 1) {
        std::fprintf(stderr, "kavrel-cli %s: more than one keyboard is plugged in\n", command);
        return false;
    }
    ConsoleProgress progress;
    if (!ApplySetting(&link, &progress, &profile, flags)) {
        std::fprintf(stderr, "kavrel-cli %s: writing to the keyboard failed\n", command);
        return false;
    }
    std::fprintf(stderr, "apply: done\n");
    return true;
}

int runApply(std::span<const std::string> args)
{
    const auto parsed = parseApplyArguments("apply", args);
    if (!parsed)
        return ExitUsage;
    LoadedProfile loaded = loadProfileArgument(parsed->profile);
    if (!loaded.profile) {
        std::fprintf(stderr, "kavrel-cli apply: %s\n", loaded.error.c_str());
        return ExitFailure;
    }
    return applyToKeyboard("apply", *loaded.profile, parsed->flags) ? ExitOk : ExitFailure;
}

// What a desktop hotkey runs: the whole profile to the keyboard, then it is the current profile (curid.dct),
// which the window program shows the next time it opens. Nothing is saved when the apply fails.
int runSwitch(std::span<const std::string> args)
{
    if (args.size() != 1)
        return usageError("switch", "takes one profile (index, 0x id or name)");
    LoadedProfile loaded = loadProfileArgument(args[0]);
    if (!loaded.profile) {
        std::fprintf(stderr, "kavrel-cli switch: %s\n", loaded.error.c_str());
        return ExitFailure;
    }
    if (!applyToKeyboard("switch", *loaded.profile, ApplyAll))
        return ExitFailure;
    CurrentProfile = loaded.profile;
    // Before the first save the profiles exist only in memory: store them, so the id names a stored profile.
    std::error_code error;
    std::filesystem::create_directories(AppDataFolder(), error);
    platform::WriteError saveError;
    if (!std::filesystem::exists(StoreFilePath(), error) && !SaveProfiles(&saveError)) {
        std::fprintf(stderr, "kavrel-cli switch: the profiles could not be saved to %s: %s\n", StoreFilePath().c_str(),
            std::strerror(saveError.error));
        return ExitFailure;
    }
    if (!SaveCurrentId(&saveError)) {
        std::fprintf(stderr, "kavrel-cli switch: the current profile could not be saved to %s: %s\n",
            CurrentIdFilePath().c_str(), std::strerror(saveError.error));
        return ExitFailure;
    }
    std::printf("current profile: %s\n", profileName(*loaded.profile).c_str());
    return ExitOk;
}

} // namespace

KAVREL_CLI_COMMAND(
    "reports", "PROFILE [--flags HEX]", "print the reports an apply of a stored profile would send", runReports);
KAVREL_CLI_COMMAND("apply", "PROFILE [--flags HEX]", "write a stored profile to the keyboard", runApply);
KAVREL_CLI_COMMAND(
    "switch", "PROFILE", "write a stored profile to the keyboard and make it the current one", runSwitch);

} // namespace kavrel::cli
