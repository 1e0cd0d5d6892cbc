#pragma once

#include <filesystem>
#include <string>

// The folders every part of the program forms its file names from. Each is
// kept with a trailing '/', so "<folder>" + "name" is a path.
namespace kavrel {

// The program folder: cfg.ini, text.xml and the skins folder live here.
const std::string& ProgramFolder();
void SetProgramFolder(const std::filesystem::path& folder);

std::string SkinsFolder(); // program folder + "skins/"
std::string TextFilePath(); // program folder + "text.xml"
std::string ConfigFilePath(); // program folder + "cfg.ini"

// The application-data folder: the user's data folder + appdir + "/", unless
// an override is set (kavrel-cli --appdata-dir, tests).
std::string AppDataFolder();
void SetAppDataFolderOverride(const std::filesystem::path& folder);

// Creates the application-data folder when it is missing, with every missing
// parent (each 0700: on a new account ~/.local/share may not exist yet);
// logs "Mk AppData=%s" and, on failure, "CreateDirectory err=%d". False on
// failure, with errno in *error; a later save then reports it to the user.
bool MakeAppDataFolder(int* error = nullptr);

} // namespace kavrel
