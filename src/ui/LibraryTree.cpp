#include "ui/LibraryTree.h"

#include "app/Texts.h"
#include "macro/Macro.h"

#include <QStandardItem>

#include <vector>

namespace kavrel {

TreeItem addMacroItem(
    CTreeCtrlEx& tree, TreeItem parent, const QString& name, std::uint32_t id, const std::string& path, bool select)
{
    const TreeItem item = tree.AddItem(parent, select, false, {}, name, valueOfMacroId(id), 0, LibraryItemTextOffset);
    if (item)
        setLibraryItemPath(item, path);
    return item;
}

TreeItem addDamagedItem(CTreeCtrlEx& tree, TreeItem parent, const LibraryEntry& entry)
{
    const TreeItem item = tree.AddItem(
        parent, false, false, {}, QString::fromStdString(entry.name), 0, DamagedItemSubKind, LibraryItemTextOffset);
    if (!item)
        return nullptr;
    setLibraryItemPath(item, entry.path);
    tree.setItemDisabled(item, damagedEntryText(entry));
    return item;
}

void fillLibraryTree(CTreeCtrlEx& tree, TreeItem root, const MacroLibraryEntries& entries, bool hideTooDeep)
{
    // The tree item of each entry; a hidden group's entry maps to nullptr.
    std::vector<TreeItem> items(entries.size(), nullptr);
    std::vector<bool> hidden(entries.size(), false);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const LibraryEntry& entry = entries[i];
        TreeItem parent = root;
        if (entry.parent >= 0) {
            const auto p = std::size_t(entry.parent);
            if (hidden[p]) {
                hidden[i] = true;
                continue;
            }
            parent = items[p];
        }
        switch (entry.kind) {
        case LibraryEntry::Kind::Group: {
            const QString icon = QString::fromStdString(entry.path + "/" + entry.name + ".png");
            items[i] = tree.AddItem(
                parent, false, true, icon, QString::fromStdString(entry.name), 0, 0, LibraryItemTextOffset);
            if (items[i])
                setLibraryItemPath(items[i], entry.path);
            else if (hideTooDeep)
                hidden[i] = true;
            else
                items[i] = parent;
            break;
        }
        case LibraryEntry::Kind::Macro:
            addMacroItem(tree, parent, QString::fromStdString(entry.name), entry.id, entry.path, false);
            break;
        case LibraryEntry::Kind::Damaged:
            addDamagedItem(tree, parent, entry);
            break;
        }
    }
}

std::optional<std::string> libraryItemPath(TreeItem item)
{
    const QVariant path = item ? item->data(LibraryPathRole) : QVariant();
    if (!path.isValid())
        return std::nullopt;
    return path.toString().toStdString();
}

void setLibraryItemPath(TreeItem item, const std::string& path)
{
    item->setData(QString::fromStdString(path), LibraryPathRole);
}

QString damagedEntryText(const LibraryEntry& entry)
{
    if (!entry.sameIdAs.empty())
        return QString::fromStdString(Text("tc_macro_same_id")).arg(QString::fromStdString(entry.sameIdAs));
    if (entry.problem == MacroReadStatus::UnsupportedKey)
        return QString::fromStdString(Text("tc_macro_not_playable"));
    return QString::fromStdString(Text("tc_macro_damaged")).arg(QString::fromStdString(libraryEntryProblem(entry)));
}

} // namespace kavrel
