#pragma once

#include "SimState.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct _UMockdevTestbed;
struct _UMockdevIoctlBase;
struct _UMockdevIoctlClient;

namespace kavrel::test {

// The keyboard as the kernel shows it, in a umockdev testbed: the USB device (idVendor/idProduct of the model),
// its boot keyboard interface and its vendor interface, each with a HID device (report descriptor, HID_ID,
// HID_NAME, ...) and a hidraw node with its device number. Every hidraw node of the testbed is answered here:
// HIDIOCGRAWINFO, HIDIOCGRDESCSIZE/HIDIOCGRDESC, HIDIOCSFEATURE, HIDIOCGFEATURE and HIDIOCGINPUT, as hidraw
// and the device behind it would. A feature report the keyboard accepts goes into the simulated keyboard's
// memory record (hidgate::recordReport), so tests compare both keyboards with the same decoder.
//
// Processes started with this process's environment (LD_PRELOAD and UMOCKDEV_DIR) see the same testbed and
// their ioctls are answered here as well, on umockdev's own thread.
class EmulatedKernel {
public:
    EmulatedKernel();
    ~EmulatedKernel();
    EmulatedKernel(const EmulatedKernel&) = delete;
    EmulatedKernel& operator=(const EmulatedKernel&) = delete;

    // Plugs in a keyboard (vendor and product of the model) on the next USB port; returns its number, from 0.
    // With announce, the uevents of a plug-in follow (USB device, interfaces, HID devices, hidraw nodes).
    int plugKeyboard(bool announce = false);
    // Another vendor's device whose vendor interface declares the same four collections.
    void plugOtherVendorDevice();

    // Pulls a keyboard out: its nodes answer ENODEV from now on, its devices leave sysfs and their remove
    // uevents follow (hidraw nodes first, the USB device last, as the kernel sends them).
    void unplug(int keyboard);
    // Plugs an unplugged keyboard in again on its port, with fresh hidraw nodes; its memory stays.
    void replug(int keyboard, bool announce = true);

    // After `after` more accepted feature reports, the next `count` ones to this keyboard fail with error; with
    // unplugAfter the keyboard is gone from the first failure on (its nodes answer ENODEV), as when the cable is
    // pulled mid-write.
    void failWrite(int keyboard, int after, int error, int count = 1, bool unplugAfter = false);
    // The keyboard's vendor node refuses to be opened by this process (permissions without the udev rule).
    void denyAccess(int keyboard);
    // udev's record of the vendor node names another device number than the node itself (a reused node).
    void renumberVendorNode(int keyboard);

    // What the keyboard holds: the last accepted report of each id and how many were accepted.
    hidgate::SimState memory(int keyboard) const;
    // Every hidraw node any process opened, in order.
    std::vector<std::string> openedNodes() const;
    // Feature report ioctls that reached any node, accepted or not.
    int featureWrites() const;
    std::string vendorNode(int keyboard) const;
    std::string bootNode(int keyboard) const;
    // The sysfs path of the keyboard's USB device.
    std::string usbDevice(int keyboard) const;

    // The vendor interface's report descriptor, built from the protocol's collection table.
    static std::vector<std::uint8_t> vendorDescriptor();
    static std::vector<std::uint8_t> bootKeyboardDescriptor();

    // Called by umockdev's thread.
    bool handleIoctl(_UMockdevIoctlClient* client);
    void clientConnected(_UMockdevIoctlClient* client);
    void clientVanished(_UMockdevIoctlClient* client);

private:
    enum class Interface { Boot, Vendor, Other };
    struct Node {
        std::string devnode;
        std::string syspath;
        int keyboard = -1; // -1 for the other vendor's device
        Interface interface = Interface::Boot;
        int generation = 0; // the plug this node belongs to
        unsigned minor = 0;
    };
    struct Keyboard {
        int port = 0;
        bool plugged = false;
        int generation = 0;
        std::string usbPath;
        std::vector<std::string> devicePaths; // every sysfs device of one plug, parents first
        std::string bootNode, vendorNode;
        hidgate::SimState memory;
        int failAfter = -1;
        int failError = 0;
        int failCount = 0;
        bool unplugOnFailure = false;
    };
    struct Client {
        std::string devnode;
        int keyboard = -1;
        int generation = 0;
        Interface interface = Interface::Boot;
    };

    void addKeyboardDevices(Keyboard& keyboard, int number, bool announce);
    std::string addHidraw(const std::string& hidPath, int keyboard, Interface interface, int generation);
    void attachHandler(const std::string& devnode);
    void addRecord(const std::string& text);
    void announce(const std::vector<std::string>& paths, const char* action);
    // Answers one ioctl under the lock; returns the result and sets error.
    long answer(const Client& client, unsigned long request, _UMockdevIoctlClient* handle, int& error);
    long writeFeature(const Client& client, std::uint8_t* buffer, std::size_t length, int& error);

    _UMockdevTestbed* m_testbed = nullptr;
    std::vector<_UMockdevIoctlBase*> m_handlers;
    mutable std::mutex m_mutex;
    std::vector<Keyboard> m_keyboards;
    std::map<std::string, Node> m_nodes; // by devnode
    std::map<_UMockdevIoctlClient*, Client> m_clients;
    std::vector<std::string> m_opened;
    int m_featureWrites = 0;
    unsigned m_nextMinor = 0;
    int m_nextHid = 1;
    int m_nextPort = 2;
};

// Runs this test program again under umockdev's preload library unless it already runs there; a sanitized build
// puts the sanitizer's runtime first. Returns only when the program already runs under the library.
void runUnderUmockdev(int argc, char** argv);

} // namespace kavrel::test
