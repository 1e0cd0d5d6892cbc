// The apply of a given profile (automatic switching): it writes that profile,
// not the current one, and tells its caller whether the keyboard took it, also
// when the request is dropped.

#include "app/Config.h"
#include "device/ApplyWorker.h"
#include "device/CUSBDriver.h"
#include "model/Lists.h"
#include "model/Profile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <thread>

using namespace kavrel;
using namespace std::chrono_literals;

namespace {

// A keyboard that records lighting reports, can fail, and can hold writes until released.
class TestLink : public CUSBDriver {
public:
    TestLink() { m_hMatrix = 1, m_hLed = 2, m_hColor = 3, m_hMacro = 4; }
    bool SetFeature(HidHandle, std::span<const std::uint8_t> report, int& error) override
    {
        std::unique_lock lock(mutex);
        if (report[0] == 10)
            lighting.assign(report.begin(), report.end());
        ++writes;
        changed.notify_all();
        changed.wait(lock, [&] { return !held; });
        error = failing ? 5 : 0;
        return !failing;
    }
    void hold(bool on)
    {
        std::lock_guard lock(mutex);
        held = on;
        changed.notify_all();
    }
    bool waitForWrites(int count)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 5s, [&] { return writes >= count; });
    }
    std::atomic<bool> failing = false;
    std::mutex mutex;
    std::condition_variable changed;
    bool held = false;
    int writes = 0;
    std::vector<std::uint8_t> lighting;
};

// The outcome a request reports, waited for.
struct Outcome {
    std::promise<bool> promise;
    std::future<bool> future = promise.get_future();
    ApplyWorker::ProfileApplied callback()
    {
        return [this](bool applied) { promise.set_value(applied); };
    }
    std::optional<bool> get()
    {
        if (future.wait_for(5s) != std::future_status::ready)
            return std::nullopt;
        return future.get();
    }
};

class ProfileRequest : public ::testing::Test {
protected:
    Settings saved = Cfg;
    PROFILE current{};
    PROFILE other{};
    void SetUp() override
    {
        setApplySleep([](int) {});
        NewProfile("current", current);
        NewProfile("other", other);
        current.ledMode = 1;
        other.ledMode = 2;
        CurrentProfile = &current;
    }
    void TearDown() override
    {
        CurrentProfile = nullptr;
        setApplySleep({});
        Cfg = saved;
    }
};

TEST_F(ProfileRequest, WritesTheGivenProfileAndReportsTheOutcome)
{
    TestLink link;
    ApplyWorker worker(link);
    Outcome applied;
    worker.requestProfile(other, ApplyAll, applied.callback());
    EXPECT_EQ(applied.get(), true);
    std::vector<std::uint8_t> written;
    {
        std::lock_guard lock(link.mutex);
        written = link.lighting;
    }
    TestLink reference;
    ASSERT_TRUE(ApplySetting(&reference, nullptr, &other, ApplyLighting));
    EXPECT_EQ(written, reference.lighting) << "the requested profile, not the current one";
    EXPECT_EQ(CurrentProfile, &current);

    link.failing = true;
    Outcome failed;
    worker.requestProfile(other, ApplyAll, failed.callback());
    EXPECT_EQ(failed.get(), false);

    link.m_hMatrix = 0; // no keyboard: nothing is written
    const int writes = link.writes;
    Outcome absent;
    worker.requestProfile(other, ApplyAll, absent.callback());
    EXPECT_EQ(absent.get(), false);
    EXPECT_EQ(link.writes, writes);
}

TEST_F(ProfileRequest, ReplacedOrUnservedRequestsReportFalse)
{
    TestLink link;
    auto worker = std::make_unique<ApplyWorker>(link);
    link.hold(true);
    worker->request(ApplyLighting); // keeps the worker busy
    ASSERT_TRUE(link.waitForWrites(1));
    Outcome replaced, pending;
    worker->requestProfile(other, ApplyAll, replaced.callback());
    worker->requestProfile(current, ApplyAll, pending.callback());
    EXPECT_EQ(replaced.get(), false) << "a newer switch replaces one not started";

    std::thread stopper([&] { worker->stop(); });
    link.hold(false);
    stopper.join();
    const auto last = pending.get();
    ASSERT_TRUE(last.has_value()) << "every request hears its end";

    Outcome afterStop;
    worker->requestProfile(other, ApplyAll, afterStop.callback());
    EXPECT_EQ(afterStop.get(), false);
}

} // namespace
