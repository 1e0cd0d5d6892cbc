#pragma once

#include "macro/MacroFile.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The disk side of the macro page's library commands (new, rename, delete,
// import, export, folder import). The page decides what to ask and show;
// these do the file work and report failures as errno values, so that no
// command replaces a file or folder it does not own.
namespace kavrel {

// Why a name typed for a macro or group cannot be used, as the text the user
// is shown; empty when it is fine. Refused: what libraryNameProblem refuses,
// and macro names longer than the 39 characters its record holds.
std::string macroNameProblem(std::string_view name);
std::string groupNameProblem(std::string_view name);

// A typed name cut at its last "." (the extension a user may have typed).
std::string nameWithoutExtension(std::string_view name);

// Whether anything is at the path: a file (valid macro or not), a folder or a
// link. Such a path is never replaced by a new macro, a rename or an import.
bool libraryPathTaken(const std::string& path);

// Moves a file or folder to a path that must be free; nothing at the
// destination is ever replaced. 0 on success, else the errno (EEXIST when
// the destination is taken).
int moveLibraryEntry(const std::string& from, const std::string& to);

// Deletes one macro file. 0 on success or when it was not there, else errno.
int deleteMacroFile(const std::string& path);

// Copies a file over the destination (export, after the user agreed to
// replace it); the destination appears whole or not at all. 0 or errno.
int copyFileReplacing(const std::string& source, const std::string& destination);

// Reads a macro file to import it: the file's checks (MacroHasMsKey mask),
// then szName = title (first 39 characters), a fresh dwId and both change
// bits set, so that the next flush writes it into the library.
MacroReadResult readMacroForImport(const std::string& path, std::string_view title, int mouseKeyMask);

// The title of a chosen file: its file name without the last extension.
std::string fileTitle(const std::string& path);

// The last component of a chosen folder (trailing separators ignored); empty
// when the path has none.
std::string folderName(const std::string& path);

struct PROFILE;

// A key of a stored profile that is assigned one of the given macros.
struct MacroKeyUse {
    std::string profile; // the profile's name
    int key = 0; // index in the key table
    std::string keyName; // the key's factory label ("F1", "A")
};
// Every such key, in every profile of ProfileList (in list order). The caller
// holds ApplyDataMutex().
std::vector<MacroKeyUse> keysUsingMacros(const std::vector<std::uint32_t>& ids);
// "F1 (Profile 1), A (Profile 3)".
std::string describeKeyUses(const std::vector<MacroKeyUse>& uses);
// ResetKeysOfMissingMacros on every profile of ProfileList; the number of keys reset.
int ResetKeysOfMissingMacrosEverywhere();

// A typed name without a ".mck" the user may have added; every other "."
// and the rest of the name are kept as typed.
std::string nameWithoutMacroExtension(std::string_view name);

// Gives every key of the profile that is assigned a macro no longer in
// MacroList its default assignment from the key table again (after a macro or
// group was deleted). Returns the indices of the keys it reset. The caller
// holds ApplyDataMutex().
std::vector<int> ResetKeysOfMissingMacros(PROFILE& profile);

} // namespace kavrel
