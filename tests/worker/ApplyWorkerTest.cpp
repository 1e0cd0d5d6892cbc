// The apply worker: merged requests, snapshots, dropped requests, stopping.
// Runs under ThreadSanitizer (label threads).

#include "device/ApplyWorker.h"
#include "app/Config.h"
#include "device/CUSBDriver.h"
#include "model/Lists.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>

using namespace kavrel;
using namespace std::chrono_literals;

namespace {

// A keyboard whose writes can be held until the test lets them go.
class GatedLink : public CUSBDriver {
public:
    GatedLink() { m_hMatrix = 1, m_hLed = 2, m_hColor = 3, m_hMacro = 4; }
    bool SetFeature(HidHandle, std::span<const std::uint8_t> report, int&) override
    {
        std::unique_lock lock(mutex);
        reportIds.push_back(report[0]);
        if (report[0] == 10)
            lightingBytes.push_back({report.begin(), report.end()});
        ++writes;
        changed.notify_all();
        changed.wait(lock, [&] { return !held; });
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
    // Fails every write (after recording it) when on.
    std::atomic<bool> failing = false;
    std::mutex mutex;
    std::condition_variable changed;
    bool held = false;
    int writes = 0;
    std::vector<std::uint8_t> reportIds;
    std::vector<std::vector<std::uint8_t>> lightingBytes;
};

// Counts its closes; a test waits for them instead of sleeping.
class RecordedProgress : public ApplyProgress {
public:
    void progress(int percent) override
    {
        std::lock_guard lock(mutex);
        steps.push_back(percent);
    }
    void close() override
    {
        std::lock_guard lock(mutex);
        ++closes;
        closed.notify_all();
    }
    bool waitForClose()
    {
        std::unique_lock lock(mutex);
        return closed.wait_for(lock, 5s, [&] { return closes > 0; });
    }
    int closeCount()
    {
        std::lock_guard lock(mutex);
        return closes;
    }
    std::mutex mutex;
    std::condition_variable closed;
    std::vector<int> steps;
    int closes = 0;
};

// Records what the worker posts; post() returns at once, as the window program's sink does.
class RecordedMessages : public platform::MessageSink {
public:
    void post(const platform::UserMessage& message) override
    {
        std::lock_guard lock(mutex);
        messages.push_back(message);
    }
    std::vector<platform::UserMessage> taken()
    {
        std::lock_guard lock(mutex);
        return messages;
    }
    std::mutex mutex;
    std::vector<platform::UserMessage> messages;
};

class ApplyWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::loadConfigQuietly(test::readFile(test::sourceDir() / "data/models/ansi/cfg.ini"));
        setApplySleep([](int) {});
        ProfileList.clear();
        PROFILE profile{};
        NewProfile("Worker", profile);
        ProfileList.appendCopy(profile);
        CurrentProfile = &*ProfileList.begin();
    }
    void TearDown() override
    {
        CurrentProfile = nullptr;
        ProfileList.clear();
        setApplySleep({});
    }
};

} // namespace

TEST_F(ApplyWorkerTest, RequestsDuringAnApplyAreMergedIntoOneMore)
{
    GatedLink link;
    ApplyWorker worker(link);
    link.hold(true);
    worker.request(ApplyLighting);
    ASSERT_TRUE(link.waitForWrites(1));
    // While the first apply is held, the interface thread edits and asks again.
    for (std::uint32_t mode = 0; mode < 5; ++mode) {
        std::lock_guard lock(ApplyDataMutex());
        CurrentProfile->ledMode = mode;
    }
    worker.request(ApplyMatrixAndMacros);
    worker.request(ApplyLighting);
    link.hold(false);
    ASSERT_TRUE(worker.waitForApplies(2, 5s));
    worker.stop();
    EXPECT_EQ(worker.appliesDone(), 2);
    EXPECT_EQ(link.reportIds, (std::vector<std::uint8_t>{10, 10, 9})) << "the second apply has both flags";
    ASSERT_EQ(link.lightingBytes.size(), 2u);
    EXPECT_EQ(link.lightingBytes[1][1], 4) << "the second apply saw the last edit";
}

TEST_F(ApplyWorkerTest, ProgressIsReportedAndClosed)
{
    GatedLink link;
    ApplyWorker worker(link);
    RecordedProgress progress;
    worker.request(ApplyAll, &progress);
    ASSERT_TRUE(progress.waitForClose());
    worker.stop();
    EXPECT_EQ(progress.steps, (std::vector<int>{20, 70, 100}));
    EXPECT_EQ(progress.closeCount(), 1);
}

