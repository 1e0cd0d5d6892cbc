// Hot-plug notices: the path pattern, udev events turned into notices, and the arrival retry policy.

#include "device/CUSBDriver.h"
#include "device/DeviceNoticeHandler.h"
#include "device/SimKeyboardFixture.h"
#include "platform/HotplugMonitor.h"

#include <vector>

using namespace kavrel;
using kavrel::test::SimKeyboardFixture;
using platform::DeviceArrival;
using platform::DeviceRemoveComplete;
using testing::HasSubstr;

namespace {

struct USBDriverNoticeTest : SimKeyboardFixture {
    int finds = 0;
    int clears = 0;
    int succeedAt = 0; // the FindDev call that succeeds, 0 for none
    std::vector<std::chrono::milliseconds> waits;

    NoticeActions actions()
    {
        return {[this] { return ++finds == succeedAt; }, [this] { ++clears; },
            [this](std::chrono::milliseconds delay) { waits.push_back(delay); }};
    }
    std::string keyboardPath(const char* action = "add")
    {
        return platform::noticeFromUevent(action, "1a2c/b3d/100", "/sys/devices/pci0000:00/usb1/1-2")->path;
    }
};

} // namespace

TEST_F(USBDriverNoticeTest, PatternAndPathsOfAnyLetterCaseMatch)
{
    EXPECT_EQ(DevicePathPattern(), "USB#VID_1a2c&PID_0b3d");
    EXPECT_TRUE(DevicePathMatches(keyboardPath(), DevicePathPattern()));
    EXPECT_TRUE(DevicePathMatches("\\\\?\\usb#vid_1A2C&pid_0B3D#x#{guid}", DevicePathPattern()));
    EXPECT_FALSE(DevicePathMatches("\\\\?\\USB#VID_1a2c&PID_0b3e#x", DevicePathPattern()));
    EXPECT_FALSE(DevicePathMatches("USB#VID_1a2c", DevicePathPattern()));
}

TEST_F(USBDriverNoticeTest, UdevEventsBecomeArrivalAndRemovalNotices)
{
    const auto arrival = platform::noticeFromUevent("add", "1a2c/b3d/100", "/sys/devices/usb1/1-2");
    ASSERT_TRUE(arrival);
    EXPECT_EQ(arrival->event, DeviceArrival);
    EXPECT_THAT(arrival->path, HasSubstr("USB#VID_1a2c&PID_0b3d#/sys/devices/usb1/1-2#"));
    EXPECT_EQ(platform::noticeFromUevent("remove", "1a2c/b3d/100", "/x")->event, DeviceRemoveComplete);
    EXPECT_FALSE(platform::noticeFromUevent("change", "1a2c/b3d/100", "/x"));
    for (const char* bad : {"", "1a2c", "1a2c/b3d", "1a2c//100", "zz/b3d/1", "11a2c/b3d/1", "1a2c/b3d x/1"})
        EXPECT_FALSE(platform::noticeFromUevent("add", bad, "/x")) << bad;
}

TEST_F(USBDriverNoticeTest, HidrawNodesAreKnownByTheirHidParentForArrivalAndRemoval)
{
    const std::string node = "/sys/devices/pci0000:00/usb1/1-2/1-2:1.1/0003:1A2C:0B3D.0007/hidraw/hidraw3";
    const auto arrival = platform::noticeFromHidrawEvent("add", node);
    ASSERT_TRUE(arrival);
    EXPECT_EQ(arrival->event, DeviceArrival);
    EXPECT_TRUE(DevicePathMatches(arrival->path, DevicePathPattern())) << arrival->path;
    EXPECT_THAT(arrival->path, HasSubstr(node));
    const auto removal = platform::noticeFromHidrawEvent("remove", node);
    ASSERT_TRUE(removal);
    EXPECT_EQ(removal->event, DeviceRemoveComplete);
    EXPECT_FALSE(DevicePathMatches(
        platform::noticeFromHidrawEvent("add", "/sys/devices/x/0003:046D:C52B.0001/hidraw/hidraw0")->path,
        DevicePathPattern()));
    EXPECT_FALSE(platform::noticeFromHidrawEvent("change", node));
    for (const char* bad : {"", "/hidraw/hidraw0", "/sys/devices/usb1/1-2", "/sys/x/0003:1A2C.0007/hidraw/hidraw3",
             "/sys/x/0003:1A2C:0B3D/hidraw/hidraw3", "/sys/x/0003:zz:0B3D.1/hidraw/hidraw3"})
        EXPECT_FALSE(platform::noticeFromHidrawEvent("add", bad)) << bad;
}

TEST_F(USBDriverNoticeTest, ArrivalTriesThreeTimes100MsApart)
{
    EXPECT_EQ(HandleDeviceNotice(DeviceArrival, keyboardPath(), actions()), NoticeOutcome::NotFound);
    EXPECT_EQ(finds, 3);
    EXPECT_EQ(waits, std::vector<std::chrono::milliseconds>(3, std::chrono::milliseconds(100)));
    EXPECT_THAT(log(), HasSubstr("Device IN"));

    // Three notices in a row while the keyboard is still starting: each makes at most three attempts.
    finds = 0;
    succeedAt = 8;
    for (int i = 0; i < 3; ++i)
        HandleDeviceNotice(DeviceArrival, keyboardPath(), actions());
    EXPECT_EQ(finds, 8);

    finds = 0;
    succeedAt = 2;
    EXPECT_EQ(HandleDeviceNotice(DeviceArrival, keyboardPath(), actions()), NoticeOutcome::Found);
    EXPECT_EQ(finds, 2);
    EXPECT_EQ(clears, 0);
}

TEST_F(USBDriverNoticeTest, RemovalClearsHandlesAndOtherDevicesAreIgnored)
{
    EXPECT_EQ(HandleDeviceNotice(DeviceRemoveComplete, keyboardPath("remove"), actions()), NoticeOutcome::Removed);
    EXPECT_EQ(clears, 1);
    EXPECT_THAT(log(), HasSubstr("Device OUT"));

    const auto other = platform::noticeFromUevent("remove", "46d/c52b/1201", "/sys/devices/usb1/1-3")->path;
    EXPECT_EQ(HandleDeviceNotice(DeviceRemoveComplete, other, actions()), NoticeOutcome::Ignored);
    EXPECT_EQ(HandleDeviceNotice(DeviceArrival, other, actions()), NoticeOutcome::Ignored);
    EXPECT_EQ(HandleDeviceNotice(0x8001, keyboardPath(), actions()), NoticeOutcome::Ignored);
    EXPECT_EQ(clears, 1);
    EXPECT_EQ(finds, 0);
}

TEST_F(USBDriverNoticeTest, NoticesDriveTheDeviceLinkToTheSimulatedKeyboard)
{
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    EXPECT_EQ(HandleDeviceNotice(driver, DeviceArrival, keyboardPath()), NoticeOutcome::Found);
    EXPECT_NE(driver.m_hMatrix.load(), 0u);
    EXPECT_EQ(HandleDeviceNotice(driver, DeviceRemoveComplete, keyboardPath("remove")), NoticeOutcome::Removed);
    EXPECT_EQ(driver.m_hMatrix.load(), 0u);
    EXPECT_EQ(driver.m_hMacro.load(), 0u);
}

TEST(HotplugMonitorTest, StartsWhereUdevIsAvailable)
{
    platform::HotplugMonitor monitor;
    EXPECT_EQ(monitor.fd(), -1);
    if (!monitor.start())
        GTEST_SKIP() << "udev's netlink socket is not available here";
    EXPECT_GE(monitor.fd(), 0);
}
