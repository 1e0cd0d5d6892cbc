// The device link against the simulated keyboard: loading, finding, counting, writing and closing.

#include "device/CUSBDriver.h"
#include "device/SimKeyboardFixture.h"

#include <cerrno>
#include <vector>

using namespace kavrel;
using kavrel::test::SimKeyboardFixture;
using testing::HasSubstr;

namespace {

using USBDriverTest = SimKeyboardFixture;

std::vector<std::uint8_t> report(std::uint8_t id, std::size_t length, std::uint8_t fill = 0)
{
    std::vector<std::uint8_t> bytes(length, fill);
    bytes[0] = id;
    return bytes;
}

void expectAllClosed(const CUSBDriver& driver)
{
    EXPECT_EQ(driver.m_hMatrix.load(), 0u);
    EXPECT_EQ(driver.m_hLed.load(), 0u);
    EXPECT_EQ(driver.m_hColor.load(), 0u);
    EXPECT_EQ(driver.m_hMacro.load(), 0u);
}

} // namespace

TEST_F(USBDriverTest, IdTextUsesUpperCaseHexOfTheConfiguredIds)
{
    EXPECT_EQ(DeviceIdText(), "VID_1A2C&PID_0B3D");
    Cfg.VID = 0x00ab;
    Cfg.PID = 0xffff;
    EXPECT_EQ(DeviceIdText(), "VID_00AB&PID_FFFF");
}

TEST_F(USBDriverTest, MissingOrIncompleteModuleLogsLoadDllFailedAndFindsNothing)
{
    for (const char* module : {"libhidgate-no-such-module.so", "libm.so.6"}) {
        setenv("KAVREL_HIDGATE", module, 1);
        CUSBDriver driver;
        EXPECT_FALSE(driver.Init()) << module;
        EXPECT_FALSE(driver.FindDev());
        expectAllClosed(driver);
        EXPECT_EQ(driver.CountDevices(), 0);
        EXPECT_THAT(driver.AbsenceReason(), HasSubstr("not loaded"));
        int error = 0;
        EXPECT_FALSE(driver.SetFeature(1, report(9, 577), error));
    }
    EXPECT_THAT(log(), HasSubstr("load dll failed."));
}

TEST_F(USBDriverTest, FindsTheSimulatedKeyboardAndLogsEachStep)
{
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    ASSERT_TRUE(driver.FindDev());
    const std::vector<HidHandle> handles{driver.m_hMatrix, driver.m_hLed, driver.m_hColor, driver.m_hMacro};
    for (std::size_t i = 0; i < handles.size(); ++i) {
        EXPECT_NE(handles[i], 0u);
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_NE(handles[i], handles[j]);
    }
    EXPECT_EQ(driver.CountDevices(), 1);
    EXPECT_EQ(driver.ProductString(driver.m_hMatrix), "Kavrel Gaming Keyboard");
    const std::string text = log();
    EXPECT_THAT(text, HasSubstr("ClearHandle"));
    EXPECT_THAT(text, HasSubstr("FindDev: looking for VID_1A2C&PID_0B3D"));
    EXPECT_THAT(text, HasSubstr("m_hMatrix=0x"));
    EXPECT_THAT(text, testing::Not(HasSubstr("Usb String=")));
}

TEST_F(USBDriverTest, MissingCollectionLeavesAllFourHandlesClosed)
{
    for (const char* dropped : {"drop=led", "drop=matrix", "drop=macro", "keyboards=0"}) {
        options(dropped);
        CUSBDriver driver;
        ASSERT_TRUE(driver.Init());
        EXPECT_FALSE(driver.FindDev()) << dropped;
        expectAllClosed(driver);
        EXPECT_FALSE(driver.AbsenceReason().empty());
    }
    options("drop=led");
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    driver.FindDev();
    EXPECT_THAT(driver.AbsenceReason(), HasSubstr("lighting"));
}

TEST_F(USBDriverTest, ProductStringIsComparedWithoutRegardToCase)
{
    Cfg.MatchStr = 1;
    Cfg.USBString = "";
    options("product=gaming mouse");
    {
        CUSBDriver driver;
        ASSERT_TRUE(driver.Init());
        EXPECT_TRUE(driver.FindDev());
        EXPECT_THAT(log(), HasSubstr("Usb String=gaming mouse, Our Str=Gaming Mouse"));
    }
    Cfg.USBString = "Kavrel Gaming Keyboard";
    {
        CUSBDriver driver;
        ASSERT_TRUE(driver.Init());
        EXPECT_FALSE(driver.FindDev());
        expectAllClosed(driver);
        EXPECT_THAT(driver.AbsenceReason(), HasSubstr("gaming mouse"));
    }
    unsetenv("KAVREL_SIM_OPTIONS");
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    EXPECT_TRUE(driver.FindDev());
}

TEST_F(USBDriverTest, CountsTwoKeyboards)
{
    options("keyboards=2");
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    EXPECT_TRUE(driver.FindDev());
    EXPECT_EQ(driver.CountDevices(), 2);
}

