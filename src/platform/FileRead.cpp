#include "platform/FileRead.h"

#include "platform/PageMemory.h"
#include "platform/UniqueFd.h"

#include <algorithm>
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
    // Room for the whole file and a byte more, so that one that grew meanwhile is still read up to maxBytes;
    // a file that does not tell its size (procfs) starts small. Zero-filling maxBytes for a small file, as
    // most are, would cost more than its read.
    constexpr std::size_t firstStep = 4096;
    const std::size_t known = info.st_size > 0 ? std::size_t(info.st_size) + 1 : firstStep;
    head.bytes = zeroedBytes(std::min(maxBytes, known));
    std::size_t filled = 0;
    while (filled < maxBytes) {
        if (filled == head.bytes.size())
            head.bytes.resize(std::min(maxBytes, 2 * filled));
        const ssize_t got = ::read(fd.get(), head.bytes.data() + filled, head.bytes.size() - filled);
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
