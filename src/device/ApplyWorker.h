#pragma once

#include "device/ApplySetting.h"
#include "model/Profile.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <semaphore>
#include <thread>

namespace kavrel {

class CUSBDriver;

// Guards CurrentProfile and MacroList between the interface thread, which
// edits them, and the apply worker, which copies what it needs under this
// lock when an apply starts.
std::mutex& ApplyDataMutex();

// The background thread that writes the current profile to the keyboard on
// request. Requests never block: their flags are merged (OR) into one
// pending set, and each apply takes the whole set when it starts, so a
// request made during an apply is served by the next one with all its flags.
class ApplyWorker {
public:
    explicit ApplyWorker(CUSBDriver& link);
    ~ApplyWorker(); // stops and joins

    ApplyWorker(const ApplyWorker&) = delete;
    ApplyWorker& operator=(const ApplyWorker&) = delete;

    // Requests an apply with these flags. With a progress target, flag 0x8000
    // is added: the apply reports 20/70/100 to it and closes it at the end.
    void request(std::uint32_t flags, ApplyProgress* progress = nullptr);

    // Applies a copy of this profile (not the current one) with these flags, and reports on the worker thread
    // whether the keyboard took it. Serves automatic switching: the profile becomes current only after a
    // success. A newer profile request replaces one not yet started (its callback gets false). Without a
    // keyboard (and without GoWithNoDev) the callback gets false at once.
    using ProfileApplied = std::function<void(bool applied)>;
    void requestProfile(const PROFILE& profile, std::uint32_t flags, ProfileApplied done);

    // Ends the thread after the apply in progress, if any; idempotent.
    void stop();

    // Applies finished so far (tests and diagnostics).
    int appliesDone() const;

private:
    void run(std::stop_token stop);
    void serve(std::uint32_t flags, ApplyProgress* progress);
    struct ProfileRequest {
        PROFILE profile;
        std::uint32_t flags;
        ProfileApplied done;
    };
    void serveProfile(ProfileRequest& request);

    CUSBDriver& m_link;
    std::counting_semaphore<100> m_requests{0};
    mutable std::mutex m_mutex;
    std::uint32_t m_pendingFlags = 0;
    ApplyProgress* m_pendingProgress = nullptr;
    std::optional<ProfileRequest> m_pendingProfile;
    int m_appliesDone = 0;
    std::jthread m_thread; // last: started after everything it uses exists
};

// The process-wide worker of the window program.
void StartApplyWorker(CUSBDriver& link);
void RequestApply(std::uint32_t flags, ApplyProgress* progress = nullptr);
void StopApplyWorker();
// ApplyWorker::requestProfile on the process-wide worker; done(false) at once when none runs.
void RequestProfileApply(const PROFILE& profile, std::uint32_t flags, ApplyWorker::ProfileApplied done);

} // namespace kavrel
