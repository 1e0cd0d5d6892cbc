#include "device/DeviceNoticeHandler.h"

#include "app/Config.h"
#include "app/Log.h"
#include "device/CUSBDriver.h"
#include "platform/HotplugMonitor.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <thread>

namespace kavrel {
namespace {

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

std::string DevicePathPattern()
{
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "USB#VID_%04x&PID_%04x", unsigned(Cfg.VID), unsigned(Cfg.PID));
    return text.data();
}

bool DevicePathMatches(std::string_view path, std::string_view pattern)
{
    const auto found = std::search(
        path.begin(), path.end(), pattern.begin(), pattern.end(), [](char a, char b) { return lower(a) == lower(b); });
    return found != path.end() || pattern.empty();
}

NoticeOutcome HandleDeviceNotice(unsigned event, std::string_view path, const NoticeActions& actions)
{
    if (!DevicePathMatches(path, DevicePathPattern()))
        return NoticeOutcome::Ignored;
    if (event == platform::DeviceArrival) {
        WriteLog("Device IN");
        for (int attempt = 0; attempt < ArrivalAttempts; ++attempt) {
            actions.wait(ArrivalRetryDelay);
            if (actions.findDev())
                return NoticeOutcome::Found;
        }
        return NoticeOutcome::NotFound;
    }
    if (event == platform::DeviceRemoveComplete) {
        WriteLog("Device OUT");
        actions.clearHandle();
        return NoticeOutcome::Removed;
    }
    return NoticeOutcome::Ignored;
}

NoticeOutcome HandleDeviceNotice(CUSBDriver& driver, unsigned event, std::string_view path)
{
    return HandleDeviceNotice(event, path,
        NoticeActions{[&] { return driver.FindDev(); }, [&] { driver.ClearHandle(); },
            [](std::chrono::milliseconds delay) { std::this_thread::sleep_for(delay); }});
}

} // namespace kavrel
