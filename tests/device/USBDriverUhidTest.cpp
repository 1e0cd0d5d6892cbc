// End to end through the kernel: a virtual keyboard made with /dev/uhid, found by the real module.

#include "device/CUSBDriver.h"
#include "device/SimKeyboardFixture.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kavrel;
using kavrel::test::SimKeyboardFixture;

namespace {

std::vector<std::uint8_t> vendorCollection(std::uint8_t id, std::uint16_t count)
{
    return {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, id, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x96,
        std::uint8_t(count & 0xFF), std::uint8_t(count >> 8), 0x09, 0x01, 0xB1, 0x02, 0xC0};
}

// A uhid device that answers every feature report with success and remembers the report numbers it saw.
class VirtualKeyboard {
public:
    explicit VirtualKeyboard(int fd)
        : m_fd(fd)
    {
    }
    ~VirtualKeyboard()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        uhid_event destroy{};
        destroy.type = UHID_DESTROY;
        [[maybe_unused]] auto ignored = ::write(m_fd, &destroy, sizeof destroy);
        ::close(m_fd);
    }

    bool create()
    {
        uhid_event event{};
        event.type = UHID_CREATE2;
        auto& create = event.u.create2;
        std::strcpy(reinterpret_cast<char*>(create.name), "Kavrel Gaming Keyboard");
        std::vector<std::uint8_t> descriptor;
        for (auto [id, count] : {std::pair{9, 576}, {10, 41}, {11, 145}, {12, 960}}) {
            const auto part = vendorCollection(std::uint8_t(id), std::uint16_t(count));
            descriptor.insert(descriptor.end(), part.begin(), part.end());
        }
        std::memcpy(create.rd_data, descriptor.data(), descriptor.size());
        create.rd_size = std::uint16_t(descriptor.size());
        create.bus = 0x03; // USB
        create.vendor = 0x1A2C;
        create.product = 0x0B3D;
        if (::write(m_fd, &event, sizeof event) != ssize_t(sizeof event))
            return false;
        m_thread = std::thread([this] { answer(); });
        return true;
    }

    std::atomic<int> lastReport{0};

private:
    void answer()
    {
        while (!m_stop) {
            pollfd watch{m_fd, POLLIN, 0};
            if (::poll(&watch, 1, 50) <= 0)
                continue;
            uhid_event event{};
            if (::read(m_fd, &event, sizeof event) <= 0 || event.type != UHID_SET_REPORT)
                continue;
            lastReport = event.u.set_report.rnum;
            uhid_event reply{};
            reply.type = UHID_SET_REPORT_REPLY;
            reply.u.set_report_reply.id = event.u.set_report.id;
            reply.u.set_report_reply.err = 0;
            [[maybe_unused]] auto ignored = ::write(m_fd, &reply, sizeof reply);
        }
    }

    int m_fd;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

using USBDriverUhidTest = SimKeyboardFixture;

} // namespace

TEST_F(USBDriverUhidTest, RealModuleFindsAndWritesAVirtualKeyboard)
{
    const int fd = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (fd < 0)
        GTEST_SKIP() << "cannot open /dev/uhid (" << std::strerror(errno) << "); needs the uhid module and access";
    VirtualKeyboard keyboard(fd);
    ASSERT_TRUE(keyboard.create());
    setenv("KAVREL_HIDGATE", "libhidgate.so", 1);
    CUSBDriver driver;
    ASSERT_TRUE(driver.Init());
    // The hidraw node appears shortly after the device is created.
    bool found = false;
    for (int attempt = 0; attempt < 40 && !found; ++attempt) {
        found = driver.FindDev();
        if (!found)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!found && driver.AbsenceReason().find("no access") != std::string::npos)
        GTEST_SKIP() << driver.AbsenceReason();
    ASSERT_TRUE(found) << driver.AbsenceReason();
    EXPECT_GE(driver.CountDevices(), 1);
    EXPECT_EQ(driver.ProductString(driver.m_hMatrix), "Kavrel Gaming Keyboard");

    std::vector<std::uint8_t> led(42, 0);
    led[0] = 10;
    int error = 0;
    EXPECT_TRUE(driver.SetFeature(driver.m_hLed, led, error)) << std::strerror(error);
    EXPECT_EQ(keyboard.lastReport.load(), 10);
    // The lighting collection refuses the matrix report id, though both share the node.
    led[0] = 9;
    EXPECT_FALSE(driver.SetFeature(driver.m_hLed, led, error));
    EXPECT_EQ(error, EINVAL);
}
