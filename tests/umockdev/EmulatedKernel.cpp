#include "umockdev/EmulatedKernel.h"

#include "KeyboardProtocol.h"

#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <linux/hidraw.h>
#include <stdexcept>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavrel::test {
namespace {

constexpr std::uint16_t KeyboardVendor = 0x1A2C;
constexpr std::uint16_t KeyboardProduct = 0x0B3D;
constexpr std::uint16_t OtherVendor = 0x2B1E;
constexpr std::uint16_t OtherProduct = 0x0011;
constexpr unsigned HidrawMajor = 241;
constexpr const char* KeyboardName = "Kavrel Gaming Keyboard";
constexpr const char* Controller = "/devices/pci0000:00/0000:00:14.0/usb1";
constexpr std::size_t BootInputLength = 8;
constexpr const char* PreloadLibrary = "libumockdev-preload.so.0";

bool preloaded()
{
    void* library = dlopen(PreloadLibrary, RTLD_NOW | RTLD_NOLOAD);
    if (library)
        dlclose(library);
    return library != nullptr;
}

std::string hex(std::span<const std::uint8_t> bytes)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t b : bytes) {
        text += Digits[b >> 4];
        text += Digits[b & 0xF];
    }
    return text;
}

std::string format(const char* pattern, auto... values)
{
    char text[256];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer kernel)
{
    return static_cast<EmulatedKernel*>(kernel)->handleIoctl(client);
}

void onConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer kernel)
{
    static_cast<EmulatedKernel*>(kernel)->clientConnected(client);
}

void onVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer kernel)
{
    static_cast<EmulatedKernel*>(kernel)->clientVanished(client);
}

// The HID item bytes of one vendor collection with one feature report of this id and length.
void appendVendorCollection(std::vector<std::uint8_t>& out, std::uint8_t id, int length)
{
    const int count = length - 1; // data bytes after the report id
    const std::uint8_t items[] = {0x06, 0x00, 0xFF, // usage page 0xFF00
        0x09, 0x01, // usage 1
        0xA1, 0x01, // collection (application)
        0x85, id, // report id
        0x15, 0x00, 0x26, 0xFF, 0x00, // logical 0..255
        0x75, 0x08, // report size 8
        0x96, std::uint8_t(count & 0xFF), std::uint8_t(count >> 8), // report count
        0x09, 0x01, 0xB1, 0x02, // feature (data, variable, absolute)
        0xC0};
    out.insert(out.end(), std::begin(items), std::end(items));
}

} // namespace

std::vector<std::uint8_t> EmulatedKernel::vendorDescriptor()
{
    std::vector<std::uint8_t> bytes;
    for (const VendorCollection& collection : VendorCollections)
        appendVendorCollection(bytes, collection.reportId, collection.featureLength);
    return bytes;
}

std::vector<std::uint8_t> EmulatedKernel::bootKeyboardDescriptor()
{
    // The standard USB boot keyboard report: modifiers, a reserved byte, six key codes; five LEDs.
    return {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01,
        0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01,
        0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65,
        0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};
}

EmulatedKernel::EmulatedKernel()
{
    if (!preloaded())
        throw std::runtime_error("not running under umockdev's preload library");
    m_testbed = umockdev_testbed_new();
}

EmulatedKernel::~EmulatedKernel()
{
    for (auto& [devnode, node] : m_nodes)
        umockdev_testbed_detach_ioctl(m_testbed, devnode.c_str(), nullptr);
    for (UMockdevIoctlBase* handler : m_handlers)
        g_object_unref(handler);
    g_object_unref(m_testbed);
}

void EmulatedKernel::addRecord(const std::string& text)
{
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(m_testbed, text.c_str(), &error)) {
        const std::string message = error ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("umockdev refused a device: " + message);
    }
}

void EmulatedKernel::attachHandler(const std::string& devnode)
{
    // One handler per node, attached once: it outlives unplugging, so a file opened before a removal is still
    // answered (with ENODEV) after the node is gone and even after a new device took its name.
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(onIoctl), this);
    g_signal_connect(handler, "client-connected", G_CALLBACK(onConnected), this);
    g_signal_connect(handler, "client-vanished", G_CALLBACK(onVanished), this);
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(m_testbed, devnode.c_str(), handler, &error)) {
        const std::string message = error ? error->message : "unknown error";
        g_clear_error(&error);
        g_object_unref(handler);
        throw std::runtime_error("cannot attach to " + devnode + ": " + message);
    }
    m_handlers.push_back(handler);
}

