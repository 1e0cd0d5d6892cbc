// The real module finding, opening and writing the keyboard through the emulated kernel's hidraw nodes.

#include "umockdev/EmulatedKeyboardFixture.h"

#include "KeyboardProtocol.h"
#include "device/CUSBDriver.h"

#include <cerrno>
#include <cstring>
#include <linux/capability.h>
#include <set>
#include <sys/syscall.h>
#include <unistd.h>

using namespace kavrel;
using kavrel::test::EmulatedKeyboardFixture;

namespace {

// Root opens any file whatever its permissions; without the two DAC capabilities (on this thread, where the
// module opens its nodes) it meets them like the logged-in user does. Nothing to do for other users.
class WithoutFileAccessOverride {
public:
    WithoutFileAccessOverride()
    {
        if (::geteuid() != 0)
            return;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_active = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~WithoutFileAccessOverride()
    {
        if (m_active)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    WithoutFileAccessOverride(const WithoutFileAccessOverride&) = delete;
    WithoutFileAccessOverride& operator=(const WithoutFileAccessOverride&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_active = false;
};

std::vector<std::uint8_t> report(std::uint8_t id, std::size_t length, std::uint8_t fill)
{
    std::vector<std::uint8_t> bytes(length, fill);
    bytes[0] = id;
    return bytes;
}

using HidrawModuleTest = EmulatedKeyboardFixture;

} // namespace

TEST_F(HidrawModuleTest, OpensOnlyTheKeyboardsVendorCollections)
{
    kernel->plugOtherVendorDevice(); // the same four collections, another vendor: enumerated first
    const int keyboard = kernel->plugKeyboard();
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    ASSERT_TRUE(driver.FindDev()) << driver.AbsenceReason();
    const std::vector<HidHandle> handles{driver.m_hMatrix, driver.m_hLed, driver.m_hColor, driver.m_hMacro};
    for (HidHandle handle : handles)
        EXPECT_NE(handle, 0u);
    EXPECT_EQ(std::set<HidHandle>(handles.begin(), handles.end()).size(), 4u);
    EXPECT_EQ(driver.ProductString(driver.m_hMatrix), "Kavrel Gaming Keyboard");
    EXPECT_EQ(driver.CountDevices(), 1);
    // Neither the other vendor's node nor the boot keyboard interface was ever opened.
    for (const std::string& node : kernel->openedNodes())
        EXPECT_EQ(node, kernel->vendorNode(keyboard));
    EXPECT_FALSE(kernel->openedNodes().empty());

    // Each handle writes its own report through HIDIOCSFEATURE; the keyboard keeps it.
    int error = 0;
    const auto led = report(ReportLighting, LedReportLength, 0x21);
    const auto matrix = report(ReportMatrix, MatrixReportLength, 0x35);
    ASSERT_TRUE(driver.SetFeature(driver.m_hLed, led, error)) << std::strerror(error);
    ASSERT_TRUE(driver.SetFeature(driver.m_hMatrix, matrix, error)) << std::strerror(error);
    const auto memory = kernel->memory(keyboard);
    ASSERT_EQ(memory.size(), 2u);
    EXPECT_EQ(memory.at(ReportLighting), (hidgate::SimReport{1, led}));
    EXPECT_EQ(memory.at(ReportMatrix), (hidgate::SimReport{1, matrix}));
    // The lighting collection refuses the matrix id even though both share the node.
    EXPECT_FALSE(driver.SetFeature(driver.m_hLed, matrix, error));
    EXPECT_EQ(error, EINVAL);

    // HIDIOCGFEATURE reads back what the keyboard holds; the vendor interface has no input report.
    std::vector<std::uint8_t> back(LedReportLength, 0);
    back[0] = ReportLighting;
    ASSERT_NE(driver.Module().GetFeature(driver.m_hLed, back.data(), back.size()), 0) << std::strerror(errno);
    EXPECT_EQ(back, led);
    std::vector<std::uint8_t> input(8, 0);
    EXPECT_EQ(driver.Module().GetInputReport(driver.m_hLed, input.data(), input.size()), 0);
    EXPECT_EQ(errno, EPIPE);
}

TEST_F(HidrawModuleTest, TwoIdenticalKeyboardsCountAsTwo)
{
    kernel->plugKeyboard();
    kernel->plugKeyboard();
    kernel->plugOtherVendorDevice();
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    EXPECT_EQ(driver.CountDevices(), 2);
    EXPECT_TRUE(kernel->openedNodes().empty()) << "counting opens nothing";
}

TEST_F(HidrawModuleTest, ShortAndOversizedReportsAreRefusedBeforeTheIoctl)
{
    kernel->plugKeyboard();
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    ASSERT_TRUE(driver.FindDev()) << driver.AbsenceReason();
    int error = 0;
    for (std::size_t length : {std::size_t(2), std::size_t(LedReportLength - 1), std::size_t(LedReportLength + 1),
             std::size_t(MacroReportLength)}) {
        EXPECT_FALSE(driver.SetFeature(driver.m_hLed, report(ReportLighting, length, 1), error)) << length;
        EXPECT_EQ(error, EINVAL) << length;
    }
    EXPECT_EQ(kernel->featureWrites(), 0) << "no wrong-sized report reached the kernel";
    EXPECT_TRUE(driver.SetFeature(driver.m_hLed, report(ReportLighting, LedReportLength, 1), error));
    EXPECT_EQ(kernel->featureWrites(), 1);
}

TEST_F(HidrawModuleTest, NodeWithoutAccessAsksForTheUdevRule)
{
    const int keyboard = kernel->plugKeyboard();
    kernel->denyAccess(keyboard);
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    WithoutFileAccessOverride asUser;
    EXPECT_FALSE(driver.FindDev());
    EXPECT_EQ(driver.m_hMatrix, 0u);
    EXPECT_NE(
        driver.AbsenceReason().find("no access to " + kernel->vendorNode(keyboard) + " \u2014 install the udev rule"),
        std::string::npos)
        << driver.AbsenceReason();
    EXPECT_EQ(driver.CountDevices(), 1) << "the keyboard is there, only not ours to open";
}

TEST_F(HidrawModuleTest, NodeWhoseNumberChangedIsNotTaken)
{
    const int keyboard = kernel->plugKeyboard();
    kernel->renumberVendorNode(keyboard);
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    EXPECT_FALSE(driver.FindDev());
    EXPECT_EQ(driver.m_hLed, 0u);
    EXPECT_NE(driver.AbsenceReason().find(kernel->vendorNode(keyboard) + " is no longer the node udev described"),
        std::string::npos)
        << driver.AbsenceReason();
    EXPECT_EQ(kernel->featureWrites(), 0);
}

TEST_F(HidrawModuleTest, FileOfAnUnpluggedKeyboardIsNeverReusedForItsSuccessor)
{
    const int keyboard = kernel->plugKeyboard();
    CUSBDriver before, after;
    ASSERT_TRUE(before.Init() && after.Init());
    ASSERT_TRUE(before.FindDev()) << before.AbsenceReason();
    kernel->unplug(keyboard);
    kernel->replug(keyboard); // the new keyboard gets the same node names
    ASSERT_EQ(kernel->vendorNode(keyboard), kernel->openedNodes().front());
    ASSERT_TRUE(after.FindDev()) << after.AbsenceReason();
    int error = 0;
    const auto led = report(ReportLighting, LedReportLength, 7);
    EXPECT_TRUE(after.SetFeature(after.m_hLed, led, error)) << std::strerror(error);
    EXPECT_FALSE(before.SetFeature(before.m_hLed, led, error)) << "the old keyboard is gone";
    EXPECT_EQ(error, ENODEV);
    const auto memory = kernel->memory(keyboard);
    ASSERT_EQ(memory.count(ReportLighting), 1u);
    EXPECT_EQ(memory.at(ReportLighting), (hidgate::SimReport{1, led}));
}
