#pragma once

#include "app/Config.h"
#include "controls/CTreeCtrlEx.h"
#include "macro/MacroEditing.h"
#include "macro/StMacro.h"
#include "ui/SkinDialog.h"
#include "ui/StepEditHistory.h"

#include <QFont>
#include <QImage>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

class QLineEdit;

namespace kavrel {

class CPngBtn;
class KeyCaptureFilter;
class SwallowKeysFilter;
struct KeyStroke;

// The macro page: the library view (groups and macros on disk), the key list
// of the selected macro, recording, the delay and repeat settings, the insert
// menu and the save button. The main window runs it modally from its macro
// button; only the exit button closes it, and closing writes every macro
// changed on the page. The current macro is always the MacroList entry of the
// item selected in the library view; every change of MacroList happens under
// ApplyDataMutex().
//
// Child names for tests: "exitButton", "recordButton", "delayBox",
// "loopMode2Radio", "countRadio", "countBox", "insertButton", "saveButton",
// "libraryView", "keyList".
class CMacroDlg : public SkinDialog {
    Q_OBJECT
public:
    // Control ids the lists report in their messages, and the count box's.
    static constexpr int LibraryViewId = 261;
    static constexpr int KeyListId = 262;
    static constexpr int CountBoxId = 263;

    // Menu commands (MsgMenuCommand wParam) and the insert menu's flag set.
    enum Command : std::uint32_t {
        CmdNewMacro = 0x1,
        CmdNewGroup = 0x2,
        CmdDelete = 0x4,
        CmdExport = 0x8,
        CmdImport = 0x10,
        CmdRename = 0x20,
        CmdEditRow = 0x40,
        CmdInsert = 0x80,
        CmdImportFolder = 0x100,
        CmdCopyFolder = 0x200,
        CmdDeleteRow = 0x400,
    };
    static constexpr int InsertMenuTag = 0x8000;
    static constexpr int InsertPress = 0xF7;
    static constexpr int InsertRelease = 0xF8;
    static constexpr int InsertPause = 0xF9;

    // The keyboard-view link: told which keys of the current profile were
    // given their defaults back because their macro was deleted, so that the
    // view redraws them.
    using KeyboardViewLink = std::function<void(const std::vector<int>& resetKeys)>;

    explicit CMacroDlg(QWidget* owner, KeyboardViewLink link = {});
    ~CMacroDlg() override;

    CTreeCtrlEx* libraryView() const { return m_library; }
    CTreeCtrlEx* keyList() const { return m_keys; }
    bool isRecording() const { return m_recording; }
    bool modeOneState() const { return m_modeOne; }
    // The MacroList entry of the selected library item, or null.
    StMacro* currentMacro() const;
    // The rows of the key list, top to bottom.
    KeyRows keyRows() const;
    // Step edits of the macro on show, undone with Ctrl+Z and redone with Ctrl+Shift+Z or Ctrl+Y.
    StepEditHistory& stepHistory() { return m_steps; }
    // The commands of the last menu the page opened, in order.
    const std::vector<std::uint32_t>& lastMenuCommands() const { return m_lastMenu; }

    // The path of a library item: the library root, then each group down to
    // the item ("/name" for a group, "/name.mck" for a macro).
    std::optional<std::string> itemPath(TreeItem item) const;

public slots:
    // Closes the page as its exit button does: writes every changed macro.
    void closePage();
    void reject() override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    class LibrarySink;

    void createControls();
    void createLists();
    CTreeCtrlEx* createList(int id, const Rect& rect, const QString& name, bool groupImages);
    void loadLibrary();

    // Dispatch.
    void onButton(CPngBtn* button);
    void onCountTextChanged(const QString& text);
    void onListItemClick(int listId, TreeItem item);
    void onContextMenu(int listId, TreeItem item);
    void onMenuCommand(std::uint32_t command, int tag);
    void onKeyStroke(const KeyStroke& stroke);
    void takeKey(int code, bool release, std::uint64_t timestampMs);
    bool refuseWhileRecording();

    // Page state.
    void showMacro(const StMacro& macro, bool reloadKeys);
    void storeMacroSettings();
    void markCurrent(std::uint32_t bits);
    void setSaveVisible(bool visible);
    void setCountText(const QString& text);
    void selectLoopMode(std::uint32_t mode);

    // Key list.
    void fillKeyList(const KeyRows& rows);
    TreeItem appendRow(const KeyRow& row);
    void insertRows(const KeyRows& rows);
    const QImage& rowIcon(KeyRowKind kind) const;
    void startRecording();
    void stopRecording();
    void editRow();
    void deleteRow();
    void insertEntry(int code);
    std::optional<int> askKeyCode();
    std::optional<int> askPause();

    // Library commands.
    void newMacro();
    void newGroup();
    void renameItem();
    void renameGroupWithChildren(
        TreeItem item, const std::string& folder, const std::string& oldName, const QString& newName);
    void deleteItem();
    void importMacro();
    void exportMacro();
    void importFolder();
    void copyFolder();

    // Library helpers.
    int flushDirtyMacro(TreeItem item, TreeItemRec* record, const QString& text);
    void flushBelow(TreeItem item);
    TreeItem selectedLibraryItem() const;
    bool isMacroItem(TreeItem item) const;
    bool isGroupItem(TreeItem item) const;
    TreeItem parentOf(TreeItem item) const;
    std::optional<std::string> folderOf(TreeItem target) const;
    bool childNamed(TreeItem parent, const QString& name) const;
    void removeItemWithMacros(TreeItem item);
    TreeItem addGroupWithFolder(
        TreeItem parent, const std::string& folder, const QString& name, bool select, bool newIds);
    void resetKeysOfDeletedMacros();

    void openPageMenu(const std::vector<std::uint32_t>& commands, QPoint at, int width, int tag);
    void openInsertMenu();

    KeyboardViewLink m_link;
    QImage m_background;
    QImage m_releaseIcon;
    QImage m_pressIcon;
    QImage m_pauseIcon;
    QFont m_pageFont;
    int m_subFolders = 0;
    int m_mouseMask = 0;

    CPngBtn* m_exit = nullptr;
    CPngBtn* m_record = nullptr;
    CPngBtn* m_delay = nullptr;
    CPngBtn* m_loopMode2 = nullptr;
    CPngBtn* m_countRadio = nullptr;
    CPngBtn* m_insert = nullptr;
    CPngBtn* m_save = nullptr;
    QLineEdit* m_countBox = nullptr;
    CTreeCtrlEx* m_library = nullptr;
    CTreeCtrlEx* m_keys = nullptr;
    KeyCaptureFilter* m_capture = nullptr;
    SwallowKeysFilter* m_swallow = nullptr;

    void recordStepEdit(const KeyRows& before);

    bool m_recording = false;
    StepEditHistory m_steps;
    KeyRows m_rowsBeforeRecording;
    MacroRecorder m_recorder;
    bool m_modeOne = false;
    bool m_closed = false;
    bool m_silent = false; // no message boxes (the page is being destroyed)
    // Macro items made by the new-macro command whose file was never written:
    // their first save must not replace a file that is already there.
    std::unordered_set<TreeItem> m_unsaved;
    std::vector<std::uint32_t> m_lastMenu;
};

} // namespace kavrel