std::string EmulatedKernel::addHidraw(const std::string& hidPath, int keyboard, Interface interface, int generation)
{
    // A node name freed by an unplug is taken again, as the kernel hands out the lowest free minor.
    std::string devnode;
    unsigned minor = 0;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& [name, node] : m_nodes)
            if (node.keyboard == keyboard && node.interface == interface && node.keyboard >= 0)
                minor = node.minor, devnode = name;
        if (devnode.empty()) {
            minor = m_nextMinor++;
            devnode = format("/dev/hidraw%u", minor);
        }
    }
    const std::string name = format("hidraw%u", minor);
    const std::string path = hidPath + "/hidraw/" + name;
    addRecord("P: " + path + "\nN: " + name + "=00\nE: SUBSYSTEM=hidraw\nE: DEVNAME=" + devnode
        + format("\nE: MAJOR=%u\nE: MINOR=%u\nA: dev=%u:%u\\n\n", HidrawMajor, minor, HidrawMajor, minor));
    bool attach = false;
    {
        std::lock_guard lock(m_mutex);
        attach = m_nodes.find(devnode) == m_nodes.end();
        m_nodes[devnode] = Node{devnode, "/sys" + path, keyboard, interface, generation, minor};
    }
    if (attach)
        attachHandler(devnode);
    return devnode;
}

void EmulatedKernel::addKeyboardDevices(Keyboard& keyboard, int number, bool announceIt)
{
    const std::string usb = format("%s/1-%d", Controller, keyboard.port);
    keyboard.usbPath = "/sys" + usb;
    keyboard.devicePaths.clear();
    addRecord("P: " + usb
        + format("\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: PRODUCT=%x/%x/100\nE: TYPE=0/0/0\nE: BUSNUM=001"
                 "\nE: DEVNUM=%03d\nA: idVendor=%04x\\n\nA: idProduct=%04x\\n\nA: bcdDevice=0100\\n",
            KeyboardVendor, KeyboardProduct, keyboard.port, KeyboardVendor, KeyboardProduct)
        + "\nA: manufacturer=Kavrel Ltd.\\n\nA: product=" + KeyboardName + "\\n\nA: serial=KB" + std::to_string(number)
        + "\\n\n");
    keyboard.devicePaths.push_back("/sys" + usb);
    const struct {
        Interface interface;
        int number;
        const char* classes; // class/subclass/protocol
        std::vector<std::uint8_t> descriptor;
    } interfaces[] = {
        {Interface::Boot, 0, "3/1/1", bootKeyboardDescriptor()},
        {Interface::Vendor, 1, "3/0/0", vendorDescriptor()},
    };
    for (const auto& item : interfaces) {
        const std::string iface = usb + format("/1-%d:1.%d", keyboard.port, item.number);
        addRecord("P: " + iface + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: INTERFACE=" + item.classes
            + format("\nE: PRODUCT=%x/%x/100\nA: bInterfaceNumber=%02d\\n\nA: bInterfaceClass=03\\n\n", KeyboardVendor,
                KeyboardProduct, item.number));
        const std::string hid = iface + format("/0003:%04X:%04X.%04X", KeyboardVendor, KeyboardProduct, m_nextHid++);
        addRecord("P: " + hid + "\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic"
            + format("\nE: HID_ID=0003:%08X:%08X\nE: HID_NAME=Kavrel Ltd. %s\nE: HID_PHYS=usb-0000:00:14.0-%d/input%d"
                     "\nE: HID_UNIQ=KB%d\nE: MODALIAS=hid:b0003g0001v%08Xp%08X\nH: report_descriptor=",
                KeyboardVendor, KeyboardProduct, KeyboardName, keyboard.port, item.number, number, KeyboardVendor,
                KeyboardProduct)
            + hex(item.descriptor) + "\n");
        keyboard.devicePaths.push_back("/sys" + iface);
        keyboard.devicePaths.push_back("/sys" + hid);
        const std::string node = addHidraw(hid, number, item.interface, keyboard.generation);
        keyboard.devicePaths.push_back(m_nodes.at(node).syspath);
        (item.interface == Interface::Boot ? keyboard.bootNode : keyboard.vendorNode) = node;
    }
    {
        std::lock_guard lock(m_mutex);
        keyboard.plugged = true;
    }
    if (announceIt)
        announce(keyboard.devicePaths, "add");
}

