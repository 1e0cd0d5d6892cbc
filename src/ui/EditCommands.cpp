#include "ui/EditCommands.h"

#include "app/Config.h"
#include "app/Texts.h"
#include "controls/CPngBtn.h"
#include "device/ApplyWorker.h"
#include "macro/ProfileFile.h"
#include "model/Lists.h"
#include "ui/CLedDlg.h"
#include "ui/CMsgDlg.h"
#include "ui/CProgramDlg.h"
#include "ui/EditingSession.h"
#include "ui/FileChooser.h"
#include "ui/WindowBasics.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>

#include <mutex>

namespace kavrel {
namespace {

const QString ProfileFilter = QStringLiteral("Kavrel profile (*.kavrel-profile)");
const QString ProfileSuffix = QStringLiteral("kavrel-profile");

} // namespace

EditCommands::EditCommands(
    QWidget* window, EditingSession& session, const std::array<CPngBtn*, 3>& buttons, CLedDlg* page)
    : QObject(window)
    , m_window(window)
    , m_session(session)
    , m_buttons(buttons)
{
    if (page)
        connect(page, &CLedDlg::edited, &session, &EditingSession::recordEdit);
    connect(&session, &EditingSession::currentChanged, this, &EditCommands::updateButtons);
    connect(&session, &EditingSession::profileChanged, this, [this](std::uint32_t id, std::uint32_t applyFlags) {
        updateButtons();
        if (Cfg.ApplyNow && applyFlags != 0 && id == m_session.currentId())
            RequestApply(applyFlags);
    });
    QUndoStack* stack = &m_session.history().stack();
    auto* undo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), window);
    connect(undo, &QShortcut::activated, stack, &QUndoStack::undo);
    for (const QKeySequence& keys :
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}) {
        auto* redo = new QShortcut(keys, window);
        connect(redo, &QShortcut::activated, stack, &QUndoStack::redo);
    }
    window->installEventFilter(this);
    for (CPngBtn* button : m_buttons)
        if (button)
            button->installEventFilter(this);
}

void EditCommands::updateButtons()
{
    const std::array<CPngBtn*, 3>& buttons = m_buttons;
    for (int i = 0; i < 3; ++i) {
        PROFILE profile;
        if (!buttons[std::size_t(i)] || !ProfileCommands::copyOf(m_session.buttonProfiles()[std::size_t(i)], profile))
            continue;
        const QString name = QString::fromStdString(profileName(profile));
        const QString program = QString::fromStdString(profileProgramName(profile));
        buttons[std::size_t(i)]->set_text(name);
        // The window's shortcut for the button (Alt+1, Alt+2, Alt+3) beside the name.
        const QString title
            = name + " (" + QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + i)).toString(QKeySequence::NativeText) + ")";
        buttons[std::size_t(i)]->setToolTip(program.isEmpty() ? title + "\n" + text("tc_pf_tip_none")
                                                              : title + "\n" + text("tc_pf_tip_program").arg(program));
    }
}

QMenu* EditCommands::newMenu(const char* name)
{
    if (m_menu)
        m_menu->close();
    auto* menu = new QMenu(m_window);
    menu->setObjectName(name);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    m_menu = menu;
    return menu;
}

void EditCommands::showProfileMenu(int button, const QPoint& at)
{
    const std::uint32_t id = m_session.buttonProfiles()[std::size_t(button)];
    if (id == 0)
        return;
    QMenu* menu = newMenu("profileMenu");
    PROFILE profile;
    if (ProfileCommands::copyOf(id, profile))
        menu->setWindowTitle(QString::fromStdString(profileName(profile)));
    const struct {
        const char* textKey;
        const char* name;
        void (EditCommands::*run)(std::uint32_t);
    } items[] = {
        {"tc_pf_rename", "renameAction", &EditCommands::renameProfile},
        {"tc_pf_switch", "programAction", &EditCommands::chooseProgram},
        {"tc_pf_export", "exportAction", &EditCommands::exportProfile},
        {"tc_pf_import", "importAction", &EditCommands::importProfile},
        {"tc_pf_restore", "restoreAction", &EditCommands::restoreProfile},
    };
    for (const auto& item : items) {
        QAction* action = menu->addAction(text(item.textKey));
        action->setObjectName(item.name);
        // Run after the menu has closed, so that a dialog the command opens is not nested in the menu's loop.
        connect(action, &QAction::triggered, this, [this, id, run = item.run] {
            QMetaObject::invokeMethod(
                this, [this, id, run] { (this->*run)(id); }, Qt::QueuedConnection);
        });
    }
    menu->popup(at);
}

