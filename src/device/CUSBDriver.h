#pragma once

#include "KeyboardProtocol.h"
#include "device/HidModule.h"

#include <atomic>
#include <cstdint>
#include <span>
#include <string>

namespace kavrel {

using HidHandle = std::uintptr_t; // 0 = closed

// The feature report lengths of KeyboardProtocol.h tell the keyboard's four collections apart.
inline constexpr std::size_t ProductStringSize = 260;

// The program's link to the keyboard through the HID access module. The keyboard counts as present exactly
// when m_hMatrix is not 0. FindDev and ClearHandle run on the interface thread; SetFeature may run on any
// thread: the module keeps handles reference-counted, so a write racing ClearHandle fails cleanly with EBADF
// or completes on the node that was still open.
class CUSBDriver {
public:
    CUSBDriver();
    virtual ~CUSBDriver(); // ClearHandle, then unload the module

    CUSBDriver(const CUSBDriver&) = delete;
    CUSBDriver& operator=(const CUSBDriver&) = delete;

    // Loads the module (KAVREL_HIDGATE or libhidgate.so beside the program); logs "load dll failed." and
    // returns false when it or one of its entry points is missing.
    bool Init();
    // Closes what is open, then opens the four collections; true when all four are open (and the product
    // string matches when MatchStr asks for it), else false with every handle 0.
    bool FindDev();
    // How many keyboards with this id the module finds.
    int CountDevices();
    void ClearHandle();

    // Sends one feature report (report[0] is the report id) on a collection handle. On failure returns
    // false and stores the errno in error. Virtual so that tests and `kavrel-cli reports` can capture reports.
    virtual bool SetFeature(HidHandle handle, std::span<const std::uint8_t> report, int& error);

    std::atomic<HidHandle> m_hMatrix{0}, m_hLed{0}, m_hColor{0}, m_hMacro{0};

    // Opens the first collection with this feature report length (0 when there is none); the caller owns
    // the handle and closes it with CloseHandle. For diagnostics (kavrel-cli device).
    HidHandle OpenCollection(int featureLength, int logLevel);
    void CloseHandle(HidHandle handle);
    // The product string of a collection's device, empty when it cannot be read.
    std::string ProductString(HidHandle handle);

    const HidModule& Module() const { return m_module; }
    bool Loaded() const { return m_module.loaded() && m_module.complete(); }
    // Why the last FindDev found no keyboard (empty after a success).
    const std::string& AbsenceReason() const { return m_absenceReason; }

private:
    bool productStringMatches();

    HidModule m_module;
    std::string m_absenceReason;
};

// "VID_%04X&PID_%04X" of Cfg.VID and Cfg.PID.
std::string DeviceIdText();

} // namespace kavrel
