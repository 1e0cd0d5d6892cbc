#include "device/ApplyWorker.h"

#include "app/Config.h"
#include "app/Log.h"
#include "device/CUSBDriver.h"
#include "macro/StMacro.h"
#include "model/Lists.h"
#include "platform/MessageBox.h"

#include <memory>
#include <optional>
#include <vector>

namespace kavrel {
namespace {

std::unique_ptr<ApplyWorker>& processWorker()
{
    static std::unique_ptr<ApplyWorker> worker;
    return worker;
}

// What one apply writes: copies of the current profile and of the macros its keys use.
struct ApplySnapshot {
    std::optional<PROFILE> profile;
    std::vector<StMacro> macros;
};

ApplySnapshot takeSnapshot()
{
    std::lock_guard lock(ApplyDataMutex());
    ApplySnapshot snapshot;
    if (!CurrentProfile)
        return snapshot;
    snapshot.profile = *CurrentProfile;
    snapshot.macros = MacrosUsedBy(*snapshot.profile);
    return snapshot;
}

} // namespace

std::mutex& ApplyDataMutex()
{
    static std::mutex mutex;
    return mutex;
}

ApplyWorker::ApplyWorker(CUSBDriver& link, platform::MessageSink& messages)
    : m_link(link)
    , m_messages(messages)
    , m_thread([this](std::stop_token stop) { run(stop); })
{
}

ApplyWorker::~ApplyWorker()
{
    stop();
}

void ApplyWorker::request(std::uint32_t flags, ApplyProgress* progress)
{
    bool wake = false;
    {
        std::unique_lock lock(m_mutex);
        if (m_stopped) {
            // Nobody will serve it: the target must still see its end (outside the lock, as every call out is).
            lock.unlock();
            if (progress) {
                progress->finished(false);
                progress->close();
            }
            return;
        }
        flags &= ~ApplyWithProgress;
        if (progress) {
            flags |= ApplyWithProgress;
            m_pendingTargets.push_back(progress);
        }
        wake = m_pendingFlags == 0;
        m_pendingFlags |= flags;
    }
    // One wake-up per pending set keeps the semaphore far below its maximum.
    if (wake && flags != 0)
        m_requests.release();
}

void ApplyWorker::stop()
{
    if (!m_thread.joinable())
        return;
    m_thread.request_stop();
    m_requests.release();
    m_thread.join();
}

int ApplyWorker::appliesDone() const
{
    std::lock_guard lock(m_mutex);
    return m_appliesDone;
}

bool ApplyWorker::waitForApplies(int count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_applied.wait_for(lock, timeout, [&] { return m_appliesDone >= count; });
}

void ApplyWorker::run(std::stop_token stop)
{
    WriteLog("Start Thread");
    for (;;) {
        m_requests.acquire();
        if (stop.stop_requested())
            break;
        std::uint32_t flags = 0;
        std::vector<ApplyProgress*> targets;
        std::optional<ProfileRequest> profileRequest;
        {
            std::lock_guard lock(m_mutex);
            flags = std::exchange(m_pendingFlags, 0);
            targets = std::exchange(m_pendingTargets, {});
            profileRequest = std::exchange(m_pendingProfile, std::nullopt);
        }
        if (flags != 0)
            serve(flags, std::move(targets));
        if (profileRequest)
            serveProfile(*profileRequest);
    }
    std::vector<ApplyProgress*> unserved;
    std::optional<ProfileRequest> unservedProfile;
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        unserved = std::exchange(m_pendingTargets, {});
        unservedProfile = std::exchange(m_pendingProfile, std::nullopt);
    }
    for (ApplyProgress* target : unserved) {
        target->finished(false);
        target->close();
    }
    if (unservedProfile && unservedProfile->done)
        unservedProfile->done(false);
    WriteLog("thread exit");
}

