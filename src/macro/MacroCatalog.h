#pragma once

#include "macro/MacroFile.h"

#include <cstdint>
#include <string>
#include <vector>

// The macro library as one walk of the disk found it: every group, every
// macro with the path of the file it was read from, and every .mck file that
// cannot be used, with why. MacroList holds the macros' records; the catalog
// holds where they are. The key function picker and the macro page both show
// this one library, so that a macro offered for a key is one an apply finds.
namespace kavrel {

struct LibraryEntry {
    enum class Kind { Group, Macro, Damaged };
    Kind kind = Kind::Macro;
    std::string name; // the text shown: a folder's name, a file's name cut at its last "."
    std::string path; // the folder or the file itself
    int parent = -1; // index of the enclosing group's entry; -1 at the library root
    std::uint32_t id = 0; // a macro's dwId
    MacroReadStatus problem = MacroReadStatus::Ok; // why a damaged file cannot be used
    int error = 0; // the errno of a damaged file that could not be read
    // A valid macro file whose id an earlier file of the walk already has:
    // that file's name. An id names one macro, so this one is not offered
    // (importing it gives it an id of its own).
    std::string sameIdAs;
};

using MacroLibraryEntries = std::vector<LibraryEntry>;

// The library last read; the interface thread reads and replaces it.
const MacroLibraryEntries& MacroCatalog();

// Reads the library root again (sub-folders with cfg.ini MacroDir, mouse
// actions as cfg.ini MacroHasMsKey allows) into the catalog and MacroList;
// a file whose id an earlier one has stays out of MacroList (see sameIdAs).
// A MacroList entry that still has unsaved changes (its write failed) is
// kept instead of its file's older content. The caller holds
// ApplyDataMutex() once the apply worker runs.
void ReloadMacroLibrary();

// The text a damaged entry shows as its reason.
std::string libraryEntryProblem(const LibraryEntry& entry);

} // namespace kavrel
