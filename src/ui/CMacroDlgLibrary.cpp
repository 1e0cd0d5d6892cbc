// The macro page's library view and the commands of its menus: new macro,
// new group, rename, delete, import, export, import a folder as a group and
// copy a folder into a group.

#include "ui/CMacroDlg.h"

#include "app/Config.h"
#include "app/Log.h"
#include "controls/CPngBtn.h"
#include "device/ApplyWorker.h"
#include "macro/LibraryCommands.h"
#include "macro/Macro.h"
#include "macro/MacroLibrary.h"
#include "macro/MacroList.h"
#include "model/Lists.h"
#include "ui/CMsgDlg.h"
#include "ui/FileChooser.h"

#include <QScopeGuard>
#include <QStandardItem>

#include <mutex>

namespace kavrel {

namespace {

constexpr int ItemTextOffset = 5;
constexpr int PathLevelLimit = 20;
constexpr std::uint32_t IdMask = 0xFFFFFF;
const QString MacroFilter = "mck(*.mck)";
const QString MacroSuffix = "mck";

std::string utf8(const QString& text)
{
    return text.toStdString();
}

QString qstr(const std::string& text)
{
    return QString::fromStdString(text);
}

std::pair<std::string, std::string> splitAtLastSlash(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

} // namespace

// Puts what the library walk finds into the view. A group the view refuses
// (too deep) hides its folder and everything below it.
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
        return item ? item : hidden();
    }
    void addMacro(void* parent, const std::string& title, const std::string&, const StMacro& macro) override
    {
        if (parent != hidden())
            m_view.AddItem(static_cast<TreeItem>(parent), false, false, {}, qstr(title), std::int32_t(macro.dwId), 0,
                ItemTextOffset);
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
    LibrarySink sink(*m_library);
    LoadMacroFolder(MacroLibraryRoot(), true,
        {.view = &sink,
            .parent = m_library->RootItem(),
            .newIds = false,
            .subFolders = m_subFolders != 0,
            .addToList = false});
}

// ---- helpers ----

TreeItem CMacroDlg::selectedLibraryItem() const
{
    return m_library->selectedItem();
}

bool CMacroDlg::isMacroItem(TreeItem item) const
{
    const TreeItemRec* record = item ? m_library->FindItemRec(item) : nullptr;
    return record && record->nKind == TreeLeaf;
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
    std::vector<TreeItem> chain;
    for (TreeItem at = item; at && at != m_library->RootItem() && int(chain.size()) < PathLevelLimit; at = at->parent())
        chain.push_back(at);
    std::string path = MacroLibraryRoot();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path += "/" + utf8(m_library->itemText(*it));
        if (!isGroupItem(*it))
            path += ".mck";
    }
    return path;
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
    if (record->nKind != TreeLeaf)
        return 0;
    const std::optional<std::string> path = itemPath(item);
    if (!path) {
        WriteLog("Flush_Dirty_Macro: TreeItem_To_FilePath failed");
        return 0;
    }
    const bool firstSave = m_unsaved.count(item) != 0;
    const std::uint32_t id = std::uint32_t(record->nValue) & IdMask;
    {
        std::lock_guard lock(ApplyDataMutex());
        const StMacro* entry = FindMacroById(id);
        if (!entry || (entry->dwFlags & MacroDirtyBits) == 0)
            return 0;
    }
    if (firstSave && libraryPathTaken(*path)) {
        // A file the view does not show (or one made since) is not this macro's to replace.
        if (!m_silent)
            show_message(this, "tc_macro_msg8");
        return 0;
    }
    bool written = false;
    {
        std::lock_guard lock(ApplyDataMutex());
        written = FlushDirtyMacroRecord(*path, id, !firstSave);
    }
    if (written)
        m_unsaved.erase(item);
    return 0;
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
                ids.push_back(std::uint32_t(record->nValue) & IdMask);
            return 0;
        },
        nullptr, true);
    if (isMacroItem(item))
        ids.push_back(std::uint32_t(m_library->FindItemRec(item)->nValue) & IdMask);
    {
        std::lock_guard lock(ApplyDataMutex());
        for (std::uint32_t id : ids)
            RemoveMacroById(id);
    }
    for (TreeItem gone : items)
        m_unsaved.erase(gone);
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
    LibrarySink sink(*m_library);
    std::lock_guard lock(ApplyDataMutex());
    LoadMacroFolder(groupFolder, true,
        {.view = &sink, .parent = group, .newIds = newIds, .subFolders = m_subFolders != 0, .addToList = true});
    return group;
}

