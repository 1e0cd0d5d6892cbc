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

std::uint32_t slotId(std::span<const std::uint8_t> image, int slot)
{
    std::uint32_t id = 0;
    std::memcpy(&id, image.data() + std::size_t(slot) * ProfileSize + offsetof(PROFILE, id), sizeof id);
    return id;
}

void appendSlot(std::span<const std::uint8_t> image, int slot)
{
    auto* profile = new (std::nothrow) PROFILE;
    if (!profile)
        return; // a failed allocation skips the slot
    std::memcpy(static_cast<void*>(profile), image.data() + std::size_t(slot) * ProfileSize, ProfileSize);
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

void LoadProfilesFromBytes(std::span<const std::uint8_t> bytes)
{
    std::vector<std::uint8_t> image(StoreSize, 0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), StoreSize), image.begin());
    CurrentProfile = nullptr;
    ProfileList.clear();
    for (int slot = 0; slot < StoreSlots; ++slot) {
        if (slotId(image, slot) != 0)
            appendSlot(image, slot);
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

bool SaveProfiles()
{
    const std::vector<std::uint8_t> image = StoreImage();
    platform::WriteError error;
    if (platform::writeFileAtomically(StoreFilePath(), std::as_bytes(std::span(image)), &error))
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

bool SaveCurrentId()
{
    if (!CurrentProfile)
        return true;
    const std::uint32_t id = CurrentProfile->id;
    return platform::writeFileAtomically(CurrentIdFilePath(), std::as_bytes(std::span(&id, 1)));
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