int EmulatedKernel::plugKeyboard(bool announceIt)
{
    Keyboard keyboard;
    keyboard.port = m_nextPort++;
    const int number = int(m_keyboards.size());
    {
        std::lock_guard lock(m_mutex);
        m_keyboards.push_back(std::move(keyboard));
    }
    addKeyboardDevices(m_keyboards.back(), number, announceIt);
    return number;
}

void EmulatedKernel::plugOtherVendorDevice()
{
    const int port = m_nextPort++;
    const std::string usb = format("%s/1-%d", Controller, port);
    const std::string iface = usb + format("/1-%d:1.0", port);
    addRecord("P: " + usb
        + format("\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: PRODUCT=%x/%x/200\nA: idVendor=%04x\\n"
                 "\nA: idProduct=%04x\\n\nA: product=Other Gaming Mouse\\n\n",
            OtherVendor, OtherProduct, OtherVendor, OtherProduct));
    const std::string hid = iface + format("/0003:%04X:%04X.%04X", OtherVendor, OtherProduct, m_nextHid++);
    addRecord("P: " + iface + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: INTERFACE=3/0/0\n");
    addRecord("P: " + hid
        + format("\nE: SUBSYSTEM=hid\nE: HID_ID=0003:%08X:%08X\nE: HID_NAME=Other Gaming Mouse\nH: report_descriptor=",
            OtherVendor, OtherProduct)
        + hex(vendorDescriptor()) + "\n");
    addHidraw(hid, -1, Interface::Other, 0);
}

void EmulatedKernel::announce(const std::vector<std::string>& paths, const char* action)
{
    // The kernel announces parents before children on add and children first on remove.
    if (std::string_view(action) == "remove") {
        for (auto path = paths.rbegin(); path != paths.rend(); ++path)
            umockdev_testbed_uevent(m_testbed, path->c_str(), action);
        return;
    }
    for (const std::string& path : paths)
        umockdev_testbed_uevent(m_testbed, path.c_str(), action);
}

void EmulatedKernel::unplug(int keyboard)
{
    std::vector<std::string> paths;
    {
        std::lock_guard lock(m_mutex);
        Keyboard& board = m_keyboards.at(std::size_t(keyboard));
        board.plugged = false;
        ++board.generation;
        paths = board.devicePaths;
    }
    announce(paths, "remove");
    for (auto path = paths.rbegin(); path != paths.rend(); ++path)
        umockdev_testbed_remove_device(m_testbed, path->c_str());
    // umockdev leaves the /sys/dev/char links of removed nodes behind; a later node with the same number needs
    // the place.
    gchar* root = umockdev_testbed_get_root_dir(m_testbed);
    std::lock_guard lock(m_mutex);
    for (const auto& [devnode, node] : m_nodes)
        if (node.keyboard == keyboard)
            ::unlink(format("%s/sys/dev/char/%u:%u", root, HidrawMajor, node.minor).c_str());
    g_free(root);
}

void EmulatedKernel::replug(int keyboard, bool announceIt)
{
    addKeyboardDevices(m_keyboards.at(std::size_t(keyboard)), keyboard, announceIt);
}

void EmulatedKernel::failWrite(int keyboard, int after, int error, int count, bool unplugAfter)
{
    std::lock_guard lock(m_mutex);
    Keyboard& board = m_keyboards.at(std::size_t(keyboard));
    board.failAfter = after;
    board.failError = error;
    board.failCount = count;
    board.unplugOnFailure = unplugAfter;
}

void EmulatedKernel::denyAccess(int keyboard)
{
    // The preload library redirects chmod to the node's file in the testbed.
    const std::string node = vendorNode(keyboard);
    if (::chmod(node.c_str(), 0) != 0)
        throw std::runtime_error("cannot take the access rights of " + node);
}

void EmulatedKernel::renumberVendorNode(int keyboard)
{
    std::string syspath;
    {
        std::lock_guard lock(m_mutex);
        syspath = m_nodes.at(m_keyboards.at(std::size_t(keyboard)).vendorNode).syspath;
    }
    // udev reads MAJOR/MINOR from the uevent file; stat() of the node keeps reporting its own number.
    umockdev_testbed_set_property(m_testbed, syspath.c_str(), "MINOR", "200");
}

hidgate::SimState EmulatedKernel::memory(int keyboard) const
{
    std::lock_guard lock(m_mutex);
    return m_keyboards.at(std::size_t(keyboard)).memory;
}

std::vector<std::string> EmulatedKernel::openedNodes() const
{
    std::lock_guard lock(m_mutex);
    return m_opened;
}

int EmulatedKernel::featureWrites() const
{
    std::lock_guard lock(m_mutex);
    return m_featureWrites;
}

std::string EmulatedKernel::vendorNode(int keyboard) const
{
    std::lock_guard lock(m_mutex);
    return m_keyboards.at(std::size_t(keyboard)).vendorNode;
}

std::string EmulatedKernel::bootNode(int keyboard) const
{
    std::lock_guard lock(m_mutex);
    return m_keyboards.at(std::size_t(keyboard)).bootNode;
}

std::string EmulatedKernel::usbDevice(int keyboard) const
{
    std::lock_guard lock(m_mutex);
    return m_keyboards.at(std::size_t(keyboard)).usbPath;
}

void EmulatedKernel::clientConnected(UMockdevIoctlClient* client)
{
    // The preload library connects when a process opens a node, before the open itself succeeds or fails: the
    // record is of every attempt.
    const std::string devnode = umockdev_ioctl_client_get_devnode(client);
    std::lock_guard lock(m_mutex);
    m_opened.push_back(devnode);
    const auto node = m_nodes.find(devnode);
    if (node == m_nodes.end())
        return;
    m_clients[client] = Client{devnode, node->second.keyboard, node->second.generation, node->second.interface};
}

void EmulatedKernel::clientVanished(UMockdevIoctlClient* client)
{
    std::lock_guard lock(m_mutex);
    m_clients.erase(client);
}

bool EmulatedKernel::handleIoctl(UMockdevIoctlClient* client)
{
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    int error = 0;
    long result = -1;
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_clients.find(client);
        if (found == m_clients.end())
            error = ENODEV;
        else
            result = answer(found->second, request, client, error);
    }
    umockdev_ioctl_client_complete(client, error ? -1 : result, error);
    return TRUE;
}