TEST_F(USBDriverTest, WritesAreCheckedAndKeptInTheStateFile)
{
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    ASSERT_TRUE(driver.FindDev());
    int error = 0;
    EXPECT_TRUE(driver.SetFeature(driver.m_hMatrix, report(9, 577, 0x11), error));
    EXPECT_TRUE(driver.SetFeature(driver.m_hMatrix, report(9, 577, 0x22), error));
    EXPECT_TRUE(driver.SetFeature(driver.m_hLed, report(10, 42, 0x33), error));
    EXPECT_TRUE(driver.SetFeature(driver.m_hColor, report(11, 146), error));
    EXPECT_TRUE(driver.SetFeature(driver.m_hMacro, report(12, 961), error));

    // The wrong id for the collection, a short and a long report are refused with EINVAL.
    EXPECT_FALSE(driver.SetFeature(driver.m_hLed, report(9, 42), error));
    EXPECT_EQ(error, EINVAL);
    EXPECT_FALSE(driver.SetFeature(driver.m_hMatrix, report(9, 576), error));
    EXPECT_EQ(error, EINVAL);
    EXPECT_FALSE(driver.SetFeature(driver.m_hMatrix, report(9, 578), error));
    EXPECT_EQ(error, EINVAL);

    const hidgate::SimState memory = state();
    ASSERT_EQ(memory.size(), 4u);
    EXPECT_EQ(memory.at(9).writes, 2);
    EXPECT_EQ(memory.at(9).bytes, report(9, 577, 0x22));
    EXPECT_EQ(memory.at(10).bytes, report(10, 42, 0x33));

    // The memory outlives the module's handles: a new link adds to it.
    CUSBDriver second;
    ASSERT_TRUE(second.Init());
    ASSERT_TRUE(second.FindDev());
    EXPECT_TRUE(second.SetFeature(second.m_hLed, report(10, 42, 0x44), error));
    EXPECT_EQ(state().at(10).writes, 2);
    EXPECT_EQ(state().at(9).bytes, report(9, 577, 0x22));
}

TEST_F(USBDriverTest, RequestedWriteFailuresCarryTheirErrno)
{
    options("fail=matrix:2:16,fail=led:always");
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    ASSERT_TRUE(driver.FindDev());
    int error = 0;
    EXPECT_FALSE(driver.SetFeature(driver.m_hMatrix, report(9, 577), error));
    EXPECT_EQ(error, 16);
    EXPECT_FALSE(driver.SetFeature(driver.m_hMatrix, report(9, 577), error));
    EXPECT_TRUE(driver.SetFeature(driver.m_hMatrix, report(9, 577), error));
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(driver.SetFeature(driver.m_hLed, report(10, 42), error));
        EXPECT_EQ(error, EIO);
    }
    EXPECT_EQ(state().count(10), 0u);
}

// Faults switched on and off while the keyboard is open, through the options
// file a soak run rewrites: failures and an unplugged keyboard reach handles
// opened before the change; plugging it back in makes writes work again.
TEST_F(USBDriverTest, OptionsFileSwitchesFaultsOnOpenHandles)
{
    const std::filesystem::path file = dir / "sim.options";
    setenv("KAVREL_SIM_OPTIONS_FILE", file.c_str(), 1);
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    ASSERT_TRUE(driver.FindDev());
    int error = 0;
    EXPECT_TRUE(driver.SetFeature(driver.m_hMatrix, report(9, 577), error));

    kavrel::test::writeFile(file, "fail=matrix:1:16\n");
    EXPECT_FALSE(driver.SetFeature(driver.m_hMatrix, report(9, 577), error));
    EXPECT_EQ(error, 16);
    EXPECT_TRUE(driver.SetFeature(driver.m_hMatrix, report(9, 577), error)) << "one failure was asked for";

    kavrel::test::writeFile(file, "unplugged=1");
    EXPECT_FALSE(driver.SetFeature(driver.m_hLed, report(10, 42), error));
    EXPECT_EQ(error, ENODEV);
    CUSBDriver other;
    ASSERT_TRUE(other.Init());
    EXPECT_FALSE(other.FindDev()) << "an unplugged keyboard is not found";

    kavrel::test::writeFile(file, "");
    EXPECT_TRUE(driver.SetFeature(driver.m_hLed, report(10, 42), error));
    EXPECT_TRUE(other.FindDev());
    unsetenv("KAVREL_SIM_OPTIONS_FILE");
    EXPECT_EQ(state().at(9).writes, 2);
    EXPECT_EQ(state().at(10).writes, 1);
}

TEST_F(USBDriverTest, ClosedHandlesFailWithEbadfAndAreNotReused)
{
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    ASSERT_TRUE(driver.FindDev());
    const HidHandle old = driver.m_hMatrix;
    driver.ClearHandle();
    expectAllClosed(driver);
    int error = 0;
    EXPECT_FALSE(driver.SetFeature(old, report(9, 577), error));
    EXPECT_EQ(error, EBADF);
    EXPECT_FALSE(driver.SetFeature(0, report(9, 577), error));
    EXPECT_EQ(error, EBADF);
    ASSERT_TRUE(driver.FindDev());
    EXPECT_NE(driver.m_hMatrix.load(), old);
    EXPECT_FALSE(driver.SetFeature(old, report(9, 577), error));
}

TEST_F(USBDriverTest, RealModuleLoadsAndReportsWhyNoKeyboardIsFound)
{
    setenv("KAVREL_HIDGATE", "libhidgate.so", 1);
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init()) << driver.Module().error();
    if (driver.CountDevices() > 0)
        GTEST_SKIP() << "a keyboard with this id is plugged in";
    EXPECT_FALSE(driver.FindDev());
    expectAllClosed(driver);
    EXPECT_THAT(driver.AbsenceReason(), HasSubstr("no matrix collection"));
}
