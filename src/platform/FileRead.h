#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace kavrel::platform {

struct FileHead {
    std::vector<std::uint8_t> bytes; // at most the asked number, fewer for a shorter file
    int error = 0; // errno when the file could not be opened or read
    bool ok() const { return error == 0; }
};

// Reads the first maxBytes bytes of a regular file, never more, and changes
// nothing on disk. Folders, pipes and devices are refused (EISDIR or EINVAL)
// without blocking, so a walk over untrusted folders cannot hang on a FIFO.
FileHead readFileHead(const std::filesystem::path& path, std::size_t maxBytes);

} // namespace kavrel::platform