TEST_F(ApplyWorkerTest, MergedRequestsCloseEveryTargetOnce)
{
    GatedLink link;
    ApplyWorker worker(link);
    link.hold(true);
    worker.request(ApplyLighting);
    ASSERT_TRUE(link.waitForWrites(1));
    // Two windows ask with their own progress target while the first apply is held: one merged apply serves both.
    RecordedProgress first;
    RecordedProgress second;
    worker.request(ApplyLighting, &first);
    worker.request(ApplyMatrixAndMacros, &second);
    link.hold(false);
    ASSERT_TRUE(first.waitForClose());
    ASSERT_TRUE(second.waitForClose());
    ASSERT_TRUE(worker.waitForApplies(2, 5s));
    worker.stop();
    EXPECT_EQ(worker.appliesDone(), 2);
    EXPECT_EQ(first.closeCount(), 1);
    EXPECT_EQ(second.closeCount(), 1);
    EXPECT_EQ(first.steps, (std::vector<int>{20, 70, 100}));
    EXPECT_EQ(second.steps, first.steps);

    // A request after the worker has stopped is never served, but its target still sees its end.
    RecordedProgress late;
    worker.request(ApplyAll, &late);
    EXPECT_EQ(late.closeCount(), 1);
}

TEST_F(ApplyWorkerTest, FailuresReachTheSinkAndStoppingStillJoins)
{
    GatedLink link;
    RecordedMessages messages;
    auto worker = std::make_unique<ApplyWorker>(link, messages);
    link.failing = true;
    link.hold(true);
    RecordedProgress running;
    RecordedProgress pending;
    worker->request(ApplyLighting, &running);
    ASSERT_TRUE(link.waitForWrites(1));
    worker->request(ApplyAll, &pending);
    // The interface thread stops the worker while the apply fails: nothing waits for the user, so the join ends.
    std::thread release([&] {
        link.waitForWrites(1);
        link.hold(false);
    });
    worker.reset();
    release.join();
    EXPECT_EQ(running.closeCount(), 1);
    EXPECT_EQ(pending.closeCount(), 1) << "served or left pending by the stop, closed all the same";
    const std::vector<platform::UserMessage> expected{
        {"Info", "Set led data, err=0x0", platform::BoxIcon::Information},
        {"Error", "   Update settings failed!      ", platform::BoxIcon::Warning},
    };
    // The pending apply may or may not have started before the stop; each failed apply tells the same two things.
    const std::vector<platform::UserMessage> taken = messages.taken();
    ASSERT_GE(taken.size(), 2u);
    EXPECT_EQ(std::vector(taken.begin(), taken.begin() + 2), expected);
}

TEST_F(ApplyWorkerTest, WithoutKeyboardRequestsAreDroppedUnlessTolerant)
{
    GatedLink link;
    link.m_hMatrix = 0;
    {
        ApplyWorker worker(link);
        RecordedProgress dropped;
        worker.request(ApplyLighting, &dropped);
        ASSERT_TRUE(dropped.waitForClose()) << "a dropped request closes its target";
        worker.stop();
        EXPECT_EQ(link.writes, 0);
        EXPECT_EQ(worker.appliesDone(), 0);
    }
    Cfg.GoWithNoDev = 1;
    ApplyWorker worker(link);
    worker.request(ApplyLighting);
    ASSERT_TRUE(worker.waitForApplies(1, 5s));
    worker.stop();
    Cfg.GoWithNoDev = 0;
    EXPECT_EQ(link.writes, 1);
}

TEST_F(ApplyWorkerTest, StoppingWaitsForTheApplyInProgress)
{
    GatedLink link;
    auto worker = std::make_unique<ApplyWorker>(link);
    link.hold(true);
    RecordedProgress progress;
    worker->request(ApplyAll, &progress);
    ASSERT_TRUE(link.waitForWrites(1));
    std::thread release([&] { link.hold(false); });
    worker.reset(); // joins: the held apply finishes before the worker is gone
    release.join();
    EXPECT_EQ(link.writes, 2) << "the whole apply ran: lighting and matrix";
    EXPECT_EQ(progress.closeCount(), 1);
}

TEST_F(ApplyWorkerTest, ManyRequestsFromAnotherThreadWhileEditing)
{
    GatedLink link;
    ApplyWorker worker(link);
    std::thread requester([&] {
        for (int i = 0; i < 300; ++i)
            worker.request(1u << (i % 3));
    });
    for (int i = 0; i < 300; ++i) {
        std::lock_guard lock(ApplyDataMutex());
        CurrentProfile->keys[i % 100].key2 = std::uint8_t(i);
    }
    requester.join();
    ASSERT_TRUE(worker.waitForApplies(1, 5s));
    worker.stop();
    EXPECT_GE(worker.appliesDone(), 1);
}
