// The pro.dct loader on arbitrary bytes: no crash, no read out of bounds, at
// most 40 profiles, and saving what was loaded then loading it again gives
// the same profiles byte for byte.

#include "app/KeyInfo.h"
#include "macro/KeyLabel.h"
#include "model/KeyNames.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kavrel;
    LoadProfilesFromBytes(std::span(data, size));
    if (ProfileList.count() > StoreSlots || CurrentProfile)
        std::abort();
    std::vector<std::vector<std::uint8_t>> loaded;
    for (const PROFILE& profile : ProfileList) {
        if (profile.id == 0)
            std::abort();
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&profile);
        loaded.emplace_back(bytes, bytes + ProfileSize);
        (void)profileName(profile);
        (void)profileProgramName(profile);
    }
    if (!ProfileList.empty()) {
        // Labels of stored assignments, whatever their kinds and codes.
        const PROFILE& first = *ProfileList.head()->record;
        for (const KEYINFO& key : first.keys)
            (void)keyinfo_to_text(key);
    }
    const std::vector<std::uint8_t> image = StoreImage();
    if (image.size() != StoreSize)
        std::abort();
    LoadProfilesFromBytes(image);
    if (std::size_t(ProfileList.count()) != loaded.size())
        std::abort();
    std::size_t i = 0;
    for (const PROFILE& profile : ProfileList) {
        if (std::memcmp(&profile, loaded[i++].data(), ProfileSize) != 0)
            std::abort();
    }
    return 0;
}
