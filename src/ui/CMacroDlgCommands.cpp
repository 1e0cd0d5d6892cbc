// The commands of the macro page's library menus: new macro, new group,
// rename, delete, import, export, import a folder as a group and copy a
// folder into a group. Each acts on the file or folder its item stands for.

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

// ---- commands ----

void CMacroDlg::newMacro()
{
    if (MacroList.count() >= MacroLibraryMax) {
        show_message_text(this, "The number of macro is up to the maximum");
        return;
    }
    TreeItem target = selectedLibraryItem();
    if (target && !isGroupItem(target))
        return;
    if (!target)
        target = m_library->RootItem();
    QString typed;
    if (!ask_text(this, "tc_macro_msg11", typed))
        return;
    const QString name = qstr(nameWithoutMacroExtension(utf8(typed)));
    if (const std::string problem = macroNameProblem(utf8(name)); !problem.empty()) {
        show_message_text(this, qstr(problem));
        return;
    }
    const std::optional<std::string> folder = folderOf(target);
    if (!folder)
        return;
    const std::string path = *folder + "/" + utf8(name) + ".mck";
    if (nameTaken(target, name, path) || !leaveMacro())
        return;
    // Written at once: a macro in the view always has its file.
    StMacro macro = NewBlankMacro(utf8(name));
    if (const int error = writeMacroRecord(path, macro, false); error != 0) {
        tellWriteFailed(path, error);
        return;
    }
    {
        std::lock_guard lock(ApplyDataMutex());
        if (!AddToList(macro))
            return;
    }
    const TreeItem item = addMacroItem(*m_library, target, name, macro.dwId, path, true);
    if (!item)
        return;
    if (target != m_library->RootItem())
        m_library->expand(target->index());
    openSession(item);
    emit libraryChanged();
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
    if (target && !isGroupItem(target))
        return;
    if (!target)
        target = m_library->RootItem();
    const std::optional<std::string> folder = folderOf(target);
    if (!folder || nameTaken(target, name, *folder + "/" + utf8(name)) || !leaveMacro())
        return;
    const TreeItem group = m_library->AddItem(target, true, true, {}, name, 0, 0, ItemTextOffset);
    if (!group) {
        show_message_text(this, "Groups can be nested at most six deep.");
        return;
    }
    setItemPath(group, *folder + "/" + utf8(name));
    openSession(group);
}

void CMacroDlg::renameItem()
{
    const TreeItem item = selectedLibraryItem();
    if (!item || !m_library->FindItemRec(item) || m_library->itemDisabled(item))
        return;
    const bool group = isGroupItem(item);
    // Changes of the macro being edited are settled first: the rename writes the macro.
    if (!leaveMacro())
        return;
    QString typed;
    if (!ask_text(this, group ? "tc_macro_msg13" : "tc_macro_msg11", typed, m_library->itemText(item)))
        return;
    const QString name = group ? typed : qstr(nameWithoutMacroExtension(utf8(typed)));
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
        setItemPath(item, folder + utf8(name));
        return;
    }
    if (group) {
        renameGroupWithChildren(item, folder, oldName, name);
        return;
    }
    // The file keeps its own extension: it is the file the item was read from that moves.
    const std::string newPath = folder + utf8(name) + extensionOf(oldName);
    if (libraryPathTaken(newPath)) {
        show_message_text(this, text("tc_macro_name_damaged").arg(qstr(newPath)));
        return;
    }
    const std::uint32_t id = macroIdOfValue(m_library->FindItemRec(item)->nValue);
    StMacro renamed;
    {
        std::lock_guard lock(ApplyDataMutex());
        const StMacro* entry = FindMacroById(id);
        if (!entry)
            return;
        renamed = *entry;
    }
    setMacroName(renamed, utf8(name));
    // The new name goes into the file before it moves; a failed write changes nothing.
    if (const int error = writeMacroRecord(*path, renamed, true); error != 0) {
        tellWriteFailed(*path, error);
        return;
    }
    if (const int error = moveLibraryEntry(*path, newPath); error != 0) {
        show_message_text(this, QString("Rename failed. err=0x%1").arg(error, 0, 16));
        return;
    }
    {
        std::lock_guard lock(ApplyDataMutex());
        if (StMacro* entry = FindMacroById(id))
            setMacroName(*entry, utf8(name));
    }
    m_library->SetItemValue(item, name, std::nullopt);
    setItemPath(item, newPath);
    if (item == m_sessionItem)
        openSession(item);
    emit libraryChanged();
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
        movePaths(item, oldFolder, newFolder);
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
        showSteps();
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
    if (hasIcon) {
        addGroupWithFolder(parent, folder.substr(0, folder.size() - 1), newName, false, false);
    } else {
        m_library->SetItemValue(item, newName, std::nullopt);
        movePaths(item, oldFolder, newFolder);
    }
    emit libraryChanged();
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
    if (!leaveMacro())
        return;
    // The question names the keys, in every profile, that lose their macro.
    std::vector<std::uint32_t> ids;
    if (isMacroItem(item))
        ids.push_back(macroIdOfValue(record->nValue));
    m_library->WalkChildren(
        item,
        [&](TreeItem child, TreeItemRec* childRecord, const QString&, void*) {
            if (childRecord && isMacroItem(child))
                ids.push_back(macroIdOfValue(childRecord->nValue));
            return 0;
        },
        nullptr, true);
    std::string uses;
    {
        std::lock_guard lock(ApplyDataMutex());
        uses = describeKeyUses(keysUsingMacros(ids));
    }
    QString question = text("tc_macro_delete").arg(m_library->itemText(item));
    if (!uses.empty())
        question += "\n" + text("tc_macro_delete_keys").arg(qstr(uses));
    if (ask_yes_no(this, question) != QDialog::Accepted)
        return;
    const std::optional<std::string> path = itemPath(item);
    if (!path) {
        show_message_text(this, "Get file path failed.");
        return;
    }
    const bool group = record->nKind == TreeGroup;
    removeItemWithMacros(item);
    m_library->selectItem(nullptr);
    openSession(nullptr);
    if (group) {
        int error = 0;
        if (!DeleteFolderTree(*path, &error) && !isMissingPathError(error))
            show_message_text(this, QString("Remove Directory failed, err = %1.").arg(error));
    } else if (const int error = deleteMacroFile(*path); error != 0) {
        WriteLog("DeleteFile %s, err=%d", path->c_str(), error);
        show_message_text(this, QString("Delete File failed, err = %1.").arg(error));
    }
    resetKeysOfDeletedMacros();
    emit libraryChanged();
}

