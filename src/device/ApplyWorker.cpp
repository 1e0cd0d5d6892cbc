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

ApplyWorker::ApplyWorker(CUSBDriver& link)
    : m_link(link)
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
        std::lock_guard lock(m_mutex);
        flags &= ~ApplyWithProgress;
        if (progress) {
            flags |= ApplyWithProgress;
            m_pendingProgress = progress;
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

void ApplyWorker::run(std::stop_token stop)
{
    WriteLog("Start Thread");
    for (;;) {
        m_requests.acquire();
        if (stop.stop_requested())
            break;
        std::uint32_t flags = 0;
        ApplyProgress* progress = nullptr;
        std::optional<ProfileRequest> profileRequest;
        {
            std::lock_guard lock(m_mutex);
            flags = std::exchange(m_pendingFlags, 0);
            progress = std::exchange(m_pendingProgress, nullptr);
            profileRequest = std::exchange(m_pendingProfile, std::nullopt);
        }
        if (flags != 0)
            serve(flags, progress);
        if (profileRequest)
            serveProfile(*profileRequest);
    }
    std::optional<ProfileRequest> unserved;
    {
        std::lock_guard lock(m_mutex);
        unserved = std::exchange(m_pendingProfile, std::nullopt);
    }
    if (unserved && unserved->done)
        unserved->done(false);
    WriteLog("thread exit");
}

void ApplyWorker::serve(std::uint32_t flags, ApplyProgress* progress)
{
    const HidHandle matrix = m_link.m_hMatrix.load();
    WriteLog("Start Apply: hDevice=0x%x, nFlag=0x%x", unsigned(matrix), unsigned(flags));
    if (matrix == 0 && Cfg.GoWithNoDev == 0) {
        if (progress)
            progress->close();
        return;
    }
    ApplySnapshot snapshot = takeSnapshot();
    ApplyProgress* target = (flags & ApplyWithProgress) ? progress : nullptr;
    const bool applied
        = snapshot.profile && ApplySettingWith(&m_link, target, &*snapshot.profile, snapshot.macros, flags);
    if (!applied)
        platform::showMessageBox("Error", "   Update settings failed!      ", platform::BoxIcon::Warning);
    if (target)
        target->close();
    WriteLog("Apply Over");
    std::lock_guard lock(m_mutex);
    ++m_appliesDone;
}

void ApplyWorker::requestProfile(const PROFILE& profile, std::uint32_t flags, ProfileApplied done)
{
    std::optional<ProfileRequest> replaced;
    {
        std::lock_guard lock(m_mutex);
        replaced
            = std::exchange(m_pendingProfile, ProfileRequest{profile, flags & ~ApplyWithProgress, std::move(done)});
    }
    if (replaced && replaced->done)
        replaced->done(false);
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
        applied = ApplySettingWith(&m_link, nullptr, &request.profile, macros, request.flags);
        WriteLog("Apply Over");
    }
    {
        std::lock_guard lock(m_mutex);
        ++m_appliesDone;
    }
    if (request.done)
        request.done(applied);
}

void StartApplyWorker(CUSBDriver& link)
{
    processWorker() = std::make_unique<ApplyWorker>(link);
}

void RequestApply(std::uint32_t flags, ApplyProgress* progress)
{
    if (processWorker())
        processWorker()->request(flags, progress);
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
