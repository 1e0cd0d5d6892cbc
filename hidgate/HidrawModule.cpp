// libhidgate.so: keyboards reached through the kernel's hidraw nodes, found and described with libudev.

#include "HandleTable.h"
#include "ModuleCommon.h"
#include "ReportDescriptor.h"
#include "hidgate.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <libudev.h>
#include <linux/hidraw.h>
#include <memory>
#include <optional>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hidgate {
namespace {

// The size field of the hidraw ioctls holds 14 bits; a longer buffer would encode another request.
constexpr std::size_t MaxIoctlLength = (1u << 14) - 1;

// One hidraw node as enumeration found it.
struct NodeInfo {
    std::string devnode;
    dev_t devnum = 0;
    std::string physical; // the USB device's (or HID device's) sysfs path: one per physical keyboard
    std::string product;
    ReportDescriptor descriptor;
};

// An open hidraw node. Every handle opens its own: a file never outlives the device it was opened for, so a
// keyboard plugged in where another was gets files of its own, never the old one's dead file.
using NodeFile = kavrel::platform::UniqueFd;

struct OpenCollection {
    std::shared_ptr<NodeFile> file;
    TopCollection collection;
    std::string product;
};

HandleTable<OpenCollection>& handles()
{
    static HandleTable<OpenCollection> table;
    return table;
}

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
using UdevPtr = std::unique_ptr<udev, UdevDeleter>;
using EnumeratePtr = std::unique_ptr<udev_enumerate, UdevDeleter>;
using DevicePtr = std::unique_ptr<udev_device, UdevDeleter>;

// HID_ID is "bus:vendor:product" in hex, e.g. "0003:00001A2C:00000B3D".
std::optional<DeviceId> hidDeviceId(udev_device* hid)
{
    const char* text = udev_device_get_property_value(hid, "HID_ID");
    unsigned bus = 0, vendor = 0, product = 0;
    if (!text || std::sscanf(text, "%x:%x:%x", &bus, &vendor, &product) != 3)
        return std::nullopt;
    return DeviceId{std::uint16_t(vendor), std::uint16_t(product)};
}

std::vector<std::uint8_t> readDescriptor(const char* hidSyspath)
{
    std::ifstream file(std::string(hidSyspath) + "/report_descriptor", std::ios::binary);
    std::vector<std::uint8_t> bytes;
    if (!file)
        return bytes;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return bytes;
}

std::string productOf(udev_device* usb, udev_device* hid)
{
    const char* product = usb ? udev_device_get_sysattr_value(usb, "product") : nullptr;
    if (!product)
        product = udev_device_get_property_value(hid, "HID_NAME");
    return product ? product : "";
}

std::optional<NodeInfo> describeNode(udev* context, const char* syspath, DeviceId wanted)
{
    DevicePtr device(udev_device_new_from_syspath(context, syspath));
    const char* devnode = device ? udev_device_get_devnode(device.get()) : nullptr;
    if (!devnode)
        return std::nullopt;
    // Parents belong to the child device and are not released separately.
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device.get(), "hid", nullptr);
    if (!hid || hidDeviceId(hid) != wanted)
        return std::nullopt;
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(hid, "usb", "usb_device");
    NodeInfo node;
    node.devnode = devnode;
    node.devnum = udev_device_get_devnum(device.get());
    node.physical = udev_device_get_syspath(usb ? usb : hid);
    node.product = productOf(usb, hid);
    node.descriptor = parseReportDescriptor(readDescriptor(udev_device_get_syspath(hid)));
    return node;
}

std::vector<NodeInfo> enumerateNodes(DeviceId wanted)
{
    std::vector<NodeInfo> nodes;
    UdevPtr context(udev_new());
    if (!context)
        return nodes;
    EnumeratePtr enumerate(udev_enumerate_new(context.get()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0
        || udev_enumerate_scan_devices(enumerate.get()) < 0)
        return nodes;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        if (auto node = describeNode(context.get(), udev_list_entry_get_name(entry), wanted))
            nodes.push_back(std::move(*node));
    }
    return nodes;
}

