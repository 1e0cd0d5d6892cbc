// The .kavrel-profile reader on arbitrary bytes, in memory: no crash, no read
// out of bounds, and what it accepts, written again, reads back the same. Inputs of header size or more are also tried
// with the header made consistent (signature, version, size, checksum), so that the fuzzer reaches the record and macro
// checks behind the checksum.

#include "macro/KeyLabel.h"
#include "macro/ProfileFile.h"
#include "model/Profile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

namespace {

void check(std::span<const std::uint8_t> bytes)
{
    using namespace kavrel;
    const int mask = bytes.empty() ? 0 : bytes.back() & 0x7F;
    const ProfileFileRead read = decodeProfileFile(bytes, mask);
    if (!read.ok()) {
        if (read.message.empty() || !read.content.macros.empty())
            std::abort();
        return;
    }
    if (read.content.macros.size() > std::size_t(ProfileFileMacroMax))
        std::abort();
    const std::vector<std::uint8_t> written = encodeProfileFile(read.content.profile, read.content.macros);
    if (written.size() != bytes.size())
        std::abort();
    const ProfileFileRead again = decodeProfileFile(written, mask);
    if (!again.ok() || again.content.macros.size() != read.content.macros.size())
        std::abort();
    if (std::memcmp(&again.content.profile, &read.content.profile, ProfileSize) != 0)
        std::abort();
    for (std::size_t i = 0; i < read.content.macros.size(); ++i) {
        if (std::memcmp(&again.content.macros[i], &read.content.macros[i], MacroSize) != 0)
            std::abort();
    }
    (void)profileName(read.content.profile);
    (void)profileProgramName(read.content.profile);
    for (const KEYINFO& key : read.content.profile.keys)
        (void)keyinfo_to_text(key);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kavrel;
    check({data, size});
    if (size < ProfileFileHeaderSize + ProfileSize)
        return 0;
    std::vector<std::uint8_t> bytes(data, data + size);
    const std::size_t count = (size - ProfileFileHeaderSize - ProfileSize) / MacroSize;
    if (count > std::size_t(ProfileFileMacroMax))
        return 0;
    bytes.resize(ProfileFileHeaderSize + ProfileSize + count * MacroSize);
    std::memcpy(bytes.data(), ProfileFileSignature.data(), ProfileFileSignature.size());
    const std::uint16_t version = ProfileFileVersion;
    const std::uint16_t macros = std::uint16_t(count);
    const std::uint32_t total = std::uint32_t(bytes.size());
    std::memcpy(bytes.data() + 8, &version, 2);
    std::memcpy(bytes.data() + 10, &macros, 2);
    std::memcpy(bytes.data() + 12, &total, 4);
    const std::uint32_t crc = profileFileCrc(std::span(bytes).subspan(ProfileFileHeaderSize));
    std::memcpy(bytes.data() + 16, &crc, 4);
    check(bytes);
    return 0;
}
