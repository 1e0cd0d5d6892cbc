#include "ModuleCommon.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace hidgate {
namespace {

// Initial-exec: the program loads this module with dlopen, and a dynamic TLS block of a loaded module
// crashed LeakSanitizer's thread scan at exit; the loader keeps room for a small static block like this.
[[gnu::tls_model("initial-exec")]] thread_local std::string t_lastMessage;

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::optional<std::uint16_t> parseHex4(std::string_view text)
{
    if (text.size() != 4)
        return std::nullopt;
    std::uint16_t value = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return std::nullopt;
        value = std::uint16_t(value * 16 + digit);
    }
    return value;
}

} // namespace

std::optional<DeviceId> parseIdText(std::string_view text)
{
    // VID_xxxx&PID_xxxx: 17 characters.
    if (text.size() != 17 || !equalsIgnoringCase(text.substr(0, 4), "VID_")
        || !equalsIgnoringCase(text.substr(8, 5), "&PID_"))
        return std::nullopt;
    const auto vendor = parseHex4(text.substr(4, 4));
    const auto product = parseHex4(text.substr(13, 4));
    if (!vendor || !product)
        return std::nullopt;
    return DeviceId{*vendor, *product};
}

int failWith(int error, std::string message)
{
    setLastMessage(std::move(message));
    errno = error;
    return 0;
}

std::optional<DeviceId> startOpen(const char* idText, int* count)
{
    setLastMessage({});
    if (count)
        *count = 0;
    const auto wanted = idText ? parseIdText(idText) : std::nullopt;
    if (!wanted)
        failWith(EINVAL, "malformed device id text");
    return wanted;
}

void setLastMessage(std::string text)
{
    t_lastMessage = std::move(text);
}

const std::string& lastMessage()
{
    return t_lastMessage;
}

std::size_t copyLastMessage(char* buffer, std::size_t size)
{
    copyString(t_lastMessage, buffer, size);
    return t_lastMessage.size();
}

bool copyString(std::string_view text, char* buffer, std::size_t size)
{
    if (buffer == nullptr || size == 0)
        return false;
    std::size_t length = std::min(text.size(), size - 1);
    // Do not end inside a UTF-8 sequence.
    if (length < text.size())
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return true;
}

} // namespace hidgate
