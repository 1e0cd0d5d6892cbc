#pragma once

#include "app/KeyInfo.h"
#include "controls/OffscreenBuffer.h"
#include "ui/EditingSession.h"
#include "ui/MainTray.h"

#include <QIcon>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QEventLoop;

namespace kavrel {

class CKBColorDlg;
class CLedDlg;
class CPngBtn;
class EditCommands;

// The program's one top-level window: the skinned frameless window with the keyboard view, the lighting
// page's area, the profile buttons and the Apply/OK/Cancel row, and the tray icon. What it edits and when
// (profiles, edits, saving, the device link, hot-plug, automatic switching) is its EditingSession's; the
// window shows that state, forwards clicks and tells the user what went wrong. Start-up creates it and runs
// exec(); the program ends when exec() returns. Hiding the window (tray modes) keeps it running.
class CKavrelDlg : public QWidget {
    Q_OBJECT
public:
    // Positions and numbers of the window, as the skin layouts give them.
    static constexpr int SwitchTimerId = 576;
    static constexpr int TrayConfigCommand = 24576;
    static constexpr int TrayExitCommand = 24577;
    static constexpr int ProfileButtonStep = 33;
    static constexpr int ApplyRowStep = 63;
    static constexpr QPoint RestorePosition{33, 541};
    static constexpr QRect VersionTextRect{QPoint(55, 600), QPoint(254, 619)};
    static constexpr QSize HintTextSize{686, 20};
    static constexpr unsigned BackgroundArgb = 0xC8FFFFFF;
    static constexpr QRect ProgressBarRect{QPoint(45, 101), QPoint(485, 122)};
    static constexpr QRect ProgressTextRect{QPoint(15, 12), QPoint(454, 31)};

    enum Button { Minimise, Exit, Apply, Ok, Cancel, Restore, Profile1, Profile2, Profile3, Macro, ButtonCount };

    explicit CKavrelDlg(QWidget* parent = nullptr);
    ~CKavrelDlg() override; // shutdown: worker stopped and joined, lists emptied, tray removed, notices ended

    // Window initialisation: skin, controls, title, notices, timer, device link, worker, macro library, tray,
    // and opening. False when the window has already asked to close (no skin, or no keyboard without Suwnd).
    bool initialise();
    // Runs the window until it ends (WM_CLOSE, tray Exit, a failed start); initialises it first. Returns 0,
    // or 1 after a failed start (no skin, no keyboard without Suwnd) for the program's exit status.
    int exec();
    // WM_CLOSE: the window ends, and with it the program.
    void endWindow();
    int exitCode() const { return m_exitCode; }
    bool ended() const { return m_ended; }

    // Operations other pages use.
    void switchToProfile(std::uint32_t id);
    void refreshPages();
    void openWindow();

    // The after-picker steps of a key click: a colour for key k (negative: the selected key), or an assignment
    // for key k. Both honour ApplyNow. An assignment is stored (true) only with a current profile and a
    // selected key, and not when it is the same key combination as the stored one.
    void storeKeyColour(int key, std::uint32_t colour);
    bool storeKeyAssignment(int key, const KEYINFO& info);

    // A device notice from the hot-plug monitor (or a test): arrival retries FindDev without blocking.
    void deviceNotice(unsigned event, const std::string& path) { m_session->deviceNotice(event, path); }
    // One tick of automatic switching.
    void autoSwitchTick() { m_session->autoSwitchTick(); }
    bool autoSwitchPending() const { return m_session->autoSwitchPending(); }
    // Whether a switch may happen now: not while any dialog or menu of the window is open.
    bool mayInterrupt() const;
    EditingSession& session() const { return *m_session; }
    // Undo and redo, and the profile buttons' menus.
    EditCommands* editCommands() const { return m_edits; }

    CKBColorDlg* keyboardView() const { return m_view; }
    // The lighting page at rcLED.
    CLedDlg* lightingPage() const { return m_led; }
    CPngBtn* button(Button which) const { return m_buttons[which]; }
    CUSBDriver& deviceLink() { return m_session->link(); }
    bool devicePresent() const { return m_session->devicePresent(); }
    bool shownAllowed() const { return m_shown; }
    bool trayIconExists() const { return m_tray != nullptr; }
    // The TrayIcon mode the window acts by: 1 and 3 only while a system tray exists, else 2.
    int trayMode() const { return m_trayMode; }
    QString lastBalloon() const { return m_tray ? m_tray->lastBalloon() : QString(); }

    // Tests: pretend a system tray exists (or not) for windows created afterwards; nullopt asks the desktop.
    static void setTrayAvailabilityOverride(std::optional<bool> available);

signals:
    // After every profile switch and refresh (the lighting page has reloaded from the current profile).
    void pagesRefreshed();
    // After a colour was picked for a key (the lighting page has stored its state into the profile).
    void keyColourStored();
    // A key of the view was clicked (message 1153), before the key function picker runs for it.
    void keyClicked(int key);
    // The macro button was pressed: the macro page runs.
    void macroPageRequested();
    // Every end of exec() and every hide, for tests and the tray.
    void windowEnded();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public:
    void setVisible(bool visible) override;

private:
    bool loadSkin();
    void placeWindow();
    void createButtons();
    // Alt+1/2/3 the profiles, Ctrl+M the macro page, Ctrl+Enter Apply.
    void createShortcuts();
    void setUpTabOrder();
    void createKeyboardView();
    void createLightingPage();
    void startHotplug();
    void showBalloon(const QString& text);
    void reloadProfiles();
    void showCurrentProfile();
    void refreshKeyboardView();
    void onButton(CPngBtn* button);
    void runMacroPage();
    void exitOrHide();
    // Modes 1 and 3 until settleTray has made the tray icon or found that there is no tray.
    bool trayUnsettled() const { return m_trayMode != 2 && !m_tray; }
    // The tray mode, once it is known whether there is a tray (without one, modes 1 and 3 act as 2).
    void settleTrayMode();
    // The tray mode and, in modes 1 and 3, the tray icon; once.
    void settleTray();
    // The program's icon, loaded and given to the window the first time it is asked for.
    const QIcon& icon();
    // What a window shown at start leaves until it has been painted: its icon and its tray.
    void afterFirstPaint();
    void applyAndSave(bool ok);
    bool runApplyProgress();
    void restoreDefaults();
    void keyboardRemoved();
    void handleKeyClick(int key);
    void tell(const QString& message);
    void failStart();

    QImage m_background;
    QIcon m_icon;
    std::array<CPngBtn*, ButtonCount> m_buttons{};
    CKBColorDlg* m_view = nullptr;
    CLedDlg* m_led = nullptr;
    bool m_shown = true;
    QFont m_font;
    EditingSession* m_session = nullptr;
    MainTray* m_tray = nullptr;
    EditCommands* m_edits = nullptr;
    int m_trayMode = 2;
    bool m_firstPaintDone = false;
    bool m_initialised = false;
    bool m_ended = false;
    int m_exitCode = 0;
    QEventLoop* m_loop = nullptr;
    OffscreenBuffer m_buffer;
};

// Whether a key's assignment differs from its default: the first word (code and kind), the modifiers or
// either key. Geometry and macro id do not count.
struct KeyDescription;

// A key of the current profile as tool tips and screen readers name it: the key, its function now
// (a macro as "Macro NAME") and whether that differs from the default.
KeyDescription describeKeyOfCurrentProfile(int index);

bool keyDiffersFromDefault(const KEYINFO& key, const KEYINFO& defaults);

} // namespace kavrel