long EmulatedKernel::answer(const Client& client, unsigned long request, UMockdevIoctlClient* handle, int& error)
{
    // hidraw refuses every call on a file whose device went away.
    if (client.keyboard >= 0) {
        const Keyboard& board = m_keyboards.at(std::size_t(client.keyboard));
        if (!board.plugged || board.generation != client.generation) {
            error = ENODEV;
            return -1;
        }
    }
    if (_IOC_TYPE(request) != 'H') {
        error = ENOTTY;
        return -1;
    }
    const std::size_t size = _IOC_SIZE(request);
    UMockdevIoctlData* data = nullptr;
    if (size > 0) {
        GError* resolveError = nullptr;
        data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(handle), 0, size, &resolveError);
        if (!data) {
            g_clear_error(&resolveError);
            error = EFAULT;
            return -1;
        }
    }
    const bool vendor = client.interface != Interface::Boot;
    const std::vector<std::uint8_t> descriptor = vendor ? vendorDescriptor() : bootKeyboardDescriptor();
    switch (_IOC_NR(request)) {
    case _IOC_NR(HIDIOCGRDESCSIZE): {
        const int length = int(descriptor.size());
        std::memcpy(data->data, &length, sizeof length);
        return 0;
    }
    case _IOC_NR(HIDIOCGRDESC): {
        auto* out = reinterpret_cast<hidraw_report_descriptor*>(data->data);
        if (out->size > HID_MAX_DESCRIPTOR_SIZE) {
            error = EINVAL;
            return -1;
        }
        std::memcpy(out->value, descriptor.data(), std::min<std::size_t>(out->size, descriptor.size()));
        return 0;
    }
    case _IOC_NR(HIDIOCGRAWINFO): {
        hidraw_devinfo info{};
        info.bustype = 3; // BUS_USB
        info.vendor = std::int16_t(client.keyboard >= 0 ? KeyboardVendor : OtherVendor);
        info.product = std::int16_t(client.keyboard >= 0 ? KeyboardProduct : OtherProduct);
        std::memcpy(data->data, &info, sizeof info);
        return 0;
    }
    case _IOC_NR(HIDIOCSFEATURE(0)):
        return writeFeature(client, data->data, size, error);
    case _IOC_NR(HIDIOCGFEATURE(0)): {
        // The keyboard answers with the table it holds, zeros before the first write.
        const std::uint8_t id = data->data[0];
        const int length = vendor ? FeatureReportLength(id) : 0;
        if (length == 0 || size < std::size_t(length)) {
            error = EPIPE; // the device stalls a request for a report it does not have
            return -1;
        }
        std::memset(data->data + 1, 0, std::size_t(length) - 1);
        if (client.keyboard >= 0) {
            const auto& memory = m_keyboards.at(std::size_t(client.keyboard)).memory;
            if (const auto held = memory.find(id); held != memory.end())
                std::memcpy(data->data, held->second.bytes.data(), held->second.bytes.size());
        }
        return length;
    }
    case _IOC_NR(HIDIOCGINPUT(0)): {
        // Only the boot interface has an input report: eight bytes, no keys down.
        if (vendor || size < BootInputLength) {
            error = EPIPE;
            return -1;
        }
        std::memset(data->data, 0, BootInputLength);
        return long(BootInputLength);
    }
    default:
        error = EINVAL;
        return -1;
    }
}

