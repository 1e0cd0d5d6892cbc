// The pro.dct loader on damaged store images, in memory. The input patches a
// realistic image (a profile as the program makes it in the first slot, the
// other slots empty): each patch is a slot, an offset in it and the bytes to
// put there, so a few bytes of input reach any field of any of the 40 slots;
// the first byte may also cut the image short. A patch of a magic and an id
// makes an empty slot a sound profile (a zeroed record is one): more profiles
// cost an input 12 bytes each, and only the runs that make them pay for
// loading them, most of a run's time. Checked: no crash, no read out of
// bounds, at most 40 profiles, each a copy of its slot or, for a damaged slot,
// a sound record in its place, and the image saving them loads again without
// damage to the same profiles. Nothing is written to disk and everything
// loaded is freed each run.

#include "app/KeyInfo.h"
#include "macro/KeyLabel.h"
#include "model/KeyNames.h"
#include "model/Lists.h"
#include "model/Profile.h"
#include "model/ProfileStore.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstddef>
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

using Image = std::array<std::uint8_t, StoreSize>;

// A new profile in the first slot, as a first save writes it.
const Image& baseImage()
{
    static const Image image = [] {
        Image bytes{};
        PROFILE profile{};
        NewProfile("Profile 1", 0x100, profile);
        std::memcpy(bytes.data(), &profile, ProfileSize);
        return bytes;
    }();
    return image;
}

// The occupied slots of ProfileList, packed: what StoreImage writes before its zero tail.
void packProfiles(std::vector<std::uint8_t>& packed)
{
    packed.clear();
    for (const PROFILE& profile : ProfileList) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&profile);
        packed.insert(packed.end(), bytes, bytes + ProfileSize);
    }
}

bool slotOccupied(std::span<const std::uint8_t> image, std::size_t slot)
{
    std::uint8_t id[4] = {};
    const std::size_t at = slot * ProfileSize + 4;
    if (at < image.size())
        std::memcpy(id, image.data() + at, std::min<std::size_t>(4, image.size() - at));
    return (id[0] | id[1] | id[2] | id[3]) != 0;
}

} // namespace

// Every run allocates and frees a few 11596-byte profiles. With ASan's default
// 256 MB quarantine each one lands on fresh pages, and page faults were most
// of a run's time; skipping the fill of new blocks saves the other half. A
// 2 MB quarantine, small enough to stay in the cache, still holds the frees of
// the last fifty runs or so, where a use after free within a run is all there
// is to catch (each run frees everything it loaded, and the loader clears
// CurrentProfile); 16 MB made a run a fifth slower.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=2:max_malloc_fill_size=0";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Image image = baseImage();
    static std::vector<std::uint8_t> packed;
    static std::vector<std::uint8_t> again;
    struct Patch {
        std::size_t offset, length;
    };
    static std::vector<Patch> patches;
    patches.clear();

    // The image: the base with the input's patches, cut short when the first byte asks.
    std::size_t length = StoreSize;
    std::size_t at = 0;
    if (size > 0 && (data[at++] & 0x80))
        length = std::size_t(data[0] & 0x7F) * (StoreSize / 127) + (size > 1 ? data[at++] : 0);
    while (at + 4 <= size) {
        const std::size_t slot = data[at] % StoreSlots;
        const std::size_t offset = slot * ProfileSize + (data[at + 1] | data[at + 2] << 8) % ProfileSize;
        const std::size_t count = std::min(std::min(std::size_t(data[at + 3] % 32), size - at - 4), StoreSize - offset);
        std::memcpy(image.data() + offset, data + at + 4, count);
        patches.push_back({offset, count});
        at += 4 + count;
    }
    const std::span<const std::uint8_t> loaded(image.data(), std::min(length, StoreSize));

    const StoreLoadReport report = LoadProfilesFromBytes(loaded);
    require(ProfileList.count() <= StoreSlots && !CurrentProfile);
    auto damage = [&report](std::size_t slot) -> const DamagedSlot* {
        for (const DamagedSlot& damaged : report.damaged)
            if (std::size_t(damaged.slot) == slot)
                return &damaged;
        return nullptr;
    };

    // Each profile is the next occupied slot that was not dropped: byte for byte when the slot was
    // sound, a sound record with the slot's id when it was damaged and replaced by defaults.
    std::size_t slot = 0;
    for (const PROFILE& profile : ProfileList) {
        require(profile.id != 0);
        while (!slotOccupied(loaded, slot) || (damage(slot) && !damage(slot)->kept))
            require(++slot < std::size_t(StoreSlots));
        const std::size_t offset = slot * ProfileSize;
        const DamagedSlot* damaged = damage(slot++);
        // That every profile is a sound record is checked below: loading them again reports no damage.
        if (damaged)
            continue;
        const std::size_t present = offset < loaded.size() ? std::min(ProfileSize, loaded.size() - offset) : 0;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&profile);
        require(present == ProfileSize && std::memcmp(bytes, loaded.data() + offset, present) == 0);
        // The names as the windows show them, of the slots the input changed (the base ones decode alike).
        if (std::any_of(patches.begin(), patches.end(),
                [offset](const Patch& patch) { return patch.offset / ProfileSize == offset / ProfileSize; })) {
            (void)profileName(profile);
            (void)profileProgramName(profile);
        }
    }
    // Labels of the stored assignments the patches touched in the first slot,
    // whatever their kinds and codes, each once. Only when that slot loaded as
    // it is: a damaged one's place holds the factory keys.
    if (!ProfileList.empty() && slotOccupied(loaded, 0) && !damage(0)) {
        const PROFILE& first = *ProfileList.head()->record;
        std::bitset<KeyTableSize> touched;
        std::size_t lowest = KeyTableSize, highest = 0;
        for (const Patch& patch : patches) {
            const std::size_t keysAt = offsetof(PROFILE, keys), keysEnd = keysAt + sizeof first.keys;
            if (patch.offset >= keysEnd || patch.offset + patch.length <= keysAt)
                continue;
            const std::size_t from = (std::max(patch.offset, keysAt) - keysAt) / sizeof(KEYINFO);
            const std::size_t to = (std::min(patch.offset + patch.length, keysEnd) - 1 - keysAt) / sizeof(KEYINFO);
            for (std::size_t key = from; key <= to; ++key)
                touched.set(key);
            lowest = std::min(lowest, from);
            highest = std::max(highest, to);
        }
        for (std::size_t key = lowest; key <= highest; ++key)
            if (touched.test(key))
                (void)keyinfo_to_text(first.keys[key]);
    }

    // Saving what was loaded and loading it again gives it again: the packed
    // occupied slots are what the saved image holds before its zero tail (the
    // 463840-byte image itself would cost more than all the rest).
    packProfiles(packed);
    require(LoadProfilesFromBytes(packed).damaged.empty());
    packProfiles(again);
    require(again == packed);
    ProfileList.clear();

    // Back to the base image for the next run.
    const Image& base = baseImage();
    for (const Patch& patch : patches)
        std::memcpy(image.data() + patch.offset, base.data() + patch.offset, patch.length);
    return 0;
}
