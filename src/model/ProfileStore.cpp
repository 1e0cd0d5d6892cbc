#include "model/ProfileStore.h"

#include "app/Log.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "model/Lists.h"
#include "platform/AtomicFile.h"
#include "platform/FileRead.h"
#include "platform/PageMemory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <new>
#include <string_view>

namespace kavrel {
namespace {

constexpr int MaxSpeedLevel = 5;
constexpr int MaxBrightnessLevel = 6;

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

bool knownKind(unsigned kind)
{
    switch (kind) {
    case KindNone:
    case KindMouse:
    case KindKey:
    case KindMediaFactory:
    case KindMedia:
    case KindMacro:
    case KindSpecial:
        return true;
    default:
        return false;
    }
}

// A name of at most 19 units, zero-terminated, without control characters.
bool soundName(const PROFILE& profile)
{
    for (std::size_t i = 0; i < std::size(profile.name); ++i) {
        if (profile.name[i] == 0)
            return i > 0;
        if (profile.name[i] < 0x20)
            return false;
    }
    return false;
}

// The record that takes a damaged slot's place: the factory state under the slot's id and, when it reads
// as one, its name.
void replaceWithDefaults(PROFILE& profile, int slot)
{
    const bool keepName = soundName(profile);
    decltype(PROFILE::name) name;
    std::memcpy(name, profile.name, sizeof name);
    NewProfile(Text("tc_proname") + std::to_string(slot + 1), profile.id, profile);
    if (keepName)
        std::memcpy(profile.name, name, sizeof name);
}

// Storage for a record that the caller fills completely with memcpy. PROFILE is trivially copyable, so
// the copy creates it; `new PROFILE` would first set every key's rectangle only to have it overwritten.
// Freed with delete like every record of the list. Null when memory is short.
PROFILE* uninitialisedProfile()
{
    return static_cast<PROFILE*>(::operator new(sizeof(PROFILE), std::nothrow));
}

bool append(PROFILE* profile)
{
    if (!profile)
        return false; // a failed allocation skips the slot
    if (ProfileList.append(profile))
        return true;
    delete profile;
    return false;
}

std::size_t contentKey(std::span<const std::uint8_t> bytes)
{
    return std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Damaged contents already copied aside and reported in this run.
std::vector<std::size_t>& reportedContents()
{
    static std::vector<std::size_t> keys;
    return keys;
}

std::string timestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// Copies the damaged file beside itself under a name no file has yet; never replaces one.
std::string keepAside(std::span<const std::uint8_t> bytes, int& error)
{
    const std::string base = StoreFilePath() + ".damaged-" + timestamp();
    for (int n = 1; n < 100; ++n) {
        const std::string path = n == 1 ? base : base + "-" + std::to_string(n);
        platform::AtomicFile file(path);
        if (file.isOpen() && file.write(std::as_bytes(bytes)) && file.commit(false)) {
            error = 0;
            return path;
        }
        error = file.lastError().error;
        if (error != EEXIST)
            break;
    }
    WriteLog("Keep damaged pro file err=%d", error);
    return {};
}

} // namespace

std::string profileRecordProblem(const PROFILE& profile)
{
    if (profile.magic != ProfileMagic)
        return "not a profile record";
    if (profile.ledMode >= std::uint32_t(LedModeCount))
        return "lighting mode " + std::to_string(profile.ledMode);
    if (profile.colorSet >= ColorSetCount)
        return "colour set " + std::to_string(profile.colorSet);
    const int maxSpeed = std::max({MaxSpeedLevel, Cfg.DefSpeed, int(Cfg.LEDParam[1])});
    const int maxBrightness = std::max({MaxBrightnessLevel, Cfg.DefLight, int(Cfg.LEDParam[2])});
    for (const LedLevel& level : profile.ledLevels) {
        if (level.speed > maxSpeed)
            return "speed " + std::to_string(level.speed);
        if (level.brightness > maxBrightness)
            return "brightness " + std::to_string(level.brightness);
    }
    for (int k = 0; k < KeyTableSize; ++k) {
        const KEYINFO& key = profile.keys[k];
        if (!knownKind(key.kind))
            return "key " + std::to_string(k) + " of kind " + std::to_string(key.kind);
        if (key.matrixIndex < 0 || key.matrixIndex >= KeyTableSize)
            return "key " + std::to_string(k) + " at position " + std::to_string(key.matrixIndex);
    }
    return {};
}

std::string StoreLoadReport::summary() const
{
    std::string text;
    for (const DamagedSlot& slot : damaged) {
        if (!text.empty())
            text += "; ";
        text += "profile " + std::to_string(slot.slot + 1) + ": " + slot.problem;
    }
    return text;
}

std::string StoreFilePath()
{
    return AppDataFolder() + "pro.dct";
}

std::string CurrentIdFilePath()
{
    return AppDataFolder() + "curid.dct";
}

StoreLoadReport LoadProfilesFromBytes(std::span<const std::uint8_t> image, const SlotCheck& check)
{
    StoreLoadReport report;
    // Slots are read where they lie: no copy of the whole image.
    CurrentProfile = nullptr;
    ProfileList.clear();
    // The slots past the image's end are empty.
    for (int slot = 0; slot < StoreSlots && std::size_t(slot) * ProfileSize < image.size(); ++slot) {
        const std::span<const std::uint8_t> bytes = slotBytes(image, slot);
        if (slotId(bytes) == 0)
            continue;
        PROFILE* profile = uninitialisedProfile();
        if (!profile)
            continue; // a failed allocation skips the slot
        auto* raw = reinterpret_cast<std::uint8_t*>(profile);
        std::memcpy(raw, bytes.data(), bytes.size());
        std::memset(raw + bytes.size(), 0, ProfileSize - bytes.size());
        std::string problem;
        if (bytes.size() < ProfileSize)
            problem = "the file ends inside it";
        else if (problem = profileRecordProblem(*profile); problem.empty() && check)
            problem = check(*profile);
        if (problem.empty()) {
            append(profile);
            continue;
        }
        const bool kept = profile->magic == ProfileMagic;
        WriteLog("Damaged profile in slot %d: %s", slot, problem.c_str());
        report.damaged.push_back({slot, problem, kept});
        if (kept) {
            replaceWithDefaults(*profile, slot);
            append(profile);
        } else {
            delete profile;
        }
    }
    return report;
}

StoreLoadReport LoadProfiles(const SlotCheck& check)
{
    const platform::FileHead file = platform::readFileHead(StoreFilePath(), StoreSize);
    if (!file.ok())
        WriteLog("Open pro file err=%d", file.error);
    const std::span<const std::uint8_t> bytes
        = file.ok() ? std::span<const std::uint8_t>(file.bytes) : std::span<const std::uint8_t>();
    StoreLoadReport report = LoadProfilesFromBytes(bytes, check);
    if (!report.damagedFile())
        return report;
    const std::size_t key = contentKey(bytes);
    auto& reported = reportedContents();
    if (std::find(reported.begin(), reported.end(), key) != reported.end()) {
        report.reportedBefore = true;
        return report;
    }
    report.keptAs = keepAside(bytes, report.keepError);
    reported.push_back(key);
    return report;
}

std::vector<std::uint8_t> StoreImage()
{
    std::vector<std::uint8_t> image = platform::zeroedBytes(StoreSize);
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
    platform::WriteError failure;
    if (platform::writeFileAtomically(CurrentIdFilePath(), std::as_bytes(std::span(&id, 1)), &failure))
        return true;
    WriteLog("Save curid err=%d", failure.error);
    if (error)
        *error = failure;
    return false;
}

StoreLoadReport OpenStore(const SlotCheck& check)
{
    StoreLoadReport report = LoadProfiles(check);
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
        return report;
    const auto found
        = std::find_if(ProfileList.begin(), ProfileList.end(), [id](const PROFILE& p) { return p.id == id; });
    if (found != ProfileList.end())
        CurrentProfile = &*found;
    return report;
}

} // namespace kavrel
