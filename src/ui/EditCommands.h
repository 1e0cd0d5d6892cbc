#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>

#include <array>
#include <cstdint>

class QWidget;

namespace kavrel {

class CLedDlg;
class CPngBtn;
class EditingSession;

// The main window's way to the editing session's commands: undo and redo of
// every profile edit (Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y redo; Undo and Redo in
// the window's right-click menu) and the profile buttons' right-click (and
// Menu key) menu: Rename…, Switch automatically when…, Export…, Import…,
// Restore defaults, with the dialogs they need. A button's caption is its
// profile's name and its tooltip names the linked program.
//
// Menus are shown without blocking (tests find them as the window's child
// "profileMenu" / "windowMenu" and trigger their actions by object name).
class EditCommands : public QObject {
    Q_OBJECT
public:
    // The three profile buttons, in order (null where the skin has none). The lighting page's edits go
    // into the session's history; a profile the session changed is shown on its button and, when it is
    // the current one and edits apply at once, applied as the edit's flags say.
    EditCommands(QWidget* window, EditingSession& session, const std::array<CPngBtn*, 3>& buttons, CLedDlg* page);

    // Captions (profile names) and tooltips (linked programs) of the profile buttons.
    void updateButtons();

    // The menus, at a global position.
    void showProfileMenu(int button, const QPoint& at);
    void showWindowMenu(const QPoint& at);
    QMenu* openMenu() const { return m_menu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void renameProfile(std::uint32_t id);
    void chooseProgram(std::uint32_t id);
    void exportProfile(std::uint32_t id);
    void importProfile(std::uint32_t id);
    void restoreProfile(std::uint32_t id);
    void showProblem(const std::string& problem);
    QMenu* newMenu(const char* name);

    QWidget* m_window;
    EditingSession& m_session;
    std::array<CPngBtn*, 3> m_buttons;
    QPointer<QMenu> m_menu;
};

} // namespace kavrel
