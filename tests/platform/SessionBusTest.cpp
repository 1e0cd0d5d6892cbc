#include "platform/SessionBus.h"

#include "support/TestSupport.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace kavrel::platform {
namespace {

// Sets or clears an environment variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

std::string address()
{
    const char* value = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return value ? value : "(unset)";
}

// A listening socket at path, as a session bus has.
int listenAt(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un name{};
    name.sun_family = AF_UNIX;
    std::strncpy(name.sun_path, path.c_str(), sizeof(name.sun_path) - 1);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&name), sizeof(name)) != 0 || ::listen(fd, 1) != 0)
        ADD_FAILURE() << "no socket at " << path;
    return fd;
}

TEST(SessionBus, AutolaunchIsTurnedOffOnlyWhereNoBusIsNamedOrListening)
{
    test::TempDir runtime;
    ScopedEnv runtimeDir("XDG_RUNTIME_DIR", runtime.path().c_str());
    {
        ScopedEnv named("DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/1000/bus");
        EXPECT_FALSE(disableSessionBusAutolaunch());
        EXPECT_EQ(address(), "unix:path=/run/user/1000/bus");
    }
    {
        // A plain file called bus is no bus.
        test::writeFile(runtime.path() / "bus", "");
        ScopedEnv unnamed("DBUS_SESSION_BUS_ADDRESS", nullptr);
        EXPECT_TRUE(disableSessionBusAutolaunch());
        EXPECT_EQ(address(), "disabled:");
    }
    {
        std::filesystem::remove(runtime.path() / "bus");
        const int fd = listenAt((runtime.path() / "bus").string());
        ScopedEnv unnamed("DBUS_SESSION_BUS_ADDRESS", nullptr);
        EXPECT_FALSE(disableSessionBusAutolaunch()) << "libdbus finds the bus in the runtime folder itself";
        EXPECT_EQ(address(), "(unset)");
        ::close(fd);
    }
    {
        ScopedEnv noRuntime("XDG_RUNTIME_DIR", nullptr);
        ScopedEnv empty("DBUS_SESSION_BUS_ADDRESS", "");
        EXPECT_TRUE(disableSessionBusAutolaunch());
        EXPECT_EQ(address(), "disabled:");
    }
}

} // namespace
} // namespace kavrel::platform