void EditCommands::showWindowMenu(const QPoint& at)
{
    QMenu* menu = newMenu("windowMenu");
    QUndoStack& stack = m_session.history().stack();
    QAction* undo = menu->addAction(text("tc_undo") + "\tCtrl+Z", &stack, &QUndoStack::undo);
    undo->setObjectName("undoAction");
    undo->setEnabled(stack.canUndo());
    QAction* redo = menu->addAction(text("tc_redo") + "\tCtrl+Shift+Z", &stack, &QUndoStack::redo);
    redo->setObjectName("redoAction");
    redo->setEnabled(stack.canRedo());
    menu->popup(at);
}

bool EditCommands::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ContextMenu)
        return QObject::eventFilter(watched, event);
    auto* menuEvent = static_cast<QContextMenuEvent*>(event);
    const std::array<CPngBtn*, 3>& buttons = m_buttons;
    for (int i = 0; i < 3; ++i) {
        if (watched == buttons[std::size_t(i)]) {
            // The Menu key gives no pointer position: the menu opens at the button.
            const QPoint at = menuEvent->reason() == QContextMenuEvent::Keyboard
                ? buttons[std::size_t(i)]->mapToGlobal(QPoint(0, buttons[std::size_t(i)]->height()))
                : menuEvent->globalPos();
            showProfileMenu(i, at);
            return true;
        }
    }
    if (watched == m_window) {
        showWindowMenu(menuEvent->globalPos());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void EditCommands::renameProfile(std::uint32_t id)
{
    PROFILE profile;
    if (!ProfileCommands::copyOf(id, profile))
        return;
    CMsgDlg ask(CMsgDlg::TextInput, m_window);
    ask.setMessage(text("tc_pf_name_ask"));
    if (auto* input = ask.findChild<QLineEdit*>("input")) {
        input->setText(QString::fromStdString(profileName(profile)));
        input->selectAll();
    }
    if (ask.exec() != QDialog::Accepted)
        return;
    showProblem(m_session.commands().rename(id, ask.textResult().toStdString()));
}

void EditCommands::chooseProgram(std::uint32_t id)
{
    PROFILE profile;
    if (!ProfileCommands::copyOf(id, profile))
        return;
    const std::vector<std::string> running = m_session.runningProgramNames();
    CProgramDlg dialog(m_window, QString::fromStdString(profileName(profile)), profileProgramName(profile), running);
    if (dialog.exec() != QDialog::Accepted)
        return;
    showProblem(m_session.commands().setProgram(id, dialog.program()));
}

void EditCommands::exportProfile(std::uint32_t id)
{
    PROFILE profile;
    if (!ProfileCommands::copyOf(id, profile))
        return;
    const QString suggested
        = QDir::home().filePath(QString::fromStdString(profileName(profile)).replace('/', '-') + ".kavrel-profile");
    const std::optional<QString> file = chooseSaveFile(m_window, ProfileFilter, ProfileSuffix, suggested);
    if (!file)
        return;
    std::vector<int> dropped;
    const std::string problem = m_session.commands().exportTo(id, file->toStdString(), &dropped);
    if (!problem.empty())
        showProblem(problem);
    else if (!dropped.empty())
        show_message(m_window, "tc_pf_export_dropped");
}

void EditCommands::importProfile(std::uint32_t id)
{
    const std::optional<QString> file = chooseOpenFile(m_window, ProfileFilter, ProfileSuffix, QDir::homePath());
    if (!file)
        return;
    const std::string problem = m_session.commands().importFrom(id, file->toStdString());
    if (!problem.empty())
        showProblem(problem);
    else
        m_session.makeCurrent(id); // the window shows what was imported
}

void EditCommands::restoreProfile(std::uint32_t id)
{
    if (ask_question_default_no(m_window, "tc_msg5") != QDialog::Accepted)
        return;
    m_session.commands().restoreDefaults(id);
}

void EditCommands::showProblem(const std::string& problem)
{
    if (!problem.empty())
        show_message_text(m_window, QString::fromStdString(problem));
}

} // namespace kavrel
