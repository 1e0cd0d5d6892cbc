#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct udev;
struct udev_monitor;

namespace kavrel::platform {

// Device notice events, numbered as the window code expects them.
inline constexpr unsigned DeviceArrival = 0x8000;
inline constexpr unsigned DeviceRemoveComplete = 0x8004;

struct DeviceNotice {
    unsigned event = 0;
    std::string path; // contains "USB#VID_xxxx&PID_xxxx" (lower-case hex) of the device
    bool operator==(const DeviceNotice&) const = default;
};

// Turns one udev event of a USB device into a notice: action "add" or "remove", the device's PRODUCT property
// ("vid/pid/bcd" in hex) and its sysfs path. Nothing for other actions or a malformed PRODUCT.
std::optional<DeviceNotice> noticeFromUevent(
    std::string_view action, std::string_view product, std::string_view syspath);

// Turns one udev event of a hidraw node into a notice: action "add" or "remove" and the node's sysfs path,
// whose parent HID device is named "<bus>:<vendor>:<product>.<instance>" in hex
// (".../0003:1A2C:0E24.0007/hidraw/hidraw3"). Read from the path alone, so a removal parses as well as an
// arrival. Nothing for other actions or paths.
std::optional<DeviceNotice> noticeFromHidrawEvent(std::string_view action, std::string_view syspath);

// Arrival and removal of hidraw nodes from a libudev monitor: the node the program opens, which appears after
// the USB device (and gets its access rights later still). Not tied to any toolkit: the caller watches fd()
// (for example with a socket notifier) and calls read() when it is readable.
class HotplugMonitor {
public:
    HotplugMonitor();
    ~HotplugMonitor();
    HotplugMonitor(const HotplugMonitor&) = delete;
    HotplugMonitor& operator=(const HotplugMonitor&) = delete;

    // Starts listening; false when udev is unavailable (the program then runs without hot-plug).
    bool start();
    // The descriptor to watch for readability, -1 when not started.
    int fd() const;
    // The next pending notice of a hidraw node; nothing when none is pending or the event is of no interest.
    std::optional<DeviceNotice> read();

private:
    ::udev* m_udev = nullptr;
    ::udev_monitor* m_monitor = nullptr;
};

} // namespace kavrel::platform
