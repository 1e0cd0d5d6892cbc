#pragma once

// What every window test shares: answering modal dialogs without a person,
// key events as the X server delivers them, and a program folder to run in.

#include "app/Config.h"
#include "controls/ControlTestSupport.h" // processEvents, rendered, MessageRecorder, TestSkin
#include "support/TestSupport.h"

#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

class QDialog;
class QWidget;

namespace kavrel::test {

// Runs `action` on the next modal dialog shown after this call (a dialog
// already open now is not "next"), found by polling from the event loop: no
// fixed wait. Several answers can be queued; each takes the next new modal
// dialog, nested ones included (an answer may itself open another modal
// dialog, which a later answer then takes). The action runs on the real
// dialog; it usually ends it with clickOk / clickCancel.
void answerNextModal(std::function<void(QDialog&)> action);
// Answers not used yet.
int pendingModalAnswers();
// Drops the answers not used yet (call at the end of a test that may leave some).
void clearModalAnswers();

// Clicks the dialog's OK / Cancel button with the mouse. The buttons are
// found by object name: "ok" and "cancel" (every dialog of the program names
// them so), else a QDialogButtonBox's; a test fails when there is none.
void clickOk(QDialog& dialog);
void clickCancel(QDialog& dialog);
// Clicks a child button found by object name with the mouse.
void clickButton(QWidget& parent, const QString& objectName);

// Types the text into the dialog's input field (child "input", else the
// first line edit), character by character as key presses and releases.
void typeInto(QDialog& dialog, const QString& text);

// Or'ed into sendKey's virtualKey: the extended form of a code that has two
// keys (the keypad Enter for 13).
inline constexpr int ExtendedVariant = 0x100;

// One key press or release of a virtual key, as the X server delivers it:
// a QKeyEvent with the native scan code (evdev code + 8; the right-hand
// modifiers by their own codes, 160-165), its Qt key and text, sent to the
// focus widget of target's window (target itself when it is no window or has
// no focus widget), after the shortcut override Qt sends before every press.
void sendKey(QWidget* target, int virtualKey, bool down, bool autoRepeat = false, std::uint64_t timestampMs = 0);
// A press and a release.
void tapKey(QWidget* target, int virtualKey);
// The same without a native scan code (a synthetic event, as offscreen tests
// and some input methods give): the capture must fall back to the Qt key.
void sendQtKey(QWidget* target, int qtKey, bool down, Qt::KeyboardModifiers modifiers = {});

// Waits (processing events) until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

// The main window as most window tests open it: the simulated keyboard keeps its state in folder, and
// there is no tray, so the window shows at once and Exit ends it.
void useSimulatedKeyboardWithoutTray(const std::filesystem::path& folder);

// A program folder to run windows in: the build's bin/ folder with the
// bundled default skin, cfg.ini and text.xml, all loaded, and a fresh
// application-data folder. Settings it changes are restored afterwards.
class ProgramFolderFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Switches to a copy of the program folder without the named skin
    // pictures (missing-picture tests); it lives until the test ends.
    void useSkinWithout(std::initializer_list<std::string_view> missingFiles);

    std::filesystem::path appData() const { return m_appData.path(); }

private:
    TempDir m_appData;
    std::unique_ptr<TempDir> m_skinCopy;
    Settings m_savedCfg;
    std::string m_savedProgramFolder;
};

} // namespace kavrel::test
