#pragma once

#include "app/KeyInfo.h"
#include "controls/OffscreenBuffer.h"
#include "device/CUSBDriver.h"

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
class QSocketNotifier;
class QSystemTrayIcon;
class QMenu;

namespace kavrel {

class CKBColorDlg;
class CLedDlg;
class CPngBtn;
struct PROFILE;

namespace platform {
class HotplugMonitor;
class ProcessWalker;
} // namespace platform

// The program's one top-level window: the skinned frameless window with the keyboard view, the lighting
// page's area, the profile buttons and the Apply/OK/Cancel row. It owns the device link, the apply worker's
// lifetime, the tray icon, the hot-plug notices and the automatic switching timer. Start-up creates it and
// runs exec(); the program ends when exec() returns. Hiding the window (tray modes) keeps it running.
class CKavrelDlg : public QWidget {
    Q_OBJECT
public:
    // Positions and numbers of the window, as the skin layouts give them.
    static constexpr int SwitchTimerId = 576;
    static constexpr int SwitchPeriodMs = 1300;
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
    // Runs the window until it ends (WM_CLOSE, tray Exit, a failed start); initialises it first.
    int exec();
    // WM_CLOSE: the window ends, and with it the program.
    void endWindow();
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
    void deviceNotice(unsigned event, const std::string& path);
    // One tick of automatic switching.
    void autoSwitchTick();
    bool autoSwitchPending() const { return m_autoSwitchPending; }

    CKBColorDlg* keyboardView() const { return m_view; }
    // The lighting page at rcLED.
    CLedDlg* lightingPage() const { return m_led; }
    CPngBtn* button(Button which) const { return m_buttons[which]; }
    CUSBDriver& deviceLink() { return m_link; }
    bool devicePresent() const { return m_link.m_hMatrix.load() != 0; }
    bool shownAllowed() const { return m_shown; }
    bool trayIconExists() const { return m_tray != nullptr; }
    // The TrayIcon mode the window acts by: 1 and 3 only while a system tray exists, else 2.
    int trayMode() const { return m_trayMode; }
    const QString& lastBalloon() const { return m_lastBalloon; }

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
    void loadIcon();
    bool loadSkin();
    void placeWindow();
    void createButtons();
    void createKeyboardView();
    void createLightingPage();
    void startHotplug();
    void createTray();
    void handleTrayMessage(std::intptr_t mouseMessage);
    void showBalloon(const QString& text);
    void reloadProfiles();
    void refreshKeyboardView();
    void onButton(CPngBtn* button);
    void runMacroPage();
    void exitOrHide();
    void applyAndSave(bool ok);
    void runApplyProgress();
    void restoreDefaults();
    void tryFindDevAfterArrival(int attemptsLeft);
    void finishAutoSwitch(std::uint32_t id, bool applied);
    void handleKeyClick(int key);

    QImage m_background;
    QIcon m_icon;
    std::array<CPngBtn*, ButtonCount> m_buttons{};
    std::array<std::uint32_t, 3> m_profileIds{};
    CKBColorDlg* m_view = nullptr;
    CLedDlg* m_led = nullptr;
    bool m_shown = true;
    QFont m_font;
    CUSBDriver m_link;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_trayMenu = nullptr;
    int m_trayMode = 2;
    QString m_lastBalloon;
    std::unique_ptr<platform::HotplugMonitor> m_hotplug;
    QSocketNotifier* m_hotplugNotifier = nullptr;
    std::unique_ptr<platform::ProcessWalker> m_processes;
    QTimer m_switchTimer;
    bool m_autoSwitchPending = false;
    bool m_workerStarted = false;
    bool m_initialised = false;
    bool m_ended = false;
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
