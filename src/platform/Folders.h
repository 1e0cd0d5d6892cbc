#pragma once

#include <filesystem>
#include <optional>

namespace kavrel::platform {

// The folder of the running executable (no trailing separator).
std::filesystem::path executableFolder();

// Where the program's own files (cfg.ini, text.xml, skins) live:
// $KAVREL_PROGRAM_DIR when set; else the executable's folder when it holds
// cfg.ini (build tree, portable copy); else the installed data folder, found
// from the executable's folder first (a moved prefix) and then at the path
// the build was configured with.
std::filesystem::path defaultProgramFolder();

// The private folder of the installed HID modules (<prefix>/<libdir>/kavrel),
// reached from the executable's folder; it may not exist (build tree).
std::filesystem::path installedModuleFolder();

// The user's data folder: $XDG_DATA_HOME, else ~/.local/share.
std::filesystem::path localAppDataFolder();

// The user's desktop: XDG_DESKTOP_DIR of ~/.config/user-dirs.dirs
// (or $XDG_CONFIG_HOME/user-dirs.dirs), else ~/Desktop.
std::filesystem::path desktopFolder();

// $HOME, else the password database's home folder, else the current folder.
std::filesystem::path homeFolder();

} // namespace kavrel::platform