// True when the open file is still the node enumeration described. The node's device number is read through its
// path and the file tied to that path by inode, which is the same answer fstat's st_rdev gives on a kernel and one
// an emulated /dev (whose nodes are plain files with a faked stat) gives too. The kernel then confirms the
// vendor and product behind the file.
bool stillTheNode(const NodeInfo& node, int fd, DeviceId wanted)
{
    struct stat byPath { };
    struct stat byFile { };
    if (::stat(node.devnode.c_str(), &byPath) != 0 || ::fstat(fd, &byFile) != 0)
        return false;
    if (!S_ISCHR(byPath.st_mode) || byPath.st_rdev != node.devnum || byPath.st_dev != byFile.st_dev
        || byPath.st_ino != byFile.st_ino)
        return false;
    hidraw_devinfo info{};
    if (::ioctl(fd, HIDIOCGRAWINFO, &info) < 0)
        return false;
    return DeviceId{std::uint16_t(info.vendor), std::uint16_t(info.product)} == wanted;
}

// Opens a node; a node that vanished and was reused by another device is never taken for the keyboard.
std::shared_ptr<NodeFile> openNode(const NodeInfo& node, DeviceId wanted, int& error)
{
    const int fd = ::open(node.devnode.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    auto file = std::make_shared<NodeFile>(fd);
    if (!stillTheNode(node, fd, wanted)) {
        error = ESTALE;
        return nullptr;
    }
    return file;
}

void noteOpenFailure(const NodeInfo& node, int error, int& firstError)
{
    if (error == EACCES || error == EPERM) {
        setLastMessage("no access to " + node.devnode + " \u2014 install the udev rule");
        firstError = error;
        return;
    }
    if (firstError == 0) {
        setLastMessage(error == ESTALE ? node.devnode + " is no longer the node udev described (another device took it)"
                                       : node.devnode + " vanished or cannot be opened: " + std::strerror(error));
        firstError = error;
    }
}

bool offered(
    const NodeInfo& node, const TopCollection& collection, unsigned usagePage, unsigned usage, HidgateFilter filter)
{
    if (collection.usagePage != usagePage || collection.usage != usage)
        return false;
    return filter == nullptr
        || filter(node.devnode.c_str(), collection.inputLength(), collection.outputLength(), collection.featureLength())
        != 0;
}

int countKeyboards(const std::vector<NodeInfo>& nodes, unsigned usagePage, unsigned usage, HidgateFilter filter)
{
    std::vector<std::string> seen;
    for (const NodeInfo& node : nodes) {
        for (const TopCollection& collection : node.descriptor.collections) {
            if (!offered(node, collection, usagePage, usage, filter))
                continue;
            if (std::find(seen.begin(), seen.end(), node.physical) == seen.end())
                seen.push_back(node.physical);
            break;
        }
    }
    return int(seen.size());
}

HidgateHandle openFirst(
    const std::vector<NodeInfo>& nodes, DeviceId wanted, unsigned usagePage, unsigned usage, HidgateFilter filter)
{
    int firstError = 0;
    for (const NodeInfo& node : nodes) {
        for (const TopCollection& collection : node.descriptor.collections) {
            if (!offered(node, collection, usagePage, usage, filter))
                continue;
            int error = 0;
            auto file = openNode(node, wanted, error);
            if (!file) {
                noteOpenFailure(node, error, firstError);
                break; // the node's other collections would fail the same way
            }
            return handles().add(std::make_shared<OpenCollection>(OpenCollection{file, collection, node.product}));
        }
    }
    if (firstError == 0)
        setLastMessage(nodes.empty() ? "no hidraw node of this keyboard" : "no collection accepted");
    errno = firstError != 0 ? firstError : ENODEV;
    return 0;
}

// Checks a report buffer against the collection; 0 when it may be sent.
int checkFeatureBuffer(const OpenCollection& open, const std::uint8_t* buffer, std::size_t length)
{
    if (!buffer || length == 0 || length > MaxIoctlLength)
        return EINVAL;
    // A collection without report ids takes its reports with a leading 0 byte.
    const int id = open.collection.hasFeatureReport(0) ? 0 : buffer[0];
    if (id != buffer[0] || !open.collection.hasFeatureReport(id))
        return EINVAL; // the id belongs to another collection on the same node
    // The kernel passes any length on to the device: a short or long report would reach the keyboard as garbage.
    if (length != std::size_t(open.collection.featureReportLength(id)))
        return EINVAL;
    return 0;
}

} // namespace

