#include "ui/EditingSession.h"

#include "app/Config.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "device/ApplyWorker.h"
#include "device/DeviceNoticeHandler.h"
#include "device/HardwareEncoding.h"
#include "macro/MacroList.h"
#include "model/Lists.h"
#include "platform/HotplugMonitor.h"
#include "platform/ProcessSnapshot.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <cstring>

namespace kavrel {
namespace {

PROFILE* findProfile(std::uint32_t id)
{
    for (PROFILE& profile : ProfileList)
        if (profile.id == id)
            return &profile;
    return nullptr;
}

QString qtext(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

// ---- ArrivalRetry ----------------------------------------------------------------------------------------------

const std::vector<int>& ArrivalRetry::defaultSchedule()
{
    static const std::vector<int> schedule{100, 200, 400, 800, 1000, 1000, 1000};
    return schedule;
}

ArrivalRetry::ArrivalRetry(std::function<bool()> find, std::vector<int> scheduleMs, QObject* parent)
    : QObject(parent)
    , m_find(std::move(find))
    , m_schedule(std::move(scheduleMs))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ArrivalRetry::tryOnce);
}

void ArrivalRetry::start()
{
    m_next = 0;
    m_tries = 0;
    if (m_schedule.empty())
        return;
    m_timer.start(m_schedule[0]);
}

void ArrivalRetry::stop()
{
    m_timer.stop();
}

void ArrivalRetry::tryOnce()
{
    ++m_tries;
    ++m_next;
    if (m_find && m_find()) {
        emit found();
        return;
    }
    if (m_next >= m_schedule.size()) {
        WriteLog("Device IN: not found after %d tries", m_tries);
        emit gaveUp();
        return;
    }
    m_timer.start(m_schedule[m_next]);
}

// ---- EditingSession --------------------------------------------------------------------------------------------

EditingSession::EditingSession(QObject* parent)
    : QObject(parent)
    , m_processes(std::make_unique<platform::ProcessWalker>())
    , m_history([this](const PROFILE& record, std::uint32_t applyFlags) { putBack(record, applyFlags); })
    , m_commands(m_history, [this](std::uint32_t id, std::uint32_t applyFlags) {
        if (id == currentId())
            emit currentChanged();
        emit profileChanged(id, applyFlags);
    })
{
    m_arrival = new ArrivalRetry([this] { return m_link.FindDev(); }, ArrivalRetry::defaultSchedule(), this);
    connect(m_arrival, &ArrivalRetry::found, this, &EditingSession::keyboardFound);
    m_switchTimer.setInterval(SwitchPeriodMs);
    connect(&m_switchTimer, &QTimer::timeout, this, &EditingSession::autoSwitchTick);
}

EditingSession::~EditingSession()
{
    // The worker reads the lists and the device link: it is stopped and joined before either goes.
    m_switchTimer.stop();
    m_arrival->stop();
    if (m_workerStarted)
        StopApplyWorker();
    {
        std::lock_guard lock(ApplyDataMutex());
        CurrentProfile = nullptr;
        ProfileList.clear();
        MacroList.clear();
    }
    delete m_hotplugNotifier;
    m_hotplugNotifier = nullptr;
    m_hotplug.reset();
}

bool EditingSession::connectKeyboard(platform::MessageSink& messages)
{
    m_link.Init();
    const bool found = m_link.FindDev();
    StartApplyWorker(m_link, messages);
    m_workerStarted = true;
    return found;
}

bool EditingSession::startHotplug()
{
    m_hotplug = std::make_unique<platform::HotplugMonitor>();
    if (!m_hotplug->start()) {
        WriteLog("Device notices unavailable: no hot-plug");
        return false;
    }
    m_hotplugNotifier = new QSocketNotifier(m_hotplug->fd(), QSocketNotifier::Read, this);
    connect(m_hotplugNotifier, &QSocketNotifier::activated, this, [this] {
        while (auto notice = m_hotplug->read())
            deviceNotice(notice->event, notice->path);
    });
    return true;
}

void EditingSession::deviceNotice(unsigned event, const std::string& path)
{
    if (!DevicePathMatches(path, DevicePathPattern()))
        return;
    if (event == platform::DeviceArrival) {
        WriteLog("Device IN");
        m_arrival->start();
        return;
    }
    if (HandleDeviceNotice(m_link, event, path) != NoticeOutcome::Removed)
        return;
    m_arrival->stop();
    emit keyboardRemoved();
}

QString EditingSession::load()
{
    StoreLoadReport report;
    {
        std::lock_guard lock(ApplyDataMutex());
        report = OpenStore(profileEncodingProblem);
        rememberButtons();
        m_storedImage = StoreImage();
        m_storedCurrentId = CurrentProfile ? CurrentProfile->id : 0;
    }
    endHistory();
    emit currentChanged();
    if (!report.damagedFile() || report.reportedBefore)
        return {};
    const std::string kept = report.keptAs.empty() ? std::string(std::strerror(report.keepError)) : report.keptAs;
    return qtext(TextWith("tc_store_damaged", {StoreFilePath(), report.summary(), kept}));
}

void EditingSession::rememberButtons()
{
    m_buttonIds.fill(0);
    std::size_t index = 0;
    for (const PROFILE& profile : ProfileList) {
        if (index >= m_buttonIds.size())
            break;
        m_buttonIds[index++] = profile.id;
    }
}

std::uint32_t EditingSession::currentId() const
{
    return CurrentProfile ? CurrentProfile->id : 0;
}

PROFILE* EditingSession::profile(std::uint32_t id) const
{
    return id == 0 ? nullptr : findProfile(id);
}

bool EditingSession::makeCurrent(std::uint32_t id)
{
    {
        std::lock_guard lock(ApplyDataMutex());
        PROFILE* found = profile(id);
        if (!found)
            return false;
        CurrentProfile = found;
        m_history.setBase(CurrentProfile);
    }
    emit currentChanged();
    return true;
}

void EditingSession::setCurrent(std::uint32_t id)
{
    makeCurrent(id);
}

bool EditingSession::modified() const
{
    std::lock_guard lock(ApplyDataMutex());
    return currentId() != m_storedCurrentId || StoreImage() != m_storedImage;
}

void EditingSession::discardEdits()
{
    if (!modified()) {
        endHistory(); // edits undone to the stored state leave steps to redo: Cancel drops them too
        return;
    }
    WriteLog("Edits discarded");
    load();
}

bool EditingSession::assignKey(std::uint32_t profileId, int key, const KEYINFO& info)
{
    if (key < 0 || key >= KeyTableSize)
        return false;
    PROFILE before;
    PROFILE after;
    {
        std::lock_guard lock(ApplyDataMutex());
        PROFILE* target = profile(profileId);
        if (!target)
            return false;
        KEYINFO& stored = target->keys[key];
        if (stored.kind == KindKey && info.kind == KindKey && stored.modifiers == info.modifiers
            && stored.key1 == info.key1 && stored.key2 == info.key2)
            return false;
        before = *target;
        KEYINFO updated = info;
        updated.rect = KeyTable[std::size_t(key)].rect;
        updated.matrixIndex = KeyTable[std::size_t(key)].matrixIndex;
        stored = updated;
        after = *target;
    }
    m_history.record(before, after, ProfileEdit::KeyFunction, ApplyMatrixAndMacros);
    return true;
}

bool EditingSession::restoreDefaults()
{
    const std::uint32_t id = currentId();
    return id != 0 && m_commands.restoreDefaults(id);
}

void EditingSession::recordEdit(ProfileEdit kind, std::uint32_t applyFlags)
{
    PROFILE current;
    {
        std::lock_guard lock(ApplyDataMutex());
        if (!CurrentProfile)
            return;
        current = *CurrentProfile;
    }
    m_history.recordEdit(current, kind, applyFlags);
}

std::vector<std::string> EditingSession::runningProgramNames()
{
    return platform::programNamesOf(m_processes->walk().processes());
}

void EditingSession::putBack(const PROFILE& record, std::uint32_t applyFlags)
{
    {
        std::lock_guard lock(ApplyDataMutex());
        PROFILE* target = profile(record.id);
        if (!target)
            return;
        *target = record;
    }
    if (record.id == currentId())
        emit currentChanged();
    emit profileChanged(record.id, applyFlags);
}

void EditingSession::endHistory()
{
    m_history.clear();
    std::lock_guard lock(ApplyDataMutex());
    m_history.setBase(CurrentProfile);
}

QString EditingSession::saveFailureText(const std::string& file, int error)
{
    return qtext(TextWith("tc_save_failed", {file, std::strerror(error)}));
}

std::optional<QString> EditingSession::save()
{
    platform::WriteError failure;
    std::lock_guard lock(ApplyDataMutex());
    if (!SaveProfiles(&failure))
        return saveFailureText(StoreFilePath(), failure.error);
    if (!SaveCurrentId(&failure))
        return saveFailureText(CurrentIdFilePath(), failure.error);
    m_storedImage = StoreImage();
    m_storedCurrentId = currentId();
    m_history.clear();
    m_history.setBase(CurrentProfile);
    return std::nullopt;
}

void EditingSession::autoSwitchTick()
{
    if (m_deferredSwitch != 0) {
        if (!switchingAllowed())
            return;
        finishAutoSwitch(std::exchange(m_deferredSwitch, 0), true);
        return;
    }
    if (!devicePresent() || m_autoSwitchPending || !switchingAllowed())
        return;
    std::optional<platform::ProcessSnapshot> snapshot;
    const PROFILE* match = nullptr;
    for (const PROFILE& candidate : ProfileList) {
        const std::string program = profileProgramName(candidate);
        if (program.empty())
            continue;
        if (!snapshot)
            snapshot = m_processes->walk();
        if (snapshot->anyNameContains(program)) {
            match = &candidate;
            break;
        }
    }
    if (!match || match == CurrentProfile)
        return;
    // The switch is written by the apply worker, so it never interleaves with another apply; the profile
    // becomes current only once the keyboard has it.
    m_autoSwitchPending = true;
    const std::uint32_t id = match->id;
    QPointer<EditingSession> self(this);
    RequestProfileApply(*match, ApplyAll, [self, id](bool applied) {
        QMetaObject::invokeMethod(
            qApp,
            [self, id, applied] {
                if (self)
                    self->finishAutoSwitch(id, applied);
            },
            Qt::QueuedConnection);
    });
}

void EditingSession::finishAutoSwitch(std::uint32_t id, bool applied)
{
    m_autoSwitchPending = false;
    if (!applied)
        return; // the next tick tries again: the profile is still not current
    if (!switchingAllowed()) {
        // A dialog opened meanwhile: what it edits stays current until it closes.
        m_deferredSwitch = id;
        return;
    }
    if (!profile(id))
        return;
    setCurrent(id);
    platform::WriteError failure;
    {
        std::lock_guard lock(ApplyDataMutex());
        if (!CurrentProfile || CurrentProfile->id != id)
            return;
        if (SaveCurrentId(&failure)) {
            m_storedCurrentId = id;
            return;
        }
    }
    emit saveFailed(saveFailureText(CurrentIdFilePath(), failure.error));
}

} // namespace kavrel