void CMacroDlg::resetKeysOfDeletedMacros()
{
    if (!m_link)
        return;
    std::vector<int> reset;
    {
        std::lock_guard lock(ApplyDataMutex());
        if (CurrentProfile)
            reset = ResetKeysOfMissingMacros(*CurrentProfile);
    }
    m_link(reset);
}

// ---- commands ----

void CMacroDlg::newMacro()
{
    if (MacroList.count() >= MacroLibraryMax) {
        show_message_text(this, "The number of macro is up to the maximum");
        return;
    }
    TreeItem target = selectedLibraryItem();
    if (isMacroItem(target))
        return;
    if (!target)
        target = m_library->RootItem();
    QString typed;
    if (!ask_text(this, "tc_macro_msg11", typed))
        return;
    const QString name = qstr(nameWithoutExtension(utf8(typed)));
    if (const std::string problem = macroNameProblem(utf8(name)); !problem.empty()) {
        show_message_text(this, qstr(problem));
        return;
    }
    const std::optional<std::string> folder = folderOf(target);
    if (!folder || childNamed(target, name) || libraryPathTaken(*folder + "/" + utf8(name) + ".mck")) {
        show_message(this, "tc_macro_msg8");
        return;
    }
    m_keys->DeleteAllItems();
    const StMacro macro = NewBlankMacro(utf8(name));
    {
        std::lock_guard lock(ApplyDataMutex());
        if (!AddToList(macro))
            return;
    }
    const TreeItem item
        = m_library->AddItem(target, true, false, {}, name, std::int32_t(macro.dwId), 0, ItemTextOffset);
    if (!item) {
        std::lock_guard lock(ApplyDataMutex());
        RemoveMacroById(macro.dwId);
        return;
    }
    m_unsaved.insert(item);
    if (target != m_library->RootItem())
        m_library->expand(target->index());
    if (StMacro* entry = currentMacro())
        showMacro(*entry, false);
    markCurrent(MacroDirtyBits);
}

void CMacroDlg::newGroup()
{
    QString name;
    if (!ask_text(this, "tc_macro_msg13", name) || name.isEmpty())
        return;
    if (const std::string problem = groupNameProblem(utf8(name)); !problem.empty()) {
        show_message_text(this, qstr(problem));
        return;
    }
    TreeItem target = selectedLibraryItem();
    if (isMacroItem(target))
        return;
    if (!target)
        target = m_library->RootItem();
    if (childNamed(target, name)) {
        show_message(this, "tc_macro_msg8");
        return;
    }
    if (!m_library->AddItem(target, true, true, {}, name, 0, 0, ItemTextOffset))
        show_message_text(this, "Groups can be nested at most six deep.");
}

