#include "platform/FileRead.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace kavrel::platform {

FileHead readFileHead(const std::filesystem::path& path, std::size_t maxBytes)
{
    FileHead head;
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid()) {
        head.error = errno;
        return head;
    }
    struct stat info { };
    if (::fstat(fd.get(), &info) != 0) {
        head.error = errno;
        return head;
    }
    if (!S_ISREG(info.st_mode)) {
        head.error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return head;
    }
    head.bytes.resize(maxBytes);
    std::size_t filled = 0;
    while (filled < maxBytes) {
        const ssize_t got = ::read(fd.get(), head.bytes.data() + filled, maxBytes - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            head.error = errno;
            break;
        }
        if (got == 0)
            break;
        filled += std::size_t(got);
    }
    head.bytes.resize(filled);
    return head;
}

} // namespace kavrel::platform
