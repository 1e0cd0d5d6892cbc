#include "macro/MacroCatalog.h"

#include "app/Config.h"
#include "macro/Macro.h"
#include "macro/MacroLibrary.h"
#include "macro/MacroList.h"

#include <cstring>

namespace kavrel {

namespace {

MacroLibraryEntries& catalog()
{
    static MacroLibraryEntries entries;
    return entries;
}

// Collects what the walk finds; a parent handle is the entry index + 1 (0 for the root).
class CatalogSink : public MacroFolderSink {
public:
    explicit CatalogSink(MacroLibraryEntries& entries)
        : m_entries(entries)
    {
    }
    void* addGroup(void* parent, const std::string& name, const std::string& iconPath) override
    {
        LibraryEntry entry;
        entry.kind = LibraryEntry::Kind::Group;
        entry.name = name;
        // The icon is {folder}/{name}.png inside the group's own folder.
        entry.path = iconPath.substr(0, iconPath.size() - name.size() - 5);
        entry.parent = indexOf(parent);
        m_entries.push_back(entry);
        return handleOf(int(m_entries.size()) - 1);
    }
    void addMacro(void* parent, const std::string& title, const std::string& path, const StMacro& macro) override
    {
        LibraryEntry entry;
        entry.name = title;
        entry.path = path;
        entry.parent = indexOf(parent);
        entry.id = macro.dwId;
        for (const LibraryEntry& earlier : m_entries) {
            if (earlier.kind == LibraryEntry::Kind::Macro && earlier.id == macro.dwId) {
                entry.kind = LibraryEntry::Kind::Damaged;
                entry.sameIdAs = earlier.name;
                break;
            }
        }
        if (entry.kind == LibraryEntry::Kind::Macro)
            AddToList(macro);
        m_entries.push_back(entry);
    }
    void addDamaged(
        void* parent, const std::string& title, const std::string& path, const MacroReadResult& read) override
    {
        LibraryEntry entry;
        entry.kind = LibraryEntry::Kind::Damaged;
        entry.name = title;
        entry.path = path;
        entry.parent = indexOf(parent);
        entry.problem = read.status;
        entry.error = read.error;
        m_entries.push_back(entry);
    }

private:
    static int indexOf(void* handle) { return int(reinterpret_cast<std::intptr_t>(handle)) - 1; }
    static void* handleOf(int index) { return reinterpret_cast<void*>(std::intptr_t(index) + 1); }
    MacroLibraryEntries& m_entries;
};

} // namespace

const MacroLibraryEntries& MacroCatalog()
{
    return catalog();
}

void ReloadMacroLibrary()
{
    // Entries whose last write failed are newer than their files.
    std::vector<StMacro> unsaved;
    for (const StMacro& macro : MacroList) {
        if (macro.dwFlags & MacroDirtyBits)
            unsaved.push_back(macro);
    }
    MacroList.clear();
    MacroLibraryEntries entries;
    CatalogSink sink(entries);
    LoadMacroFolder(MacroLibraryRoot(), true, {.view = &sink, .parent = nullptr, .subFolders = Cfg.MacroDir != 0});
    for (const StMacro& macro : unsaved) {
        if (StMacro* entry = FindMacroById(macro.dwId))
            *entry = macro;
        else
            AddToList(macro);
    }
    catalog() = std::move(entries);
}

std::string libraryEntryProblem(const LibraryEntry& entry)
{
    MacroReadResult read;
    read.status = entry.problem;
    read.error = entry.error;
    if (read.status == MacroReadStatus::ReadFailed && read.error == 0)
        return "The file is shorter than a macro.";
    return macroReadMessage(read);
}

} // namespace kavrel
