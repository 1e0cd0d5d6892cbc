#include "model/ProfileStore.h"

#include "app/Log.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "model/Lists.h"
#include "platform/AtomicFile.h"
#include "platform/FileRead.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kavrel {
namespace {

// The slot's bytes of an image that may end early (the missing part counts as zero).
std::span<const std::uint8_t> slotBytes(std::span<const std::uint8_t> image, int slot)
{
    const std::size_t offset = std::size_t(slot) * ProfileSize;
    if (offset >= image.size())
        return {};
    return image.subspan(offset, std::min(ProfileSize, image.size() - offset));
}

std::uint32_t slotId(std::span<const std::uint8_t> slot)
{
    std::uint8_t bytes[sizeof(std::uint32_t)] = {};
    const std::size_t at = offsetof(PROFILE, id);
    if (slot.size() > at)
        std::memcpy(bytes, slot.data() + at, std::min(sizeof bytes, slot.size() - at));
    std::uint32_t id = 0;
    std::memcpy(&id, bytes, sizeof id);
    return id;
}

void appendSlot(std::span<const std::uint8_t> slot)
{
    auto* profile = new (std::nothrow) PROFILE;
    if (!profile)
        return; // a failed allocation skips the slot
    auto* bytes = reinterpret_cast<std::uint8_t*>(profile);
    std::memcpy(bytes, slot.data(), slot.size());
    std::memset(bytes + slot.size(), 0, ProfileSize - slot.size()); // a slot the image cut short
    if (!ProfileList.append(profile))
        delete profile;
}

} // namespace

std::string StoreFilePath()
{
    return AppDataFolder() + "pro.dct";
}

std::string CurrentIdFilePath()
{
    return AppDataFolder() + "curid.dct";
}

void LoadProfilesFromBytes(std::span<const std::uint8_t> image)
{
    // Slots are read where they lie: no copy of the whole image.
    CurrentProfile = nullptr;
    ProfileList.clear();
    for (int slot = 0; slot < StoreSlots; ++slot) {
        const std::span<const std::uint8_t> bytes = slotBytes(image, slot);
        if (slotId(bytes) != 0)
            appendSlot(bytes);
    }
}

void LoadProfiles()
{
    const platform::FileHead file = platform::readFileHead(StoreFilePath(), StoreSize);
    if (!file.ok())
        WriteLog("Open pro file err=%d", file.error);
    LoadProfilesFromBytes(file.ok() ? std::span<const std::uint8_t>(file.bytes) : std::span<const std::uint8_t>());
}

std::vector<std::uint8_t> StoreImage()
{
    std::vector<std::uint8_t> image(StoreSize, 0);
    int slot = 0;
    for (const PROFILE& profile : ProfileList) {
        if (slot == StoreSlots)
            break;
        if (profile.id == 0)
            continue;
        std::memcpy(image.data() + std::size_t(slot) * ProfileSize, &profile, ProfileSize);
        ++slot;
    }
    return image;
}

bool SaveProfiles(platform::WriteError* errorOut)
{
    const std::vector<std::uint8_t> image = StoreImage();
    platform::WriteError error;
    const bool saved = platform::writeFileAtomically(StoreFilePath(), std::as_bytes(std::span(image)), &error);
    if (errorOut)
        *errorOut = error;
    if (saved)
        return true;
    if (error.step == platform::WriteStep::Create)
        WriteLog("Save pro: CreateFile err=%d", error.error);
    else
        WriteLog("Save pro: WriteFile err=%d", error.error);
    return false;
}

std::uint32_t LoadCurrentId()
{
    const platform::FileHead file = platform::readFileHead(CurrentIdFilePath(), sizeof(std::uint32_t));
    if (!file.ok() || file.bytes.size() < sizeof(std::uint32_t))
        return 0;
    std::uint32_t id = 0;
    std::memcpy(&id, file.bytes.data(), sizeof id);
    return id;
}

bool SaveCurrentId(platform::WriteError* error)
{
    if (error)
        *error = {};
    if (!CurrentProfile)
        return true;
    const std::uint32_t id = CurrentProfile->id;
    return platform::writeFileAtomically(CurrentIdFilePath(), std::as_bytes(std::span(&id, 1)), error);
}

void OpenStore()
{
    LoadProfiles();
    if (ProfileList.count() != 3) {
        for (int n = 1; n <= 3; ++n) {
            auto* profile = new (std::nothrow) PROFILE;
            if (!profile)
                continue;
            NewProfile(Text("tc_proname") + std::to_string(n), *profile);
            if (!ProfileList.append(profile))
                delete profile;
        }
    }
    const std::uint32_t id = LoadCurrentId();
    CurrentProfile = ProfileList.empty() ? nullptr : ProfileList.head()->record;
    if (id == 0)
        return;
    const auto found
        = std::find_if(ProfileList.begin(), ProfileList.end(), [id](const PROFILE& p) { return p.id == id; });
    if (found != ProfileList.end())
        CurrentProfile = &*found;
}

} // namespace kavrel
