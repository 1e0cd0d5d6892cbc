#pragma once

#include "controls/CTreeCtrlEx.h"
#include "macro/MacroCatalog.h"

#include <QString>

#include <optional>
#include <string>

// The macro library (MacroCatalog) shown in a tree list: the macro page's
// library view and the key function picker's macro list show the same
// library the same way.
namespace kavrel {

// Item data: the path of the file or folder an item stands for.
inline constexpr int LibraryPathRole = Qt::UserRole + 1;
// nSubKind of a leaf for a file that cannot be used (shown greyed, with why).
inline constexpr std::int32_t DamagedItemSubKind = 1;
inline constexpr int LibraryItemTextOffset = 5;

// Adds every entry under root. A group the tree refuses (nested too deep)
// hides its folder and everything below it when hideTooDeep is set; otherwise
// what it holds goes into the deepest group the tree could make.
void fillLibraryTree(CTreeCtrlEx& tree, TreeItem root, const MacroLibraryEntries& entries, bool hideTooDeep);

// A macro item (value: the id in all 32 bits) and a damaged item, with their paths.
TreeItem addMacroItem(
    CTreeCtrlEx& tree, TreeItem parent, const QString& name, std::uint32_t id, const std::string& path, bool select);
TreeItem addDamagedItem(CTreeCtrlEx& tree, TreeItem parent, const LibraryEntry& entry);

std::optional<std::string> libraryItemPath(TreeItem item);
void setLibraryItemPath(TreeItem item, const std::string& path);

// Why an entry is shown greyed, in the user's language.
QString damagedEntryText(const LibraryEntry& entry);

} // namespace kavrel
