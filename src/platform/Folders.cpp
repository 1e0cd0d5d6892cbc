#include "platform/Folders.h"

#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <string>
#include <system_error>
#include <unistd.h>

#ifndef KAVREL_INSTALL_DATADIR
#define KAVREL_INSTALL_DATADIR "/usr/local/share/kavrel"
#endif
// The installed data and module folders as seen from the installed executables' folder, so that an
// installed tree still works after its prefix was moved.
#ifndef KAVREL_DATADIR_FROM_BINDIR
#define KAVREL_DATADIR_FROM_BINDIR "../share/kavrel"
#endif
#ifndef KAVREL_PKGLIBDIR_FROM_BINDIR
#define KAVREL_PKGLIBDIR_FROM_BINDIR "../lib/kavrel"
#endif

namespace kavrel::platform {
namespace fs = std::filesystem;

namespace {

std::optional<std::string> environment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

// Expands the value of one user-dirs.dirs line: "$HOME/Desktop" or an absolute path.
std::optional<fs::path> parseUserDirValue(std::string value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0)
        return homeFolder() / fs::path(value.substr(5)).relative_path();
    if (!value.empty() && value.front() == '/')
        return fs::path(value);
    return std::nullopt;
}

} // namespace

fs::path executableFolder()
{
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return fs::current_path(error);
    return exe.parent_path();
}

fs::path defaultProgramFolder()
{
    if (auto overridden = environment("KAVREL_PROGRAM_DIR"))
        return fs::path(*overridden);
    fs::path beside = executableFolder();
    std::error_code error;
    if (fs::exists(beside / "cfg.ini", error))
        return beside;
    fs::path installed = (beside / KAVREL_DATADIR_FROM_BINDIR).lexically_normal();
    if (fs::exists(installed / "cfg.ini", error))
        return installed;
    return fs::path(KAVREL_INSTALL_DATADIR);
}

fs::path installedModuleFolder()
{
    return (executableFolder() / KAVREL_PKGLIBDIR_FROM_BINDIR).lexically_normal();
}

fs::path homeFolder()
{
    if (auto home = environment("HOME"))
        return fs::path(*home);
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return fs::path(entry->pw_dir);
    std::error_code error;
    return fs::current_path(error);
}

fs::path localAppDataFolder()
{
    if (auto dataHome = environment("XDG_DATA_HOME"); dataHome && fs::path(*dataHome).is_absolute())
        return fs::path(*dataHome);
    return homeFolder() / ".local" / "share";
}

fs::path desktopFolder()
{
    fs::path configHome = homeFolder() / ".config";
    if (auto xdgConfig = environment("XDG_CONFIG_HOME"); xdgConfig && fs::path(*xdgConfig).is_absolute())
        configHome = *xdgConfig;
    std::ifstream dirs(configHome / "user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DESKTOP_DIR=";
    while (std::getline(dirs, line)) {
        if (line.rfind(key, 0) != 0)
            continue;
        if (auto path = parseUserDirValue(line.substr(key.size())))
            return *path;
    }
    return homeFolder() / "Desktop";
}

} // namespace kavrel::platform
