#pragma once

#include "ui/ProfileCommands.h"
#include "ui/ProfileEditHistory.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QMenu>
class QWidget;

namespace kavrel {

class CPngBtn;

// The main window's edit commands: the undo history of every profile edit
// (Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y redo; Undo and Redo in the window's
// right-click menu) and the profile buttons' right-click (and Menu key)
// menu: Rename…, Switch automatically when…, Export…, Import…, Restore
// defaults. A button's caption is its profile's name and its tooltip names
// the linked program. The window tells it when the current profile changed,
// when an edit was made and when the edits were stored or dropped.
//
// Menus are shown without blocking (tests find them as the window's child
// "profileMenu" / "windowMenu" and trigger their actions by object name).
class EditCommands : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // The three profile buttons and the ids of their profiles (0 for none).
        std::function<std::array<CPngBtn*, 3>()> buttons;
        std::function<std::uint32_t(int button)> profileOfButton;
        // A profile changed (an edit of the menu, an undo or redo): show it, and when it is the current
        // one and edits apply at once, apply it with these flags.
        std::function<void(std::uint32_t id, std::uint32_t applyFlags)> showChanged;
        // The names of the programs running now, from the snapshot automatic switching uses.
        std::function<std::vector<std::string>()> runningPrograms;
    };

    EditCommands(QWidget* window, Hooks hooks);

    ProfileEditHistory& history() { return m_history; }
    ProfileCommands& commands() { return m_commands; }

    // The current profile changed without an edit (a switch, a reload, a discard): the next edit starts here.
    void currentChanged();
    // The window made an edit of the current profile.
    void edited(ProfileEdit kind, std::uint32_t applyFlags);
    // OK, Apply or Cancel: the edits are stored or dropped, and the history ends.
    void committed();

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
    void profileChanged(std::uint32_t id, std::uint32_t applyFlags);
    void showProblem(const std::string& problem);
    QMenu* newMenu(const char* name);

    QWidget* m_window;
    Hooks m_hooks;
    ProfileEditHistory m_history;
    ProfileCommands m_commands;
    QPointer<QMenu> m_menu;
};

} // namespace kavrel
