// The pro.dct loader on arbitrary store images, in memory: no crash, no read
// out of bounds, at most 40 profiles, each a copy of its slot (zeros where the
// image ends early), and the image saving them gives the same profiles again.
// Nothing is written to disk and everything loaded is freed at the end of a
// run, so a run costs microseconds.

#include "app/KeyInfo.h"
#include "macro/KeyLabel.h"
#include "model/KeyNames.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

namespace {

using namespace kavrel;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// The occupied slots of ProfileList, packed: what StoreImage writes before its zero tail.
std::vector<std::uint8_t>& packedProfiles()
{
    static std::vector<std::uint8_t> packed;
    packed.clear();
    for (const PROFILE& profile : ProfileList) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&profile);
        packed.insert(packed.end(), bytes, bytes + ProfileSize);
    }
    return packed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> image(data, size);
    LoadProfilesFromBytes(image);
    require(ProfileList.count() <= StoreSlots && !CurrentProfile);

    // Each profile is the next occupied slot, byte for byte.
    std::size_t slot = 0;
    for (const PROFILE& profile : ProfileList) {
        require(profile.id != 0);
        for (;; ++slot) {
            require(slot < std::size_t(StoreSlots));
            std::uint8_t idBytes[4] = {};
            const std::size_t at = slot * ProfileSize + 4;
            if (at < size)
                std::memcpy(idBytes, data + at, std::min<std::size_t>(4, size - at));
            if (idBytes[0] | idBytes[1] | idBytes[2] | idBytes[3])
                break;
        }
        const std::size_t offset = slot++ * ProfileSize;
        const std::size_t present = offset < size ? std::min(ProfileSize, size - offset) : 0;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&profile);
        require(std::memcmp(bytes, data + offset, present) == 0);
        require(std::all_of(bytes + present, bytes + ProfileSize, [](std::uint8_t b) { return b == 0; }));
        (void)profileName(profile);
        (void)profileProgramName(profile);
    }
    if (!ProfileList.empty()) {
        // Labels of stored assignments, whatever their kinds and codes.
        for (const KEYINFO& key : ProfileList.head()->record->keys)
            (void)keyinfo_to_text(key);
    }

    // Loading what was loaded gives it again. The full 463840-byte image is
    // built now and then only: its zero tail is what costs, not the check.
    const std::vector<std::uint8_t> packed = packedProfiles();
    if (size % 64 == 0) {
        const std::vector<std::uint8_t> full = StoreImage();
        require(full.size() == StoreSize);
        require(std::memcmp(full.data(), packed.data(), packed.size()) == 0);
        require(std::all_of(full.begin() + std::ptrdiff_t(packed.size()), full.end(), [](auto b) { return b == 0; }));
    }
    LoadProfilesFromBytes(packed);
    require(packedProfiles() == packed);
    ProfileList.clear();
    return 0;
}
