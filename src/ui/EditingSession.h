#pragma once

#include "app/KeyInfo.h"
#include "device/CUSBDriver.h"
#include "model/ProfileStore.h"
#include "platform/MessageBox.h"
#include "ui/ProfileCommands.h"
#include "ui/ProfileEditHistory.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSocketNotifier;

namespace kavrel {

struct PROFILE;

namespace platform {
class HotplugMonitor;
class ProcessWalker;
} // namespace platform

// Finds the keyboard again after a hot-plug arrival: the hidraw node and its
// access rights often come a moment after the notice, and one keyboard brings
// several nodes, so tries are spread over a few seconds with growing pauses.
// A new arrival restarts the schedule; the first success ends it. Runs on the
// interface thread's event loop, never blocking it.
class ArrivalRetry : public QObject {
    Q_OBJECT
public:
    // Pauses before each try, in milliseconds: 0.1, 0.2, 0.4, 0.8 s, then 1 s, about 5 s in all.
    static const std::vector<int>& defaultSchedule();

    ArrivalRetry(std::function<bool()> find, std::vector<int> scheduleMs, QObject* parent = nullptr);

    void start();
    void stop();
    bool running() const { return m_timer.isActive(); }
    int triesMade() const { return m_tries; }

signals:
    void found();
    void gaveUp();

private:
    void tryOnce();

    std::function<bool()> m_find;
    std::vector<int> m_schedule;
    std::size_t m_next = 0;
    int m_tries = 0;
    QTimer m_timer;
};

// The main window's editing session, without any window: the profiles the
// user edits (the store loaded into ProfileList, the current profile, and
// whether there are edits not yet saved), the key edits landing in the
// profile they were made for, the profile commands (rename, the program of
// automatic switching, export, import, restore) and the undo history of every
// edit until it is saved or dropped, saving with its result, Cancel's discard,
// the device link with its apply worker and hot-plug notices, and automatic
// switching with the rule of when it may run. The window shows this state and
// forwards clicks; tests drive it directly.
//
// Everything runs on the interface thread; edits of the lists take
// ApplyDataMutex() as the apply worker reads them under it.
class EditingSession : public QObject {
    Q_OBJECT
public:
    static constexpr int SwitchPeriodMs = 1300;

    explicit EditingSession(QObject* parent = nullptr);
    // Stops switching and the worker (joined) before the lists and the device link go; ends the notices.
    ~EditingSession() override;

    // ---- Device link ------------------------------------------------------------------------------------------
    // Opens the link (Init + FindDev) and starts the apply worker, which tells the user through `messages`
    // (it must outlive the session). True when a keyboard was found.
    bool connectKeyboard(platform::MessageSink& messages);
    CUSBDriver& link() { return m_link; }
    bool devicePresent() const { return m_link.m_hMatrix.load() != 0; }
    int deviceCount() { return m_link.CountDevices(); }
    // Listens to hidraw hot-plug notices; false without udev (the program then runs without hot-plug).
    bool startHotplug();
    // A notice (from the monitor or a test): an arrival of this keyboard starts the retries, a removal
    // clears the link and emits keyboardRemoved.
    void deviceNotice(unsigned event, const std::string& path);
    ArrivalRetry& arrivalRetry() { return *m_arrival; }

    // ---- Profiles ---------------------------------------------------------------------------------------------
    // Reads pro.dct and curid.dct into ProfileList (damaged records never taken: see OpenStore). Returns the
    // message for the user when the store was damaged, once per damaged content; empty otherwise.
    QString load();
    // Ids of the profiles behind the three profile buttons (0 for none).
    const std::array<std::uint32_t, 3>& buttonProfiles() const { return m_buttonIds; }
    std::uint32_t currentId() const;
    PROFILE* profile(std::uint32_t id) const;
    // Makes a profile current (a click on its button); false for an unknown id.
    bool makeCurrent(std::uint32_t id);
    // Whether ProfileList or the current id differ from what the store holds (or would write).
    bool modified() const;
    // Cancel: every edit not saved is dropped at once by reading the store again.
    void discardEdits();

