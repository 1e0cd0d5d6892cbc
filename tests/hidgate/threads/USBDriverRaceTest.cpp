// Writes on the worker's side racing removal and re-finding on the interface side (run under TSan).

#include "device/CUSBDriver.h"
#include "device/SimKeyboardFixture.h"

#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

using namespace kavrel;
using kavrel::test::SimKeyboardFixture;

using USBDriverRaceTest = SimKeyboardFixture;

TEST_F(USBDriverRaceTest, WriteRacingClearHandleSucceedsOrFailsWithEbadf)
{
    options("delay=1");
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    ASSERT_TRUE(driver.FindDev());

    std::atomic<bool> stop{false};
    std::atomic<int> written{0}, refused{0}, other{0};
    std::jthread worker([&] {
        std::vector<std::uint8_t> led(42, 0x5A);
        led[0] = 10;
        while (!stop) {
            int error = 0;
            if (driver.SetFeature(driver.m_hLed.load(), led, error))
                ++written;
            else if (error == EBADF)
                ++refused;
            else
                ++other;
        }
    });
    for (int round = 0; round < 40; ++round) {
        driver.ClearHandle();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_TRUE(driver.FindDev());
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    stop = true;
    worker.join();
    EXPECT_GT(written.load(), 0);
    EXPECT_EQ(other.load(), 0);
    // Every accepted write reached the state file whole.
    EXPECT_EQ(state().at(10).writes, written.load());
    EXPECT_EQ(state().at(10).bytes.size(), 42u);
}
