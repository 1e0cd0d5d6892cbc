#pragma once

#include "app/Config.h"
#include "controls/CTreeCtrlEx.h"
#include "macro/MacroEditSession.h"
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
#include <vector>

class QLineEdit;
class QTimer;

namespace kavrel {

class CPngBtn;
class KeyCaptureFilter;
class SwallowKeysFilter;
struct KeyStroke;

// The macro page: the library view (groups and macros on disk), the steps
// of the selected macro, recording, the delay and repeat settings, the insert
// menu and the save button. The main window runs it modally from its macro
// button; only the exit button closes it. The macro being edited is a
// MacroEditSession: its steps and settings reach MacroList and the file only
// by a save, and leaving it with changes (another item, the exit button, the
// window closing) asks whether to save them. Every library item keeps the
// path of the file or folder it stands for, and every command acts on that
// path only. Every change of MacroList happens under ApplyDataMutex().
//
// The page is split over three files: this class's shell (controls,
// painting, dispatch, leaving), CMacroDlgSteps.cpp (the step editor and the
// recorder) and CMacroDlgLibrary.cpp (the library view and its commands).
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
    // A recording started from the keyboard (the record button pressed with Space or Enter) ends by itself
    // once every key is up and none was pressed for this long: a keyboard user's way out of a capture that
    // takes every key. Tests shorten it.
    static constexpr int RecordingIdleStopMs = 3000;
    static void setRecordingIdleStopMsForTests(int ms);
    bool modeOneState() const { return m_session.isOpen() && m_session.loopMode() == MacroLoopMode1; }
    // The MacroList entry of the selected library item, or null.
    StMacro* currentMacro() const;
    // The macro being edited, as the user left it.
    const MacroEditSession& session() const { return m_session; }
    // Step edits of the macro on show, undone with Ctrl+Z and redone with Ctrl+Shift+Z or Ctrl+Y.
    StepEditHistory& stepHistory() { return m_steps; }
    // The rows of the key list, top to bottom.
    KeyRows keyRows() const;
    // The commands of the last menu the page opened, in order.
    const std::vector<std::uint32_t>& lastMenuCommands() const { return m_lastMenu; }

    // The file or folder a library item stands for: the one it was read
    // from, or made for it by a command.
    std::optional<std::string> itemPath(TreeItem item) const;

signals:
    // The library on disk or MacroList changed (a macro written, made,
    // renamed, deleted or imported): whoever shows the library reads it again.
    void libraryChanged();

public slots:
    // Closes the page as its exit button does. Unsaved changes of the macro
    // being edited are asked about first; a failed save keeps the page open.
    void closePage();
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
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
    // Reads the library again (after files were copied in), keeping the macro being edited.
    void reloadLibrary();
    void giveCopiesTheirOwnIds(const std::string& folder);

    // Dispatch.
    void onButton(CPngBtn* button);
    void onListItemClick(int listId, TreeItem item);
    void onContextMenu(int listId, TreeItem item);
    void setUpTabOrder();
    void nameControls();
    // Enter, F2 or Delete on a list: the command of the item's menu the key stands for.
    void onListKey(int listId, int qtKey, TreeItem item);
    void onMenuCommand(std::uint32_t command, int tag);
    void onKeyStroke(const KeyStroke& stroke);
    void takeKey(int code, bool release, std::uint64_t timestampMs);
    bool refuseWhileRecording();

    // The macro being edited.
    void openSession(TreeItem item);
    void showSettings();
    // Asks about unsaved changes before the page leaves the macro being
    // edited; false when the user's answer keeps it (a save that failed).
    bool leaveMacro();
    bool saveSession();
    void tellWriteFailed(const std::string& path, int error);
    void updateSaveButton();
    void setCountText(const QString& text);
    void selectLoopMode(std::uint32_t mode);
    void onCountEdited();

    // Step editor (CMacroDlgSteps.cpp).
    void fillKeyList(const KeyRows& rows);
    TreeItem appendRow(const KeyRow& row);
    std::size_t selectedRowIndex() const;
    void showSteps();
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
    void flushAll();
    void setItemPath(TreeItem item, const std::string& path);
    void movePaths(TreeItem item, const std::string& from, const std::string& to);
    bool nameTaken(TreeItem target, const QString& name, const std::string& path);
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

    MacroEditSession m_session;
    StepEditHistory m_steps;
    TreeItem m_sessionItem = nullptr;
    bool m_recording = false;
    bool m_recordingByKeyboard = false;
    std::vector<int> m_recordingHeld; // keys pressed during the recording and not yet released
    QTimer* m_recordingIdle = nullptr;
    MacroRecorder m_recorder;
    KeyRows m_recorded;
    int m_countBeforeEdit = 1; // the count box's value before the user started typing
    bool m_closed = false;
    bool m_silent = false; // no message boxes (the page is being destroyed)
    std::vector<std::uint32_t> m_lastMenu;
};

} // namespace kavrel