    // ---- Edits ------------------------------------------------------------------------------------------------
    // Stores a key's new function into the profile with this id (not whichever is current by then). False,
    // storing nothing, for an unknown profile or key, and when it is the same key combination as stored.
    // One undo step.
    bool assignKey(std::uint32_t profileId, int key, const KEYINFO& info);
    // The current profile back to its factory state (keeping its name); one undo step.
    bool restoreDefaults();
    // After an edit another page made in the current profile (lighting, a key's colour): one undo step from
    // the profile as it was to the profile as it is now; applyFlags are what an immediate apply of it sends.
    void recordEdit(ProfileEdit kind, std::uint32_t applyFlags);
    // Rename, program link, export, import and restore of any profile, each one undo step (window-free).
    ProfileCommands& commands() { return m_commands; }
    // Every edit since the last load, save or discard: undo and redo put the profile's record back and emit
    // profileChanged. A successful save, a load and Cancel's discard end it.
    ProfileEditHistory& history() { return m_history; }
    // The names automatic switching can match, for choosing one: from the same process walk the switch uses.
    std::vector<std::string> runningProgramNames();
    // Ends the undo history without an edit: the profiles as they are now are where the next one starts (after
    // a change no step can take back, such as keys reset because their macro was deleted).
    void endHistory();

    // ---- Saving -----------------------------------------------------------------------------------------------
    // Writes pro.dct and curid.dct. On failure returns the message for the user: the file and the system's
    // reason; the store's old files stay.
    std::optional<QString> save();
    // The message for a failed write of one of the store's files.
    static QString saveFailureText(const std::string& file, int error);

    // ---- Automatic switching ----------------------------------------------------------------------------------
    // The rule of when a switch may happen: the window answers false while any of its dialogs is open (a
    // switch then waits for the next tick, and one that the keyboard already took waits to become current).
    void setSwitchGate(std::function<bool()> mayInterrupt) { m_mayInterrupt = std::move(mayInterrupt); }
    bool switchingAllowed() const { return !m_mayInterrupt || m_mayInterrupt(); }
    void startSwitching() { m_switchTimer.start(); }
    void stopSwitching() { m_switchTimer.stop(); }
    // One tick: the first profile whose program runs is written to the keyboard, and becomes current once
    // the keyboard has it.
    void autoSwitchTick();
    bool autoSwitchPending() const { return m_autoSwitchPending || m_deferredSwitch != 0; }

signals:
    // The current profile changed (a switch, a reload, a discard): the window shows it.
    void currentChanged();
    // A profile was changed by a command, an undo or a redo (not necessarily the current one): the window
    // shows it, and applies it with these flags when it is current and edits apply at once.
    void profileChanged(std::uint32_t id, std::uint32_t applyFlags);
    void keyboardRemoved();
    void keyboardFound();
    // A save the session made on its own (the current id after an automatic switch) failed: the message.
    void saveFailed(const QString& message);

private:
    void rememberButtons();
    void finishAutoSwitch(std::uint32_t id, bool applied);
    void setCurrent(std::uint32_t id);
    void putBack(const PROFILE& record, std::uint32_t applyFlags);

    CUSBDriver m_link;
    bool m_workerStarted = false;
    std::array<std::uint32_t, 3> m_buttonIds{};
    std::vector<std::uint8_t> m_storedImage; // what pro.dct holds (or would hold) since the last load or save
    std::uint32_t m_storedCurrentId = 0;
    std::unique_ptr<platform::HotplugMonitor> m_hotplug;
    QSocketNotifier* m_hotplugNotifier = nullptr;
    ArrivalRetry* m_arrival = nullptr;
    std::unique_ptr<platform::ProcessWalker> m_processes;
    QTimer m_switchTimer;
    std::function<bool()> m_mayInterrupt;
    bool m_autoSwitchPending = false;
    std::uint32_t m_deferredSwitch = 0; // the keyboard has it; current once the dialogs are closed
    ProfileEditHistory m_history;
    ProfileCommands m_commands;
};

} // namespace kavrel
