#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace kavrel {

class CUSBDriver;

// "USB#VID_%04x&PID_%04x" of Cfg.VID and Cfg.PID (lower-case hex).
std::string DevicePathPattern();

// True when the notice path contains the pattern, compared without regard to case.
bool DevicePathMatches(std::string_view path, std::string_view pattern);

enum class NoticeOutcome { Ignored, Found, NotFound, Removed };

// What a notice does to the device link; the window passes its CUSBDriver, tests pass their own.
struct NoticeActions {
    std::function<bool()> findDev;
    std::function<void()> clearHandle;
    std::function<void(std::chrono::milliseconds)> wait;
};

inline constexpr int ArrivalAttempts = 3;
inline constexpr std::chrono::milliseconds ArrivalRetryDelay{100};

// Arrival of this keyboard: "Device IN", then up to three times wait 100 ms and FindDev, stopping at the first
// success. Removal complete: "Device OUT" and ClearHandle. Notices of other devices and other events are ignored.
// The window reacts to the outcome (hide, tray message).
NoticeOutcome HandleDeviceNotice(unsigned event, std::string_view path, const NoticeActions& actions);
NoticeOutcome HandleDeviceNotice(CUSBDriver& driver, unsigned event, std::string_view path);

} // namespace kavrel
