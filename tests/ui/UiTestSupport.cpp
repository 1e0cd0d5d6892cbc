#include "UiTestSupport.h"

#include "app/Paths.h"
#include "app/Texts.h"
#include "platform/KeyCodes.h"
#include "ui/CKavrelDlg.h"
#include "ui/MissingPictures.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <QtTest/qtestspontaneevent.h>

#include <cstdlib>
#include <deque>
#include <vector>

namespace kavrel::test {
namespace {

// ---- modal answers ----

struct ModalAnswer {
    std::function<void(QDialog&)> action;
    std::vector<QPointer<QWidget>> openBefore; // dialogs open when the answer was queued
};

class ModalAnswerer : public QObject {
public:
    ModalAnswerer()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
    }

    void add(std::function<void(QDialog&)> action)
    {
        m_answers.push_back({std::move(action), openModalWidgets()});
        m_timer.start();
    }
    int pending() const { return int(m_answers.size()); }
    void clear()
    {
        m_answers.clear();
        m_timer.stop();
    }

private:
    static std::vector<QPointer<QWidget>> openModalWidgets()
    {
        std::vector<QPointer<QWidget>> open;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && widget->isModal())
                open.emplace_back(widget);
        return open;
    }

    bool isNew(QWidget* dialog, const ModalAnswer& answer) const
    {
        for (const QPointer<QWidget>& answered : m_answered)
            if (answered == dialog)
                return false;
        for (const QPointer<QWidget>& open : answer.openBefore)
            if (open == dialog)
                return false;
        return true;
    }

    void poll()
    {
        if (m_answers.empty()) {
            m_timer.stop();
            return;
        }
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || !isNew(dialog, m_answers.front()))
            return;
        std::erase_if(m_answered, [](const QPointer<QWidget>& answered) { return answered.isNull(); });
        m_answered.emplace_back(dialog);
        QPointer<QDialog> target(dialog);
        auto action = std::move(m_answers.front().action);
        m_answers.pop_front();
        // The action runs as a posted call, not inside this timer's slot: an
        // action that opens a nested modal dialog keeps the polling alive.
        QMetaObject::invokeMethod(
            qApp,
            [target, action = std::move(action)] {
                if (target)
                    action(*target);
            },
            Qt::QueuedConnection);
    }

    QTimer m_timer;
    std::deque<ModalAnswer> m_answers;
    std::vector<QPointer<QWidget>> m_answered; // a destroyed dialog's address may come back
};

ModalAnswerer& answerer()
{
    static auto* instance = new ModalAnswerer; // lives as long as the application
    return *instance;
}

QAbstractButton* findButton(QDialog& dialog, const char* name, QDialogButtonBox::StandardButton standard)
{
    if (auto* button = dialog.findChild<QAbstractButton*>(name))
        return button;
    if (auto* box = dialog.findChild<QDialogButtonBox*>())
        return box->button(standard);
    return nullptr;
}

void clickWithMouse(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// ---- key events ----

// The Qt key and text of a virtual key, as a US layout gives them without modifiers.
struct QtKeyOf {
    int key = 0;
    QString text;
};

QtKeyOf qtKeyOf(int virtualKey, bool extended)
{
    const int vk = virtualKey & 0xFF;
    if (vk >= 0x41 && vk <= 0x5A)
        return {Qt::Key_A + (vk - 0x41), QString(QChar(u'a' + (vk - 0x41)))};
    if (vk >= 0x30 && vk <= 0x39)
        return {Qt::Key_0 + (vk - 0x30), QString(QChar(u'0' + (vk - 0x30)))};
    if (vk >= 0x60 && vk <= 0x69)
        return {Qt::Key_0 + (vk - 0x60), QString(QChar(u'0' + (vk - 0x60)))};
    if (vk >= 0x70 && vk <= 0x87)
        return {Qt::Key_F1 + (vk - 0x70), {}};
    switch (vk) {
    case 0x08:
        return {Qt::Key_Backspace, QString(QChar(8))};
    case 0x09:
        return {Qt::Key_Tab, QString(QChar(9))};
    case 0x0D:
        return {extended ? Qt::Key_Enter : Qt::Key_Return, QString(QChar(13))};
    case 0x10:
    case 0xA0:
    case 0xA1:
        return {Qt::Key_Shift, {}};
    case 0x11:
    case 0xA2:
    case 0xA3:
        return {Qt::Key_Control, {}};
    case 0x12:
    case 0xA4:
        return {Qt::Key_Alt, {}};
    case 0xA5:
        return {Qt::Key_AltGr, {}};
    case 0x14:
        return {Qt::Key_CapsLock, {}};
    case 0x1B:
        return {Qt::Key_Escape, QString(QChar(27))};
    case 0x20:
        return {Qt::Key_Space, QStringLiteral(" ")};
    case 0x21:
        return {Qt::Key_PageUp, {}};
    case 0x22:
        return {Qt::Key_PageDown, {}};
    case 0x23:
        return {Qt::Key_End, {}};
    case 0x24:
        return {Qt::Key_Home, {}};
    case 0x25:
        return {Qt::Key_Left, {}};
    case 0x26:
        return {Qt::Key_Up, {}};
    case 0x27:
        return {Qt::Key_Right, {}};
    case 0x28:
        return {Qt::Key_Down, {}};
    case 0x2D:
        return {Qt::Key_Insert, {}};
    case 0x2E:
        return {Qt::Key_Delete, {}};
    case 0x5B:
    case 0x5C:
        return {Qt::Key_Meta, {}};
    case 0x5D:
        return {Qt::Key_Menu, {}};
    default:
        return {Qt::Key_unknown, {}};
    }
}

// The table entry of a virtual key; with ExtendedVariant the extended entry of that code.
const platform::KeyCodeEntry* entryOf(int virtualKey)
{
    const int vk = virtualKey & 0xFF;
    if (virtualKey & ExtendedVariant) {
        for (const platform::KeyCodeEntry& entry : platform::keyCodeTable())
            if (entry.virtualKey == vk && entry.extended)
                return &entry;
    }
    return platform::keyOfVirtualKey(vk);
}

QWidget* keyReceiver(QWidget* target)
{
    QWidget* window = target->window();
    if (target == window && window->focusWidget())
        return window->focusWidget();
    return target;
}

void deliverKey(QWidget* target, QKeyEvent& event)
{
    QWidget* receiver = keyReceiver(target);
    QSpontaneKeyEvent::setSpontaneous(&event);
    if (event.type() == QEvent::KeyPress
        && qt_sendShortcutOverrideEvent(
            receiver, event.timestamp(), event.key(), event.modifiers(), event.text(), event.isAutoRepeat()))
        return;
    QApplication::sendEvent(receiver, &event);
}

} // namespace