void CMacroDlg::renameItem()
{
    const TreeItem item = selectedLibraryItem();
    if (!item || !m_library->FindItemRec(item))
        return;
    const bool group = isGroupItem(item);
    QString typed;
    if (!ask_text(this, group ? "tc_macro_msg13" : "tc_macro_msg11", typed))
        return;
    const QString name = qstr(nameWithoutExtension(utf8(typed)));
    const std::string problem = group ? groupNameProblem(utf8(name)) : macroNameProblem(utf8(name));
    if (!problem.empty()) {
        show_message_text(this, qstr(problem));
        return;
    }
    if (childNamed(parentOf(item), name)) {
        show_message(this, "tc_macro_msg8");
        return;
    }
    const std::optional<std::string> path = itemPath(item);
    if (!path) {
        show_message_text(this, "Rename failed.");
        return;
    }
    const auto [folder, oldName] = splitAtLastSlash(*path);
    if (group && !item->hasChildren()) {
        m_library->SetItemValue(item, name, std::nullopt);
        return;
    }
    if (group) {
        renameGroupWithChildren(item, folder, oldName, name);
        return;
    }
    const std::string newPath = folder + utf8(name) + ".mck";
    if (libraryPathTaken(newPath)) {
        show_message(this, "tc_macro_msg8");
        return;
    }
    {
        std::lock_guard lock(ApplyDataMutex());
        StMacro* entry = FindMacroById(std::uint32_t(m_library->FindItemRec(item)->nValue) & IdMask);
        if (!entry)
            return;
        setMacroName(*entry, utf8(name));
        entry->dwFlags |= MacroSettingsChanged; // the new name reaches the file with the move
    }
    flushDirtyMacro(item, m_library->FindItemRec(item), m_library->itemText(item));
    if (const int error = moveLibraryEntry(*path, newPath); error != 0) {
        show_message_text(this, QString("Rename failed. err=0x%1").arg(error, 0, 16));
        return;
    }
    m_library->SetItemValue(item, name, std::nullopt);
}

void CMacroDlg::renameGroupWithChildren(
    TreeItem item, const std::string& folder, const std::string& oldName, const QString& newName)
{
    const std::string oldFolder = folder + oldName;
    const std::string newFolder = folder + utf8(newName);
    if (libraryPathTaken(newFolder)) {
        show_message(this, "tc_macro_msg8");
        return;
    }
    // Whatever was changed below the group reaches its files before they move.
    flushBelow(item);
    if (!libraryPathTaken(oldFolder)) {
        // Nothing of the group is on disk yet (only empty groups below it): only its text changes.
        m_library->SetItemValue(item, newName, std::nullopt);
        return;
    }
    bool hasIcon = !m_library->FindItemRec(item)->pIcon.isNull();
    m_library->WalkChildren(
        item,
        [&hasIcon](TreeItem, TreeItemRec* record, const QString&, void*) {
            hasIcon = hasIcon || (record && !record->pIcon.isNull());
            return hasIcon ? 1 : 0;
        },
        nullptr, true);
    const TreeItem parent = parentOf(item);
    if (hasIcon) {
        removeItemWithMacros(item);
        m_keys->DeleteAllItems();
    }
    moveLibraryEntry(oldFolder + "/" + oldName + ".png", oldFolder + "/" + utf8(newName) + ".png");
    const int error = moveLibraryEntry(oldFolder, newFolder);
    if (error != 0) {
        show_message_text(this, QString("Rename failed. err=0x%1").arg(error, 0, 16));
        moveLibraryEntry(oldFolder + "/" + utf8(newName) + ".png", oldFolder + "/" + oldName + ".png");
        if (hasIcon) // the removed items come back from the folder under its old name
            addGroupWithFolder(parent, folder.substr(0, folder.size() - 1), qstr(oldName), false, false);
        return;
    }
    if (hasIcon)
        addGroupWithFolder(parent, folder.substr(0, folder.size() - 1), newName, false, false);
    else
        m_library->SetItemValue(item, newName, std::nullopt);
}

void CMacroDlg::deleteItem()
{
    const TreeItem item = selectedLibraryItem();
    const TreeItemRec* record = item ? m_library->FindItemRec(item) : nullptr;
    if (!item || !record) {
        show_message_text(this,
            QString("Operation failed, hItem = 0x%1, pItem = 0x%2.")
                .arg(quintptr(item), 0, 16)
                .arg(quintptr(record), 0, 16));
        return;
    }
    if (show_message(this, "tc_msg6") != QDialog::Accepted)
        return;
    const std::optional<std::string> path = itemPath(item);
    if (!path) {
        show_message_text(this, "Get file path failed.");
        return;
    }
    const bool group = record->nKind == TreeGroup;
    removeItemWithMacros(item);
    m_library->selectItem(nullptr);
    m_keys->DeleteAllItems();
    setSaveVisible(false);
    if (group) {
        int error = 0;
        if (!DeleteFolderTree(*path, &error) && !isMissingPathError(error))
            show_message_text(this, QString("Remove Directory failed, err = %1.").arg(error));
    } else if (const int error = deleteMacroFile(*path); error != 0) {
        WriteLog("DeleteFile %s, err=%d", path->c_str(), error);
        show_message_text(this, QString("Delete File failed, err = %1.").arg(error));
    }
    resetKeysOfDeletedMacros();
}

