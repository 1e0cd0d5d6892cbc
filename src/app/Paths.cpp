#include "app/Paths.h"

#include "app/Config.h"
#include "app/Log.h"
#include "platform/Folders.h"

#include <cerrno>
#include <optional>
#include <sys/stat.h>

namespace kavrel {
namespace fs = std::filesystem;

namespace {

std::string withSeparator(const fs::path& folder)
{
    std::string text = folder.string();
    if (text.empty() || text.back() != '/')
        text += '/';
    return text;
}

std::optional<std::string>& programFolderSlot()
{
    static std::optional<std::string> folder;
    return folder;
}

std::optional<std::string>& appDataOverride()
{
    static std::optional<std::string> folder;
    return folder;
}

} // namespace

const std::string& ProgramFolder()
{
    auto& folder = programFolderSlot();
    if (!folder)
        folder = withSeparator(platform::defaultProgramFolder());
    return *folder;
}

void SetProgramFolder(const fs::path& folder)
{
    programFolderSlot() = withSeparator(folder);
}

std::string SkinsFolder()
{
    return ProgramFolder() + "skins/";
}

std::string TextFilePath()
{
    return ProgramFolder() + "text.xml";
}

std::string ConfigFilePath()
{
    return ProgramFolder() + "cfg.ini";
}

std::string AppDataFolder()
{
    if (const auto& overridden = appDataOverride())
        return *overridden;
    return withSeparator(platform::localAppDataFolder()) + Cfg.appdir + "/";
}

void SetAppDataFolderOverride(const fs::path& folder)
{
    appDataOverride() = withSeparator(folder);
}

bool MakeAppDataFolder(int* error)
{
    const std::string folder = AppDataFolder();
    WriteLog("Mk AppData=%s", folder.c_str());
    std::error_code exists;
    if (fs::is_directory(folder, exists))
        return true;
    // Outermost missing folder first: each level is made private to the user.
    fs::path made;
    for (const fs::path& part : fs::path(folder)) {
        made /= part;
        if (part.empty() || fs::is_directory(made, exists))
            continue;
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
            const int failure = errno;
            WriteLog("CreateDirectory err=%d", failure);
            if (error)
                *error = failure;
            return false;
        }
    }
    return true;
}

} // namespace kavrel