void answerNextModal(std::function<void(QDialog&)> action)
{
    answerer().add(std::move(action));
}

int pendingModalAnswers()
{
    return answerer().pending();
}

void clearModalAnswers()
{
    answerer().clear();
}

void clickOk(QDialog& dialog)
{
    QAbstractButton* button = findButton(dialog, "ok", QDialogButtonBox::Ok);
    if (!button) {
        ADD_FAILURE() << "no OK button in " << dialog.objectName().toStdString();
        return;
    }
    clickWithMouse(button);
}

void clickCancel(QDialog& dialog)
{
    QAbstractButton* button = findButton(dialog, "cancel", QDialogButtonBox::Cancel);
    if (!button) {
        ADD_FAILURE() << "no Cancel button in " << dialog.objectName().toStdString();
        return;
    }
    clickWithMouse(button);
}

void clickButton(QWidget& parent, const QString& objectName)
{
    auto* button = parent.findChild<QAbstractButton*>(objectName);
    if (!button) {
        ADD_FAILURE() << "no button " << objectName.toStdString();
        return;
    }
    clickWithMouse(button);
}

void typeInto(QDialog& dialog, const QString& text)
{
    auto* input = dialog.findChild<QLineEdit*>("input");
    if (!input)
        input = dialog.findChild<QLineEdit*>();
    if (!input) {
        ADD_FAILURE() << "no input field";
        return;
    }
    input->setFocus();
    QTest::keyClicks(input, text);
}

void sendKey(QWidget* target, int virtualKey, bool down, bool autoRepeat, std::uint64_t timestampMs)
{
    const platform::KeyCodeEntry* entry = entryOf(virtualKey);
    const bool extended = entry && entry->extended;
    const QtKeyOf key = qtKeyOf(entry ? entry->virtualKey : virtualKey, extended && (virtualKey & 0xFF) == 0x0D);
    const quint32 scanCode = entry ? quint32(entry->evdev) + 8 : 0;
    QKeyEvent event(
        down ? QEvent::KeyPress : QEvent::KeyRelease, key.key, Qt::NoModifier, scanCode, 0, 0, key.text, autoRepeat);
    event.setTimestamp(timestampMs);
    deliverKey(target, event);
}

void tapKey(QWidget* target, int virtualKey)
{
    sendKey(target, virtualKey, true);
    sendKey(target, virtualKey, false);
}

void sendQtKey(QWidget* target, int qtKey, bool down, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, qtKey, modifiers);
    deliverKey(target, event);
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

void ProgramFolderFixture::SetUp()
{
    m_savedCfg = Cfg;
    m_savedProgramFolder = ProgramFolder();
    SetProgramFolder(buildBinDir());
    LoadTexts(TextFilePath());
    loadConfigQuietly(readFile(buildBinDir() / "cfg.ini"));
    SetAppDataFolderOverride(m_appData.path());
    forgetMissingSkinPictures(); // each test sees its own missing pictures named
}

void ProgramFolderFixture::TearDown()
{
    clearModalAnswers();
    SetProgramFolder(m_savedProgramFolder);
    Cfg = m_savedCfg;
    m_skinCopy.reset();
}

void ProgramFolderFixture::useSkinWithout(std::initializer_list<std::string_view> missingFiles)
{
    namespace fs = std::filesystem;
    m_skinCopy = std::make_unique<TempDir>();
    const fs::path skins = m_skinCopy->path() / "skins";
    fs::create_directories(skins);
    for (const fs::directory_entry& file : fs::directory_iterator(buildBinDir() / "skins")) {
        const std::string name = file.path().filename().string();
        bool missing = false;
        for (std::string_view gone : missingFiles)
            missing = missing || name == gone;
        if (!missing && file.is_regular_file())
            fs::copy_file(file.path(), skins / name);
    }
    for (const char* name : {"cfg.ini", "text.xml"})
        if (fs::exists(buildBinDir() / name))
            fs::copy_file(buildBinDir() / name, m_skinCopy->path() / name);
    SetProgramFolder(m_skinCopy->path());
}

void useSimulatedKeyboardWithoutTray(const std::filesystem::path& folder)
{
    setenv("KAVREL_HIDGATE", "libhidgate-sim.so", 1);
    setenv("KAVREL_SIM_STATE", (folder / "sim.state").c_str(), 1);
    Cfg.TrayIcon = 2;
    CKavrelDlg::setTrayAvailabilityOverride(false);
}

} // namespace kavrel::test
