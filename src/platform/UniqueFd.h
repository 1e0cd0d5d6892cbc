#pragma once

#include <unistd.h>
#include <utility>

namespace kavrel::platform {

// Owns one file descriptor and closes it.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : m_fd(fd)
    {
    }
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release() { return std::exchange(m_fd, -1); }

    // Closes the descriptor; returns the result of close (0 when there was none).
    int reset(int fd = -1)
    {
        int result = 0;
        if (m_fd >= 0)
            result = ::close(m_fd);
        m_fd = fd;
        return result;
    }

private:
    int m_fd = -1;
};

} // namespace kavrel::platform