namespace {

// Every target of the requests merged into one apply sees its progress.
class ProgressFanOut final : public ApplyProgress {
public:
    explicit ProgressFanOut(const std::vector<ApplyProgress*>& targets)
        : m_targets(targets)
    {
    }
    void progress(int percent) override
    {
        for (ApplyProgress* target : m_targets)
            target->progress(percent);
    }
    void finished(bool applied) override
    {
        for (ApplyProgress* target : m_targets)
            target->finished(applied);
    }
    void close() override
    {
        for (ApplyProgress* target : m_targets)
            target->close();
    }

private:
    const std::vector<ApplyProgress*>& m_targets;
};

} // namespace

void ApplyWorker::serve(std::uint32_t flags, std::vector<ApplyProgress*> targets)
{
    ProgressFanOut progress(targets);
    const HidHandle matrix = m_link.m_hMatrix.load();
    WriteLog("Start Apply: hDevice=0x%x, nFlag=0x%x", unsigned(matrix), unsigned(flags));
    if (matrix == 0 && Cfg.GoWithNoDev == 0) {
        progress.finished(false);
        progress.close();
        return;
    }
    ApplySnapshot snapshot = takeSnapshot();
    ApplyProgress* target = (flags & ApplyWithProgress) && !targets.empty() ? &progress : nullptr;
    const bool applied
        = snapshot.profile && ApplySettingWith(&m_link, target, &*snapshot.profile, snapshot.macros, flags, m_messages);
    if (!applied)
        m_messages.post({"Error", "   Update settings failed!      ", platform::BoxIcon::Warning});
    progress.finished(applied);
    progress.close();
    WriteLog("Apply Over");
    finishApply();
}

void ApplyWorker::finishApply()
{
    std::lock_guard lock(m_mutex);
    ++m_appliesDone;
    m_applied.notify_all();
}

void ApplyWorker::requestProfile(const PROFILE& profile, std::uint32_t flags, ProfileApplied done)
{
    std::optional<ProfileRequest> dropped;
    {
        std::lock_guard lock(m_mutex);
        ProfileRequest request{profile, flags & ~ApplyWithProgress, std::move(done)};
        if (m_stopped)
            dropped = std::move(request); // nobody will serve it
        else
            dropped = std::exchange(m_pendingProfile, std::move(request));
    }
    if (dropped && dropped->done)
        dropped->done(false);
    m_requests.release();
}

void ApplyWorker::serveProfile(ProfileRequest& request)
{
    const HidHandle matrix = m_link.m_hMatrix.load();
    WriteLog("Start Apply: hDevice=0x%x, nFlag=0x%x", unsigned(matrix), unsigned(request.flags));
    bool applied = false;
    if (matrix != 0 || Cfg.GoWithNoDev != 0) {
        std::vector<StMacro> macros;
        {
            std::lock_guard lock(ApplyDataMutex());
            macros = MacrosUsedBy(request.profile);
        }
        applied = ApplySettingWith(&m_link, nullptr, &request.profile, macros, request.flags, m_messages);
        WriteLog("Apply Over");
    }
    finishApply();
    if (request.done)
        request.done(applied);
}

void StartApplyWorker(CUSBDriver& link, platform::MessageSink& messages)
{
    processWorker() = std::make_unique<ApplyWorker>(link, messages);
}

void RequestApply(std::uint32_t flags, ApplyProgress* progress)
{
    if (processWorker()) {
        processWorker()->request(flags, progress);
    } else if (progress) {
        // Nobody will serve it: a dialog waiting on the target must still see its end.
        progress->finished(false);
        progress->close();
    }
}

void StopApplyWorker()
{
    processWorker().reset();
}

void RequestProfileApply(const PROFILE& profile, std::uint32_t flags, ApplyWorker::ProfileApplied done)
{
    if (processWorker())
        processWorker()->requestProfile(profile, flags, std::move(done));
    else if (done)
        done(false);
}

} // namespace kavrel
