#pragma once

#include "device/ApplySetting.h"
#include "model/Profile.h"
#include "platform/MessageBox.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <semaphore>
#include <thread>
#include <vector>

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
//
// The worker never waits on the interface: what the user must be told (a
// failed report, "Update settings failed!") goes to the message sink, whose
// post() returns at once; progress targets are only called, never waited on.
class ApplyWorker {
public:
    // messages receives every message of every apply, on the worker thread;
    // it must outlive the worker. Without one they go to standard error.
    explicit ApplyWorker(CUSBDriver& link, platform::MessageSink& messages = platform::standardErrorSink());
    ~ApplyWorker(); // stops and joins

    ApplyWorker(const ApplyWorker&) = delete;
    ApplyWorker& operator=(const ApplyWorker&) = delete;

    // Requests an apply with these flags. With a progress target, flag 0x8000
    // is added: the apply reports 20/70/100 to it and closes it at the end.
    // Every target is closed exactly once: requests merged into one apply
    // each get its progress and close; a request dropped (no keyboard) or
    // left pending when the worker stops has its target closed at once.
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

    // Waits until at least count applies have finished; false on timeout.
    bool waitForApplies(int count, std::chrono::milliseconds timeout) const;

private:
    void run(std::stop_token stop);
    void serve(std::uint32_t flags, std::vector<ApplyProgress*> targets);
    void finishApply();
    struct ProfileRequest {
        PROFILE profile;
        std::uint32_t flags;
        ProfileApplied done;
    };
    void serveProfile(ProfileRequest& request);

    CUSBDriver& m_link;
    platform::MessageSink& m_messages;
    std::counting_semaphore<100> m_requests{0};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_applied;
    std::uint32_t m_pendingFlags = 0;
    std::vector<ApplyProgress*> m_pendingTargets;
    std::optional<ProfileRequest> m_pendingProfile;
    bool m_stopped = false;
    int m_appliesDone = 0;
    std::jthread m_thread; // last: started after everything it uses exists
};

// The process-wide worker of the window program. The window program passes a
// sink that queues each message to the interface thread. RequestApply without
// a worker closes its progress target at once (finished(false) first).
void StartApplyWorker(CUSBDriver& link, platform::MessageSink& messages = platform::standardErrorSink());
void RequestApply(std::uint32_t flags, ApplyProgress* progress = nullptr);
void StopApplyWorker();
// ApplyWorker::requestProfile on the process-wide worker; done(false) at once when none runs.
void RequestProfileApply(const PROFILE& profile, std::uint32_t flags, ApplyWorker::ProfileApplied done);

} // namespace kavrel
