#include "platform/LocalSocket.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace kavrel::platform {

namespace {

// False when the path does not fit a socket address.
bool addressOf(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

// Waits until fd is ready for events or the deadline passes; false on a timeout or an error.
bool waitFor(int fd, short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, int(std::max<long long>(0, left.count())));
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0 && (entry.revents & events) != 0;
    }
}

} // namespace

UniqueFd listenLocalSocket(const std::string& path, int* errorOut)
{
    auto failed = [errorOut](int error) {
        if (errorOut)
            *errorOut = error;
        return UniqueFd();
    };
    sockaddr_un address;
    if (!addressOf(path, address))
        return failed(ENAMETOOLONG);
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.valid())
        return failed(errno);
    ::unlink(path.c_str());
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        return failed(errno);
    // The folder is the user's own already; the socket itself is closed to others as well.
    if (::chmod(path.c_str(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd.get(), 16) != 0) {
        const int error = errno;
        ::unlink(path.c_str());
        return failed(error);
    }
    return fd;
}

UniqueFd acceptLocalConnection(int listener)
{
    for (;;) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0 && errno == EINTR)
            continue;
        return UniqueFd(fd);
    }
}

bool sendToLocalSocket(const std::string& path, std::string_view bytes, int timeoutMs)
{
    sockaddr_un address;
    if (!addressOf(path, address))
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.valid())
        return false;
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        // A listener whose queue is full answers EAGAIN: it is there, but not taking connections now.
        if (errno != EINPROGRESS && errno != EAGAIN)
            return false;
        int error = 0;
        socklen_t length = sizeof(error);
        if (errno == EAGAIN || !waitFor(fd.get(), POLLOUT, deadline)
            || ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
            return false;
    }
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t wrote = ::send(fd.get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (wrote > 0) {
            sent += std::size_t(wrote);
            continue;
        }
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0 && errno == EAGAIN && waitFor(fd.get(), POLLOUT, deadline))
            continue;
        return false;
    }
    return true;
}

} // namespace kavrel::platform
