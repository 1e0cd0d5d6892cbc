#include "platform/PageMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace kavrel::platform {

void populatePages(void* data, std::size_t bytes)
{
    constexpr std::size_t smallest = 64 * 1024;
    if (!data || bytes < smallest)
        return;
    const auto page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const auto begin = (std::uintptr_t(data) + page - 1) & ~(page - 1);
    const auto end = (std::uintptr_t(data) + bytes) & ~(page - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
}

std::vector<std::uint8_t> zeroedBytes(std::size_t size)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(size);
    populatePages(bytes.data(), size);
    bytes.resize(size);
    return bytes;
}

} // namespace kavrel::platform