void closeModuleHandle(HidgateHandle handle)
{
    handles().remove(handle);
}

} // namespace hidgate

using namespace hidgate;

extern "C" {

HIDGATE_EXPORT HidgateHandle OpenHidDevice(unsigned usagePage, unsigned usage, const char* idText, HidgateFilter filter,
    void*, unsigned, int logLevel, unsigned, unsigned, int* count)
{
    const auto wanted = startOpen(idText, count);
    if (!wanted)
        return 0;
    const std::vector<NodeInfo> nodes = enumerateNodes(*wanted);
    if (count) {
        *count = countKeyboards(nodes, usagePage, usage, filter);
        return 0;
    }
    const HidgateHandle handle = openFirst(nodes, *wanted, usagePage, usage, filter);
    if (handle == 0 && logLevel != 0)
        std::fprintf(stderr, "hidgate: %s\n", lastMessage().c_str());
    return handle;
}

HIDGATE_EXPORT int SetFeature(HidgateHandle handle, const uint8_t* buffer, size_t length)
{
    const auto open = handles().find(handle);
    if (!open)
        return failWith(EBADF, "handle is closed");
    if (const int error = checkFeatureBuffer(*open, buffer, length))
        return failWith(error, "report id or length does not fit the collection");
    if (::ioctl(open->file->get(), HIDIOCSFEATURE(length), buffer) < 0)
        return failWith(errno, std::string("HIDIOCSFEATURE: ") + std::strerror(errno));
    return 1;
}

HIDGATE_EXPORT int GetFeature(HidgateHandle handle, uint8_t* buffer, size_t length)
{
    const auto open = handles().find(handle);
    if (!open)
        return failWith(EBADF, "handle is closed");
    if (!buffer || length == 0 || length > MaxIoctlLength)
        return failWith(EINVAL, "bad buffer");
    if (::ioctl(open->file->get(), HIDIOCGFEATURE(length), buffer) < 0)
        return failWith(errno, std::string("HIDIOCGFEATURE: ") + std::strerror(errno));
    return 1;
}

HIDGATE_EXPORT int GetInputReport(HidgateHandle handle, uint8_t* buffer, size_t length)
{
    const auto open = handles().find(handle);
    if (!open)
        return failWith(EBADF, "handle is closed");
    if (!buffer || length == 0 || length > MaxIoctlLength)
        return failWith(EINVAL, "bad buffer");
#ifdef HIDIOCGINPUT
    if (::ioctl(open->file->get(), HIDIOCGINPUT(length), buffer) < 0)
        return failWith(errno, std::string("HIDIOCGINPUT: ") + std::strerror(errno));
    return 1;
#else
    return failWith(ENOSYS, "this kernel header has no HIDIOCGINPUT");
#endif
}

HIDGATE_EXPORT int GetProductString(HidgateHandle handle, char* buffer, size_t size)
{
    const auto open = handles().find(handle);
    if (!open)
        return failWith(EBADF, "handle is closed");
    if (!copyString(open->product, buffer, size))
        return failWith(EINVAL, "no buffer");
    return 1;
}

} // extern "C"
