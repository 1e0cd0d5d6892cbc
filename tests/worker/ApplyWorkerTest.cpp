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
        return true;
    }
    void hold(bool on)
    {
        std::lock_guard lock(mutex);
        held = on;
        changed.notify_all();
    }
    void waitForWrites(int count)
    {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, 5s, [&] { return writes >= count; });
    }
    std::mutex mutex;
    std::condition_variable changed;
    bool held = false;
    int writes = 0;
    std::vector<std::uint8_t> reportIds;
    std::vector<std::vector<std::uint8_t>> lightingBytes;
};

class RecordedProgress : public ApplyProgress {
public:
    void progress(int percent) override { steps.push_back(percent); }
    void close() override { closed = true; }
    std::vector<int> steps;
    std::atomic<bool> closed = false;
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

    void waitForApplies(ApplyWorker& worker, int count)
    {
        for (int i = 0; i < 500 && worker.appliesDone() < count; ++i)
            std::this_thread::sleep_for(10ms);
    }
};

} // namespace

TEST_F(ApplyWorkerTest, RequestsDuringAnApplyAreMergedIntoOneMore)
{
    GatedLink link;
    ApplyWorker worker(link);
    link.hold(true);
    worker.request(ApplyLighting);
    link.waitForWrites(1);
    // While the first apply is held, the interface thread edits and asks again.
    for (std::uint32_t mode = 0; mode < 5; ++mode) {
        std::lock_guard lock(ApplyDataMutex());
        CurrentProfile->ledMode = mode;
    }
    worker.request(ApplyMatrixAndMacros);
    worker.request(ApplyLighting);
    link.hold(false);
    waitForApplies(worker, 2);
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
    waitForApplies(worker, 1);
    worker.stop();
    EXPECT_EQ(progress.steps, (std::vector<int>{20, 70, 100}));
    EXPECT_TRUE(progress.closed);
}

TEST_F(ApplyWorkerTest, WithoutKeyboardRequestsAreDroppedUnlessTolerant)
{
    GatedLink link;
    link.m_hMatrix = 0;
    {
        ApplyWorker worker(link);
        worker.request(ApplyLighting);
        std::this_thread::sleep_for(50ms);
        worker.stop();
        EXPECT_EQ(link.writes, 0);
    }
    Cfg.GoWithNoDev = 1;
    ApplyWorker worker(link);
    worker.request(ApplyLighting);
    waitForApplies(worker, 1);
    worker.stop();
    Cfg.GoWithNoDev = 0;
    EXPECT_EQ(link.writes, 1);
}

TEST_F(ApplyWorkerTest, StoppingWaitsForTheApplyInProgress)
{
    GatedLink link;
    auto worker = std::make_unique<ApplyWorker>(link);
    link.hold(true);
    worker->request(ApplyAll);
    link.waitForWrites(1);
    std::thread release([&] {
        std::this_thread::sleep_for(30ms);
        link.hold(false);
    });
    worker.reset(); // joins: the held write finishes before the worker is gone
    release.join();
    EXPECT_GE(link.writes, 1);
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
    std::this_thread::sleep_for(100ms);
    worker.stop();
    EXPECT_GE(worker.appliesDone(), 1);
}
