#pragma once

#include "macro/MacroFile.h"
#include "macro/StMacro.h"
#include "platform/AtomicFile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The macro library on disk: the folder "Mac" in the application-data
// folder, one .mck file per macro, sub-folders as groups (with cfg.ini
// MacroDir on). Everything here runs on the interface thread.
namespace kavrel {

// Folder paths of this many characters or more are skipped by the walk and
// left alone by DeleteFolderTree.
inline constexpr std::size_t LibraryPathLimit = 257;

// Application-data folder + "Mac" (no trailing separator).
std::string MacroLibraryRoot();

// Why a macro or group name cannot become a file or folder name: empty, "."
// or "..", or holding "/" or a NUL character (it would name a place outside
// its folder). Empty when the name is fine.
std::string libraryNameProblem(std::string_view name);

// {folder}/{name} for a group, {folder}/{name}.mck for a macro; nullopt
// (with the problem in the log) for a name that libraryNameProblem refuses.
std::optional<std::string> libraryChildPath(std::string_view folder, std::string_view name, bool group);

// The text a library item shows for a file: its name cut at the last ".".
std::string macroTitleOfFileName(std::string_view fileName);

// Where the walk reports what it finds; the library view implements it.
class MacroFolderSink {
public:
    virtual ~MacroFolderSink() = default;
    // A group folder; returns the parent handle for what is inside it.
    virtual void* addGroup(void* parent, const std::string& name, const std::string& iconPath) = 0;
    // An accepted macro file, with its title (file name cut at its last ".").
    virtual void addMacro(void* parent, const std::string& title, const std::string& path, const StMacro& macro) = 0;
    // A file named *.mck that cannot be used (short, not a macro, mouse
    // actions not allowed). Other files that are not macros are not reported.
    virtual void addDamaged(
        void* parent, const std::string& title, const std::string& path, const MacroReadResult& read)
    {
        (void)parent, (void)title, (void)path, (void)read;
    }
};

struct LoadMacroOptions {
    MacroFolderSink* view = nullptr; // none at start-up
    void* parent = nullptr; // the view's item for the folder
    bool newIds = false; // fresh dwId from MakeTimeId, bit 30 of dwFlags set
    bool subFolders = false; // cfg.ini MacroDir
    bool addToList = false; // append accepted macros to MacroList
    bool anyMouseKeys = false; // accept every mouse action, whatever cfg.ini MacroHasMsKey allows
};

// Reads a library folder in the order the folder listing gives: every file,
// whatever its extension, that holds a valid macro (834 bytes, magic, mouse
// keys allowed by MacroHasMsKey unless options.anyMouseKeys); sub-folders not beginning with "." or "$"
// when both recurse and options.subFolders are on. Files that fail are
// skipped without a message; nothing on disk changes. Always true.
bool LoadMacroFolder(const std::string& folder, bool recurse, const LoadMacroOptions& options);

// Creates every missing folder of a file's path. A failure logs
// "MakeSureFolderExist: create dir %s, err=0x%x" and returns false.
bool MakeSureFolderExist(const std::string& filePath);

// Opens a whole-file replacement of the path (create-always; the file
// changes when the result is committed). A missing folder is created and the
// open tried again; other failures log "MyCreateFile: %s, error=0x%x".
platform::AtomicFile MyCreateFile(const std::filesystem::path& path);

// Copies a file; fails when the destination exists. A missing destination
// folder is created and the copy tried again; other failures log
// "MyCopyFile: %s, error=0x%x" with the source path.
bool MyCopyFile(const std::string& source, const std::string& destination);

// Deletes every file and sub-folder below the folder, then the folder;
// sub-folders beginning with "." or "$" are left (and so is the folder then).
// Symbolic links are removed, never followed. A file that cannot be deleted
// logs "DeleteFile %s, err=%d" and stops with false. errorOut gets the errno
// of a failure; a path of 257 characters or more returns true untouched.
bool DeleteFolderTree(const std::string& folder, int* errorOut = nullptr);

// True for the errors of a folder or file that is not there (nothing to delete).
bool isMissingPathError(int error);

// Copies every file below the chosen folder (sub-folders beginning with "."
// or "$" skipped) to {destination}/{chosen folder's name}/{path below it};
// a failed copy does not stop the others. Returns the number copied.
int CopyFolderInto(const std::string& chosen, const std::string& destination);

} // namespace kavrel
