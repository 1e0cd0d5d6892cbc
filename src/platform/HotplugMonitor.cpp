#include "platform/HotplugMonitor.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <libudev.h>

namespace kavrel::platform {
namespace {

// The device interface class of USB devices, kept in the path so that it reads like the system's own notices.
constexpr const char* UsbInterfaceClass = "{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

std::optional<unsigned> hexField(std::string_view text)
{
    unsigned value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() || value > 0xFFFF)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<DeviceNotice> noticeFromUevent(
    std::string_view action, std::string_view product, std::string_view syspath)
{
    unsigned event = 0;
    if (action == "add")
        event = DeviceArrival;
    else if (action == "remove")
        event = DeviceRemoveComplete;
    else
        return std::nullopt;
    const auto slash = product.find('/');
    const auto slash2 = slash == std::string_view::npos ? slash : product.find('/', slash + 1);
    if (slash2 == std::string_view::npos)
        return std::nullopt;
    const auto vendor = hexField(product.substr(0, slash));
    const auto id = hexField(product.substr(slash + 1, slash2 - slash - 1));
    if (!vendor || !id)
        return std::nullopt;
    std::array<char, 48> head{};
    std::snprintf(head.data(), head.size(), "\\\\?\\USB#VID_%04x&PID_%04x#", *vendor, *id);
    return DeviceNotice{event, std::string(head.data()) + std::string(syspath) + "#" + UsbInterfaceClass};
}

std::optional<DeviceNotice> noticeFromHidrawEvent(std::string_view action, std::string_view syspath)
{
    const std::string_view marker = "/hidraw/";
    const auto at = syspath.rfind(marker);
    if (at == std::string_view::npos || at == 0)
        return std::nullopt;
    // The HID device's folder name: bus:vendor:product.instance.
    const std::string_view parent = syspath.substr(0, at);
    const std::string_view name = parent.substr(parent.rfind('/') + 1);
    const auto first = name.find(':');
    const auto second = first == std::string_view::npos ? first : name.find(':', first + 1);
    const auto dot = second == std::string_view::npos ? second : name.find('.', second + 1);
    if (dot == std::string_view::npos)
        return std::nullopt;
    const auto vendor = hexField(name.substr(first + 1, second - first - 1));
    const auto product = hexField(name.substr(second + 1, dot - second - 1));
    if (!vendor || !product)
        return std::nullopt;
    std::array<char, 16> ids{};
    std::snprintf(ids.data(), ids.size(), "%x/%x/0", *vendor, *product);
    return noticeFromUevent(action, ids.data(), syspath);
}

HotplugMonitor::HotplugMonitor() = default;

HotplugMonitor::~HotplugMonitor()
{
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    if (m_udev)
        udev_unref(m_udev);
}

bool HotplugMonitor::start()
{
    if (m_monitor)
        return true;
    if (!m_udev)
        m_udev = udev_new();
    if (!m_udev)
        return false;
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor)
        return false;
    if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) < 0
        || udev_monitor_enable_receiving(m_monitor) < 0) {
        udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
        return false;
    }
    return true;
}

int HotplugMonitor::fd() const
{
    return m_monitor ? udev_monitor_get_fd(m_monitor) : -1;
}

std::optional<DeviceNotice> HotplugMonitor::read()
{
    if (!m_monitor)
        return std::nullopt;
    udev_device* device = udev_monitor_receive_device(m_monitor);
    if (!device)
        return std::nullopt;
    const char* action = udev_device_get_action(device);
    const char* syspath = udev_device_get_syspath(device);
    auto notice = noticeFromHidrawEvent(action ? action : "", syspath ? syspath : "");
    udev_device_unref(device);
    return notice;
}

} // namespace kavrel::platform
