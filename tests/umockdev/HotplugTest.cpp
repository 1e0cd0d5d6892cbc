// The keyboard pulled out mid-apply and plugged in again, and plugged in after start: the device link, the apply
// worker and udev's notices through the emulated kernel.

#include "umockdev/EmulatedKeyboardFixture.h"

#include "KeyboardProtocol.h"
#include "app/Paths.h"
#include "device/ApplySetting.h"
#include "device/ApplyWorker.h"
#include "device/CUSBDriver.h"
#include "device/DeviceNoticeHandler.h"
#include "model/Lists.h"
#include "model/Profile.h"
#include "model/ProfileStore.h"
#include "platform/HotplugMonitor.h"

#include <chrono>
#include <mutex>
#include <poll.h>

using namespace kavrel;
using namespace kavrel::test;
using namespace std::chrono_literals;

namespace {

class RecordedMessages : public platform::MessageSink {
public:
    void post(const platform::UserMessage& message) override
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(message);
    }
    std::vector<platform::UserMessage> messages() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<platform::UserMessage> m_messages;
};

class HotplugTest : public EmulatedKeyboardFixture {
protected:
    void SetUp() override
    {
        EmulatedKeyboardFixture::SetUp();
        setApplySleep([](int) {});
        ASSERT_TRUE(driver.Init());
        ASSERT_TRUE(monitor.start());
    }
    void TearDown() override
    {
        setApplySleep({});
        EmulatedKeyboardFixture::TearDown();
    }

    // Hands udev's notices to the device link as the window does, until one has this outcome.
    bool noticeUntil(NoticeOutcome wanted, std::chrono::milliseconds limit = 5s)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd watch{monitor.fd(), POLLIN, 0};
            if (::poll(&watch, 1, 50) <= 0)
                continue;
            while (const auto notice = monitor.read())
                if (HandleDeviceNotice(driver, notice->event, notice->path) == wanted)
                    return true;
        }
        return false;
    }

    CUSBDriver driver;
    platform::HotplugMonitor monitor;
};

class UnplugMidApplyTest : public HotplugTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        HotplugTest::SetUp();
        SetAppDataFolderOverride(dir / "data");
        MakeAppDataFolder();
        std::lock_guard lock(ApplyDataMutex());
        PROFILE profile{};
        NewProfile("Stored", profile);
        profile.ledMode = 2;
        ProfileList.clear();
        ProfileList.appendCopy(profile);
        CurrentProfile = &*ProfileList.begin();
        ASSERT_TRUE(SaveProfiles());
    }
    void TearDown() override
    {
        {
            std::lock_guard lock(ApplyDataMutex());
            CurrentProfile = nullptr;
            ProfileList.clear();
        }
        SetAppDataFolderOverride({});
        HotplugTest::TearDown();
    }
};

} // namespace

TEST_P(UnplugMidApplyTest, ClearMessageNothingLostAndTheNextApplyAfterReplugWorks)
{
    const int keyboard = kernel->plugKeyboard();
    ASSERT_TRUE(driver.FindDev()) << driver.AbsenceReason();
    const std::string storeBefore = readFile(StoreFilePath());
    RecordedMessages messages;
    ApplyWorker worker(driver, messages);

    // The lighting report goes through; the matrix report meets the error and the keyboard is gone.
    kernel->failWrite(keyboard, 1, GetParam(), 1, true);
    worker.request(ApplyAll);
    ASSERT_TRUE(worker.waitForApplies(1, 10s));
    kernel->unplug(keyboard);
    ASSERT_TRUE(noticeUntil(NoticeOutcome::Removed));
    EXPECT_EQ(driver.m_hMatrix, 0u);

    const std::vector<platform::UserMessage> told = messages.messages();
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].caption, "Info");
    EXPECT_EQ(told[0].text, "Set matrix, err=0x13") << "the retries meet the keyboard gone";
    EXPECT_EQ(told[1].text, "   Update settings failed!      ");
    EXPECT_EQ(readFile(StoreFilePath()), storeBefore);
    EXPECT_EQ(kernel->memory(keyboard).at(ReportLighting).writes, 1) << "the keyboard keeps what it took";

    kernel->replug(keyboard);
    ASSERT_TRUE(noticeUntil(NoticeOutcome::Found));
    worker.request(ApplyAll);
    ASSERT_TRUE(worker.waitForApplies(2, 10s)) << "the worker lives";
    EXPECT_EQ(messages.messages().size(), 2u) << "the second apply went through";
    const auto memory = kernel->memory(keyboard);
    EXPECT_EQ(memory.at(ReportLighting).writes, 2);
    ASSERT_EQ(memory.count(ReportMatrix), 1u);
    EXPECT_EQ(memory.at(ReportMatrix).writes, 1);
    EXPECT_EQ(memory.at(ReportMatrix).bytes.size(), std::size_t(MatrixReportLength));
}

INSTANTIATE_TEST_SUITE_P(Errors, UnplugMidApplyTest, ::testing::Values(ENODEV, EPIPE, EIO));

TEST_F(HotplugTest, KeyboardPluggedInAfterStartIsFound)
{
    EXPECT_FALSE(driver.FindDev());
    kernel->plugOtherVendorDevice();
    const int keyboard = kernel->plugKeyboard(true);
    ASSERT_TRUE(noticeUntil(NoticeOutcome::Found)) << log();
    EXPECT_NE(driver.m_hMatrix, 0u);
    int error = 0;
    std::vector<std::uint8_t> led(LedReportLength, 0);
    led[0] = ReportLighting;
    EXPECT_TRUE(driver.SetFeature(driver.m_hLed, led, error));
    EXPECT_EQ(kernel->memory(keyboard).at(ReportLighting).writes, 1);
}