void CMacroDlg::importMacro()
{
    TreeItem target = selectedLibraryItem();
    if (target && !isGroupItem(target))
        return;
    if (!target)
        target = m_library->RootItem();
    const std::optional<QString> file = chooseOpenFile(this, MacroFilter, MacroSuffix);
    if (!file)
        return;
    const QString title = qstr(fileTitle(utf8(*file)));
    const std::optional<std::string> folder = folderOf(target);
    if (!folder || !libraryNameProblem(utf8(title)).empty()) {
        show_message(this, "tc_macro_msg8");
        return;
    }
    const std::string path = *folder + "/" + utf8(title) + ".mck";
    if (nameTaken(target, title, path))
        return;
    const MacroReadResult read = readMacroForImport(utf8(*file), utf8(title), m_mouseMask);
    if (!read.ok()) {
        show_message_text(this, qstr(macroReadMessage(read)));
        return;
    }
    if (!leaveMacro())
        return;
    if (const int error = writeMacroRecord(path, read.macro, false); error != 0) {
        tellWriteFailed(path, error);
        return;
    }
    {
        std::lock_guard lock(ApplyDataMutex());
        if (!AddToList(read.macro))
            return;
        FindMacroById(read.macro.dwId)->dwFlags &= ~MacroDirtyBits;
    }
    const TreeItem item = addMacroItem(*m_library, target, title, read.macro.dwId, path, true);
    if (item)
        openSession(item);
    emit libraryChanged();
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
    // The chooser starts in the library, beside the macros.
    const QString suggested = qstr(MacroLibraryRoot()) + "/" + qstr(macroName(*macro)).left(MacroNameChars) + ".mck";
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
    if (target && !isGroupItem(target))
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
    if (!leaveMacro())
        return;
    CopyFolderInto(utf8(*chosen), *folder);
    const TreeItem group = addGroupWithFolder(target, *folder, name, true, true);
    if (!group) {
        show_message_text(this, "Groups can be nested at most six deep.");
        return;
    }
    openSession(group);
    flushBelow(group);
}

void CMacroDlg::copyFolder()
{
    TreeItem target = selectedLibraryItem();
    if (target && !isGroupItem(target))
        return;
    const std::optional<QString> chosen = chooseFolder(this);
    if (!chosen)
        return;
    const std::optional<std::string> folder = folderOf(target);
    const std::string name = folderName(utf8(*chosen));
    if (!folder || name.empty() || !leaveMacro())
        return;
    CopyFolderInto(utf8(*chosen), *folder);
    giveCopiesTheirOwnIds(*folder + "/" + name);
    // The copies join the library at once, in the view, MacroList and the picker alike.
    reloadLibrary();
}

// Copied macros whose id a macro of the library already has get a fresh id,
// written into the copy: an id names one macro, or a key would play another.
void CMacroDlg::giveCopiesTheirOwnIds(const std::string& folder)
{
    struct Collect : MacroFolderSink {
        std::vector<std::pair<std::string, StMacro>> found;
        void* addGroup(void* parent, const std::string&, const std::string&) override { return parent; }
        void addMacro(void*, const std::string&, const std::string& path, const StMacro& macro) override
        {
            found.emplace_back(path, macro);
        }
    } copies;
    LoadMacroFolder(folder, true, {.view = &copies, .subFolders = m_subFolders != 0, .anyMouseKeys = true});
    std::lock_guard lock(ApplyDataMutex());
    for (auto& [path, macro] : copies.found) {
        if (!FindMacroById(macro.dwId))
            continue;
        macro.dwId = MakeTimeId();
        while (FindMacroById(macro.dwId))
            macro.dwId = (macro.dwId + 1) & 0xFFFFFF;
        if (const int error = writeMacroRecord(path, macro, true); error != 0)
            WriteLog("Copied macro keeps its id: %s, err=%d", path.c_str(), error);
    }
}

} // namespace kavrel
