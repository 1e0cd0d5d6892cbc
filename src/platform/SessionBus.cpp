#include "platform/SessionBus.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace kavrel::platform {

namespace {

bool isSet(const char* value)
{
    return value && *value;
}

} // namespace

bool disableSessionBusAutolaunch()
{
    if (isSet(std::getenv("DBUS_SESSION_BUS_ADDRESS")))
        return false;
    // libdbus looks here itself when the address is not set.
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); isSet(runtime)) {
        const std::string bus = std::string(runtime) + "/bus";
        struct stat status { };
        if (::stat(bus.c_str(), &status) == 0 && S_ISSOCK(status.st_mode))
            return false;
    }
    // Not an address type libdbus knows: connecting fails without starting anything.
    return ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1) == 0;
}

} // namespace kavrel::platform
