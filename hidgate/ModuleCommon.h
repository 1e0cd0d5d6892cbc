#pragma once

#include "hidgate.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Helpers shared by the real and the simulated module.
namespace hidgate {

struct DeviceId {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    bool operator==(const DeviceId&) const = default;
};

// Reads "VID_xxxx&PID_xxxx" (hex digits in any case, letters of the words in any case); nothing when malformed.
std::optional<DeviceId> parseIdText(std::string_view text);

// The calling thread's last reason text (HidgateLastMessage).
void setLastMessage(std::string text);
const std::string& lastMessage();
std::size_t copyLastMessage(char* buffer, std::size_t size);

// Leaves the reason text and errno for the caller and returns 0, the failure value of every entry point.
int failWith(int error, std::string message);

// The start of every OpenHidDevice: clears the reason text and the count, and reads the id text; nothing (with
// errno EINVAL and the reason) when it is missing or malformed.
std::optional<DeviceId> startOpen(const char* idText, int* count);

// Entry points are exported by name; everything else in a module stays hidden.
#define HIDGATE_EXPORT __attribute__((visibility("default")))

// Drops a handle from the module's table (ModuleEntryPoints.cpp calls it for CloseHidDevice). Each module
// defines it for its own table.
void closeModuleHandle(HidgateHandle handle);

// Copies text zero-terminated into a caller's buffer, cut to size - 1 bytes without splitting a UTF-8 sequence.
bool copyString(std::string_view text, char* buffer, std::size_t size);

} // namespace hidgate