long EmulatedKernel::writeFeature(const Client& client, std::uint8_t* buffer, std::size_t length, int& error)
{
    ++m_featureWrites;
    if (client.keyboard < 0 || client.interface != Interface::Vendor) {
        error = EPIPE; // neither the other device nor the boot interface takes these reports
        return -1;
    }
    Keyboard& board = m_keyboards.at(std::size_t(client.keyboard));
    if (board.failAfter == 0 && board.failCount > 0) {
        if (--board.failCount == 0)
            board.failAfter = -1;
        error = board.failError;
        if (board.unplugOnFailure) {
            board.plugged = false;
            ++board.generation;
        }
        return -1;
    }
    if (board.failAfter > 0)
        --board.failAfter;
    // The keyboard stalls a report whose id it does not know or whose length is not the declared one.
    if (length == 0 || FeatureReportLength(buffer[0]) != int(length)) {
        error = EPIPE;
        return -1;
    }
    hidgate::recordReport(board.memory, std::span(buffer, length));
    return long(length);
}

namespace {

// The file of the sanitizer runtime this program is linked with, empty without one.
std::string sanitizerRuntime()
{
    void* asanInit = dlsym(RTLD_DEFAULT, "__asan_init");
    Dl_info info{};
    if (!asanInit || dladdr(asanInit, &info) == 0 || !info.dli_fname
        || std::string_view(info.dli_fname).find(".so") == std::string_view::npos)
        return {};
    return info.dli_fname;
}

} // namespace

void runUnderUmockdev(int argc, char** argv)
{
    (void)argc;
    const std::string runtime = sanitizerRuntime();
    const char* previous = std::getenv("LD_PRELOAD");
    if (preloaded()) {
        // Processes this one starts keep only umockdev's library: an uninstrumented shell must not carry the
        // sanitizer's runtime (its leak check would change the shell's exit status), and instrumented programs
        // load the runtime themselves, after umockdev's library.
        if (!runtime.empty() && previous) {
            std::string rest = previous;
            if (rest.starts_with(runtime + ":"))
                rest.erase(0, runtime.size() + 1);
            setenv("LD_PRELOAD", rest.c_str(), 1);
            const char* options = std::getenv("ASAN_OPTIONS");
            setenv("ASAN_OPTIONS",
                (std::string(options && *options ? options : "") + (options && *options ? ":" : "")
                    + "verify_asan_link_order=0")
                    .c_str(),
                1);
        }
        return;
    }
    // The sanitizer's runtime must come first in this process.
    std::string preload = runtime.empty() ? PreloadLibrary : runtime + ":" + PreloadLibrary;
    if (previous && *previous)
        preload += std::string(":") + previous;
    setenv("LD_PRELOAD", preload.c_str(), 1);
    execv("/proc/self/exe", argv);
    std::fprintf(stderr, "cannot run again under umockdev: %s\n", std::strerror(errno));
    std::exit(1);
}

} // namespace kavrel::test