void CMacroDlg::importMacro()
{
    TreeItem target = selectedLibraryItem();
    if (isMacroItem(target))
        return;
    if (!target)
        target = m_library->RootItem();
    const std::optional<QString> file = chooseOpenFile(this, MacroFilter, MacroSuffix);
    if (!file)
        return;
    const QString title = qstr(fileTitle(utf8(*file)));
    const std::optional<std::string> folder = folderOf(target);
    if (!folder || childNamed(target, title) || !libraryNameProblem(utf8(title)).empty()
        || libraryPathTaken(*folder + "/" + utf8(title) + ".mck")) {
        show_message(this, "tc_macro_msg8");
        return;
    }
    const MacroReadResult read = readMacroForImport(utf8(*file), utf8(title), m_mouseMask);
    if (!read.ok()) {
        show_message_text(this, qstr(macroReadMessage(read)));
        return;
    }
    {
        std::lock_guard lock(ApplyDataMutex());
        if (!AddToList(read.macro))
            return;
    }
    const TreeItem item
        = m_library->AddItem(target, true, false, {}, title, std::int32_t(read.macro.dwId), 0, ItemTextOffset);
    if (!item)
        return;
    m_unsaved.insert(item);
    m_keys->DeleteAllItems();
    if (StMacro* entry = currentMacro())
        showMacro(*entry, true);
    markCurrent(MacroDirtyBits);
    flushDirtyMacro(item, m_library->FindItemRec(item), title);
    setSaveVisible(false);
}

void CMacroDlg::exportMacro()
{
    const TreeItem item = selectedLibraryItem();
    const StMacro* macro = isMacroItem(item) ? currentMacro() : nullptr;
    if (!macro)
        return;
    const std::optional<std::string> path = itemPath(item);
    if (!path)
        return;
    const QString suggested = qstr(macroName(*macro)).left(MacroNameChars) + ".mck";
    const std::optional<QString> destination = chooseSaveFile(this, MacroFilter, MacroSuffix, suggested);
    if (!destination)
        return;
    if (const int error = copyFileReplacing(*path, utf8(*destination)); error != 0) {
        WriteLog("ExportMacro: copy file err=0x%x", unsigned(error));
        show_message_text(this, QString("Export failed. err=0x%1").arg(error, 0, 16));
    }
}

void CMacroDlg::importFolder()
{
    TreeItem target = selectedLibraryItem();
    if (isMacroItem(target))
        return;
    if (!target)
        target = m_library->RootItem();
    const std::optional<QString> chosen = chooseFolder(this);
    if (!chosen)
        return;
    const QString name = qstr(folderName(utf8(*chosen)));
    const std::optional<std::string> folder = folderOf(target);
    if (name.isEmpty() || !folder)
        return;
    if (childNamed(target, name) || libraryPathTaken(*folder + "/" + utf8(name))) {
        show_message(this, "tc_macro_msg8");
        return;
    }
    CopyFolderInto(utf8(*chosen), *folder);
    const TreeItem group = addGroupWithFolder(target, *folder, name, true, true);
    if (!group) {
        show_message_text(this, "Groups can be nested at most six deep.");
        return;
    }
    flushBelow(group);
}

void CMacroDlg::copyFolder()
{
    TreeItem target = selectedLibraryItem();
    if (isMacroItem(target))
        return;
    const std::optional<QString> chosen = chooseFolder(this);
    if (!chosen)
        return;
    if (const std::optional<std::string> folder = folderOf(target))
        CopyFolderInto(utf8(*chosen), *folder);
}

} // namespace kavrel
