// The macro page's library view: its items with the files they stand for,
// the refresh that reads the library again, and what the commands share
// (CMacroDlgCommands.cpp holds the commands themselves).

#include "ui/CMacroDlg.h"

#include "app/Config.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "controls/CPngBtn.h"
#include "device/ApplyWorker.h"
#include "macro/LibraryCommands.h"
#include "macro/Macro.h"
#include "macro/MacroCatalog.h"
#include "macro/MacroLibrary.h"
#include "macro/MacroList.h"
#include "model/Lists.h"
#include "model/TimeId.h"
#include "ui/CMacroDlgParts.h"
#include "ui/CMsgDlg.h"
#include "ui/FileChooser.h"
#include "ui/LibraryTree.h"

#include <QScopeGuard>
#include <QStandardItem>

#include <mutex>

namespace kavrel {

using namespace macropage;

// Puts what a walk of one folder finds into the view, with the paths read.
// A group the view refuses (too deep) hides its folder and everything below it.
class CMacroDlg::LibrarySink : public MacroFolderSink {
public:
    explicit LibrarySink(CTreeCtrlEx& view)
        : m_view(view)
    {
    }
    void* addGroup(void* parent, const std::string& name, const std::string& iconPath) override
    {
        if (parent == hidden())
            return hidden();
        const TreeItem item = m_view.AddItem(
            static_cast<TreeItem>(parent), false, true, qstr(iconPath), qstr(name), 0, 0, ItemTextOffset);
        if (!item)
            return hidden();
        setLibraryItemPath(item, iconPath.substr(0, iconPath.size() - name.size() - 5));
        return item;
    }
    void addMacro(void* parent, const std::string& title, const std::string& path, const StMacro& macro) override
    {
        if (parent != hidden())
            addMacroItem(m_view, static_cast<TreeItem>(parent), qstr(title), macro.dwId, path, false);
    }
    void addDamaged(
        void* parent, const std::string& title, const std::string& path, const MacroReadResult& read) override
    {
        if (parent == hidden())
            return;
        LibraryEntry entry;
        entry.kind = LibraryEntry::Kind::Damaged;
        entry.name = title;
        entry.path = path;
        entry.problem = read.status;
        entry.error = read.error;
        addDamagedItem(m_view, static_cast<TreeItem>(parent), entry);
    }

private:
    void* hidden() { return &m_hiddenMarker; }
    CTreeCtrlEx& m_view;
    int m_hiddenMarker = 0;
};

void CMacroDlg::loadLibrary()
{
    // One layout of the view after the walk instead of one per item.
    m_library->setUpdatesEnabled(false);
    const QScopeGuard enable([this] { m_library->setUpdatesEnabled(true); });
    {
        // The one library: MacroList and the view come from the same walk.
        std::lock_guard lock(ApplyDataMutex());
        ReloadMacroLibrary();
    }
    fillLibraryTree(*m_library, m_library->RootItem(), MacroCatalog(), true);
}

void CMacroDlg::reloadLibrary()
{
    const std::string sessionPath = m_session.isOpen() ? m_session.path() : std::string();
    m_sessionItem = nullptr;
    m_library->DeleteAllItems();
    loadLibrary();
    emit libraryChanged();
    if (sessionPath.empty())
        return;
    m_library->WalkChildren(
        m_library->RootItem(),
        [&](TreeItem item, TreeItemRec*, const QString&, void*) {
            if (libraryItemPath(item) == sessionPath)
                m_sessionItem = item;
            return m_sessionItem ? 1 : 0;
        },
        nullptr, true);
    if (m_sessionItem)
        m_library->selectItem(m_sessionItem);
    else
        m_session.close();
}

// ---- helpers ----

TreeItem CMacroDlg::selectedLibraryItem() const
{
    return m_library->selectedItem();
}

bool CMacroDlg::isMacroItem(TreeItem item) const
{
    const TreeItemRec* record = item ? m_library->FindItemRec(item) : nullptr;
    return record && record->nKind == TreeLeaf && !m_library->itemDisabled(item);
}

bool CMacroDlg::isGroupItem(TreeItem item) const
{
    const TreeItemRec* record = item ? m_library->FindItemRec(item) : nullptr;
    return record && record->nKind == TreeGroup;
}

TreeItem CMacroDlg::parentOf(TreeItem item) const
{
    const TreeItem parent = item ? item->parent() : nullptr;
    return parent ? parent : m_library->RootItem();
}

std::optional<std::string> CMacroDlg::itemPath(TreeItem item) const
{
    if (!item || !m_library->FindItemRec(item))
        return std::nullopt;
    return libraryItemPath(item);
}

void CMacroDlg::setItemPath(TreeItem item, const std::string& path)
{
    setLibraryItemPath(item, path);
}

// After a folder moved: every item below it keeps standing for its own file.
void CMacroDlg::movePaths(TreeItem item, const std::string& from, const std::string& to)
{
    auto move = [&](TreeItem at) {
        const std::optional<std::string> path = libraryItemPath(at);
        if (path && path->starts_with(from))
            setLibraryItemPath(at, to + path->substr(from.size()));
    };
    move(item);
    m_library->WalkChildren(
        item,
        [&](TreeItem child, TreeItemRec*, const QString&, void*) {
            move(child);
            return 0;
        },
        nullptr, true);
    if (m_session.isOpen() && m_session.path().starts_with(from))
        m_session.setPath(to + m_session.path().substr(from.size()));
}

// Tells the user and returns true when the name cannot be used under the
// target: an item there has it, or something else on disk holds its path.
bool CMacroDlg::nameTaken(TreeItem target, const QString& name, const std::string& path)
{
    if (childNamed(target, name)) {
        show_message(this, "tc_macro_msg8");
        return true;
    }
    if (!libraryPathTaken(path))
        return false;
    show_message_text(this, text("tc_macro_name_damaged").arg(qstr(path)));
    return true;
}

std::optional<std::string> CMacroDlg::folderOf(TreeItem target) const
{
    if (!target || target == m_library->RootItem())
        return MacroLibraryRoot();
    return itemPath(target);
}

bool CMacroDlg::childNamed(TreeItem parent, const QString& name) const
{
    bool found = false;
    m_library->WalkChildren(
        parent,
        [&](TreeItem, TreeItemRec*, const QString& text, void*) {
            found = text.compare(name, Qt::CaseInsensitive) == 0;
            return found ? 1 : 0;
        },
        nullptr, false);
    return found;
}

int CMacroDlg::flushDirtyMacro(TreeItem item, TreeItemRec* record, const QString& name)
{
    if (!record) {
        WriteLog("Flush_Dirty_Macro: pItem=0x%0x(%s) error", 0u, utf8(name).c_str());
        return 0;
    }
    if (record->nKind != TreeLeaf || m_library->itemDisabled(item))
        return 0;
    const std::optional<std::string> path = itemPath(item);
    if (!path) {
        WriteLog("Flush_Dirty_Macro: TreeItem_To_FilePath failed");
        return 0;
    }
    int error = 0;
    bool written = false;
    {
        std::lock_guard lock(ApplyDataMutex());
        written = FlushDirtyMacroRecord(*path, macroIdOfValue(record->nValue), true, &error);
    }
    if (error != 0)
        tellWriteFailed(*path, error);
    if (written)
        emit libraryChanged();
    return 0;
}

void CMacroDlg::flushAll()
{
    flushBelow(m_library->RootItem());
}

void CMacroDlg::flushBelow(TreeItem item)
{
    m_library->WalkChildren(
        item,
        [this](TreeItem child, TreeItemRec* record, const QString& name, void*) {
            return flushDirtyMacro(child, record, name);
        },
        nullptr, true);
}

void CMacroDlg::removeItemWithMacros(TreeItem item)
{
    std::vector<std::uint32_t> ids;
    std::vector<TreeItem> items{item};
    m_library->WalkChildren(
        item,
        [&](TreeItem child, TreeItemRec* record, const QString&, void*) {
            items.push_back(child);
            if (record && record->nKind == TreeLeaf)
                ids.push_back(macroIdOfValue(record->nValue));
            return 0;
        },
        nullptr, true);
    if (isMacroItem(item))
        ids.push_back(macroIdOfValue(m_library->FindItemRec(item)->nValue));
    {
        std::lock_guard lock(ApplyDataMutex());
        for (std::uint32_t id : ids)
            RemoveMacroById(id);
    }
    if (std::find(items.begin(), items.end(), m_sessionItem) != items.end()) {
        m_session.close();
        m_sessionItem = nullptr;
    }
    m_library->DeleteItem(item);
}

TreeItem CMacroDlg::addGroupWithFolder(
    TreeItem parent, const std::string& folder, const QString& name, bool select, bool newIds)
{
    const std::string groupFolder = folder + "/" + utf8(name);
    const TreeItem group = m_library->AddItem(
        parent, select, true, qstr(groupFolder + "/" + utf8(name) + ".png"), name, 0, 0, ItemTextOffset);
    if (!group)
        return nullptr;
    setItemPath(group, groupFolder);
    LibrarySink sink(*m_library);
    std::lock_guard lock(ApplyDataMutex());
    LoadMacroFolder(groupFolder, true,
        {.view = &sink, .parent = group, .newIds = newIds, .subFolders = m_subFolders != 0, .addToList = true});
    return group;
}

void CMacroDlg::resetKeysOfDeletedMacros()
{
    std::vector<int> reset;
    {
        // Every stored profile: a key left pointing at a deleted macro would be a dead key.
        std::lock_guard lock(ApplyDataMutex());
        if (CurrentProfile)
            reset = ResetKeysOfMissingMacros(*CurrentProfile);
        ResetKeysOfMissingMacrosEverywhere();
    }
    if (m_link)
        m_link(reset);
}

} // namespace kavrel
