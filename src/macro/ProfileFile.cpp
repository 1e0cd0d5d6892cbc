#include "macro/ProfileFile.h"

#include "app/Config.h"
#include "macro/LibraryCommands.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "macro/MacroLibrary.h"
#include "macro/MacroList.h"
#include "model/TimeId.h"
#include "model/WideField.h"
#include "platform/AtomicFile.h"
#include "platform/FileRead.h"
#include "xml/Utf.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <set>
#include <unistd.h>

namespace kavrel {
namespace {

constexpr std::size_t VersionOffset = 8;
constexpr std::size_t CountOffset = 10;
constexpr std::size_t SizeOffset = 12;
constexpr std::size_t CrcOffset = 16;
constexpr std::size_t ReservedOffset = 20;
constexpr int SpeedMax = 5; // the lighting page's speed slider: 1 ... 5, 0 outside its range
constexpr int BrightnessMax = 6; // the brightness slider: 1 ... 6

template <typename T> T readLe(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    T value{};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

template <typename T> void writeLe(std::vector<std::uint8_t>& bytes, std::size_t offset, T value)
{
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

ProfileFileRead refused(ProfileFileStatus status, std::string message)
{
    ProfileFileRead read;
    read.status = status;
    read.message = std::move(message);
    return read;
}

std::string sizeText(std::size_t size)
{
    return std::to_string(size) + " bytes";
}

bool validKind(unsigned kind)
{
    return kind <= KindMacro || kind == KindSpecial;
}

// Speed and brightness as the lighting page stores them, or as cfg.ini gives a new profile.
bool levelsInRange(const LedLevel& level)
{
    const int speedMax = std::max({SpeedMax, Cfg.DefSpeed, int(Cfg.LEDParam[1])});
    const int brightnessMax = std::max({BrightnessMax, Cfg.DefLight, int(Cfg.LEDParam[2])});
    return level.speed <= speedMax && level.brightness <= brightnessMax;
}

std::string recordProblem(const PROFILE& profile)
{
    if (profile.magic != ProfileMagic)
        return "its profile record has the wrong magic number";
    if (profile.layer != 0)
        return "its profile record names key layer " + std::to_string(profile.layer);
    if (profile.ledMode >= std::uint32_t(LedModeCount))
        return "its lighting mode " + std::to_string(profile.ledMode) + " does not exist";
    if (profile.colorSet >= ColorSetCount)
        return "its colour set " + std::to_string(profile.colorSet) + " does not exist";
    if (!std::all_of(std::begin(profile.ledLevels), std::end(profile.ledLevels), levelsInRange))
        return "a lighting speed or brightness is out of range";
    if (profile.name[ProfileNameChars] != 0 || profile.name[0] == 0)
        return "its profile name is empty or not terminated";
    if (profile.programName[ProgramNameUnits - 1] != 0)
        return "its program name is not terminated";
    for (int i = 0; i < KeyTableSize; ++i) {
        if (!validKind(profile.keys[i].kind))
            return "key " + std::to_string(i) + " has an unknown kind of function";
    }
    return {};
}

std::string macroLabel(int index, const StMacro& macro)
{
    return "macro " + std::to_string(index + 1) + " (" + macroName(macro) + ")";
}

} // namespace

std::uint32_t profileFileCrc(std::span<const std::uint8_t> bytes)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t b : bytes)
        crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::vector<std::uint8_t> encodeProfileFile(const PROFILE& profile, std::span<const StMacro> macros)
{
    const std::size_t size = ProfileFileHeaderSize + ProfileSize + macros.size() * MacroSize;
    std::vector<std::uint8_t> bytes(size, 0);
    std::memcpy(bytes.data(), ProfileFileSignature.data(), ProfileFileSignature.size());
    writeLe(bytes, VersionOffset, ProfileFileVersion);
    writeLe(bytes, CountOffset, std::uint16_t(macros.size()));
    writeLe(bytes, SizeOffset, std::uint32_t(size));
    std::memcpy(bytes.data() + ProfileFileHeaderSize, &profile, ProfileSize);
    std::size_t at = ProfileFileHeaderSize + ProfileSize;
    for (StMacro macro : macros) {
        macro.dwFlags &= ~MacroDirtyBits;
        macro.Macro_Buffer_ID = 0;
        const MacroFileBytes file = EncodeMacroFile(macro);
        std::copy(file.begin(), file.end(), bytes.begin() + std::ptrdiff_t(at));
        at += MacroSize;
    }
    writeLe(bytes, CrcOffset, profileFileCrc(std::span(bytes).subspan(ProfileFileHeaderSize)));
    return bytes;
}

ProfileFileRead decodeProfileFile(std::span<const std::uint8_t> bytes, int mouseKeyMask)
{
    const std::size_t signature = ProfileFileSignature.size();
    const bool hasSignature
        = bytes.size() >= signature && std::memcmp(bytes.data(), ProfileFileSignature.data(), signature) == 0;
    if (!hasSignature)
        return refused(ProfileFileStatus::NotProfileFile, "This is not a Kavrel profile file.");
    if (bytes.size() < ProfileFileHeaderSize)
        return refused(ProfileFileStatus::Truncated, "The profile file is cut short (" + sizeText(bytes.size()) + ").");
    const auto version = readLe<std::uint16_t>(bytes, VersionOffset);
    if (version != ProfileFileVersion)
        return refused(ProfileFileStatus::OtherVersion,
            "The profile file has version " + std::to_string(version) + "; this program reads version "
                + std::to_string(ProfileFileVersion) + ".");
    const auto count = readLe<std::uint16_t>(bytes, CountOffset);
    if (count > ProfileFileMacroMax)
        return refused(
            ProfileFileStatus::Damaged, "The profile file is damaged: it claims " + std::to_string(count) + " macros.");
    const std::size_t expected = ProfileFileHeaderSize + ProfileSize + std::size_t(count) * MacroSize;
    if (readLe<std::uint32_t>(bytes, SizeOffset) != expected || readLe<std::uint32_t>(bytes, ReservedOffset) != 0)
        return refused(ProfileFileStatus::Damaged, "The profile file is damaged: its header does not add up.");
    if (bytes.size() < expected)
        return refused(ProfileFileStatus::Truncated,
            "The profile file is cut short (" + sizeText(bytes.size()) + " of " + sizeText(expected) + ").");
    if (bytes.size() > expected)
        return refused(ProfileFileStatus::Oversized,
            "The profile file is longer than its header says (" + sizeText(expected) + " expected).");
    if (profileFileCrc(bytes.subspan(ProfileFileHeaderSize)) != readLe<std::uint32_t>(bytes, CrcOffset))
        return refused(ProfileFileStatus::Damaged, "The profile file is damaged: its checksum does not match.");

    ProfileFileRead read;
    std::memcpy(&read.content.profile, bytes.data() + ProfileFileHeaderSize, ProfileSize);
    if (const std::string problem = recordProblem(read.content.profile); !problem.empty())
        return refused(ProfileFileStatus::Damaged, "The profile file is damaged: " + problem + ".");

    std::set<std::uint32_t> ids;
    for (int i = 0; i < count; ++i) {
        const auto macroBytes
            = bytes.subspan(ProfileFileHeaderSize + ProfileSize + std::size_t(i) * MacroSize, MacroSize);
        MacroReadResult macro = DecodeMacroBytes(macroBytes, mouseKeyMask);
        if (!macro.ok())
            return refused(ProfileFileStatus::DamagedMacro,
                "Macro " + std::to_string(i + 1) + " of the profile file cannot be used: " + macroReadMessage(macro));
        if (macro.macro.dwId == 0 || !ids.insert(macro.macro.dwId).second)
            return refused(ProfileFileStatus::DamagedMacro,
                "The profile file is damaged: " + macroLabel(i, macro.macro) + " has no id of its own.");
        macro.macro.dwFlags = 0;
        read.content.macros.push_back(macro.macro);
    }
    for (int i = 0; i < KeyTableSize; ++i) {
        const KEYINFO& key = read.content.profile.keys[i];
        if (key.kind == KindMacro && !ids.contains(key.macroId))
            return refused(ProfileFileStatus::Damaged,
                "The profile file is damaged: key " + std::to_string(i) + " names a macro the file does not hold.");
    }
    read.status = ProfileFileStatus::Ok;
    return read;
}

ProfileFileRead readProfileFile(const std::filesystem::path& path, int mouseKeyMask)
{
    const platform::FileHead file = platform::readFileHead(path, ProfileFileMaxSize + 1);
    if (!file.ok()) {
        ProfileFileRead read = refused(ProfileFileStatus::OpenFailed,
            "The profile file " + path.string() + " cannot be read: " + std::strerror(file.error) + ".");
        read.error = file.error;
        return read;
    }
    if (file.bytes.size() > ProfileFileMaxSize)
        return refused(ProfileFileStatus::Oversized, "The file is too large to be a profile file.");
    return decodeProfileFile(file.bytes, mouseKeyMask);
}

ProfileExport buildProfileExport(const PROFILE& profile)
{
    ProfileExport result;
    PROFILE copy = profile;
    std::vector<StMacro> macros;
    for (int i = 0; i < KeyTableSize; ++i) {
        KEYINFO& key = copy.keys[i];
        if (key.kind != KindMacro)
            continue;
        const StMacro* macro = FindMacroById(key.macroId);
        if (!macro) {
            key = KeyTable[std::size_t(i)];
            result.droppedKeys.push_back(i);
            continue;
        }
        const bool listed
            = std::any_of(macros.begin(), macros.end(), [&](const StMacro& m) { return m.dwId == key.macroId; });
        if (!listed)
            macros.push_back(*macro);
    }
    result.bytes = encodeProfileFile(copy, macros);
    result.macroCount = int(macros.size());
    return result;
}

bool exportProfileFile(
    const PROFILE& profile, const std::filesystem::path& path, std::string* message, ProfileExport* exportedOut)
{
    ProfileExport exported = buildProfileExport(profile);
    platform::WriteError error;
    const bool written = platform::writeFileAtomically(path, std::as_bytes(std::span(exported.bytes)), &error);
    if (exportedOut)
        *exportedOut = std::move(exported);
    if (written)
        return true;
    *message = "The profile file " + path.string() + " cannot be written: " + std::strerror(error.error) + ".";
    return false;
}

namespace {

std::string lowerAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return text;
}

// The titles of what a folder holds, lower-cased, as the library compares names.
std::set<std::string> takenTitles(const std::string& folder)
{
    std::set<std::string> titles;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return titles;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        titles.insert(lowerAscii(name));
        titles.insert(lowerAscii(macroTitleOfFileName(name)));
    }
    ::closedir(dir);
    return titles;
}

// A file or folder name made from a record's name: what the library refuses becomes usable.
std::string usableName(std::string name, std::string_view fallback)
{
    std::replace(name.begin(), name.end(), '/', '-');
    name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
    if (!libraryNameProblem(name).empty())
        return std::string(fallback);
    return name;
}

bool idTaken(std::uint32_t id, const std::set<std::uint32_t>& chosen)
{
    return id == 0 || FindMacroById(id) != nullptr || chosen.contains(id);
}

std::uint32_t freshId(const std::set<std::uint32_t>& chosen)
{
    std::uint32_t id = MakeTimeId();
    while (idTaken(id, chosen))
        id = (id + 1) & 0xFFFFFF;
    return id;
}

// Assignments by matrix position: the entry of the file's record at the key's position, if any.
const KEYINFO* fileKeyAt(const PROFILE& file, int index, std::int32_t position)
{
    if (file.keys[index].matrixIndex == position && file.keys[index].firstWord() != 0)
        return &file.keys[index];
    for (const KEYINFO& key : file.keys) {
        if (key.matrixIndex == position && key.firstWord() != 0)
            return &key;
    }
    return nullptr;
}

} // namespace

ProfileImportPlan planProfileImport(
    const ProfileFileContent& content, std::uint32_t slotId, const ProfileImportPlace& place)
{
    ProfileImportPlan plan;
    plan.group = place.groups ? usableName(profileName(content.profile), "Profile") : std::string();
    const std::string folder = plan.group.empty() ? place.libraryRoot : place.libraryRoot + "/" + plan.group;
    std::set<std::string> titles = takenTitles(folder);
    std::set<std::uint32_t> ids;
    for (const StMacro& fileMacro : content.macros) {
        ImportedMacro imported;
        imported.fileId = fileMacro.dwId;
        imported.macro = fileMacro;
        const std::string base = usableName(macroName(fileMacro), "Macro");
        std::string title = base;
        for (int n = 2; titles.contains(lowerAscii(title)) || titles.contains(lowerAscii(title + ".mck")); ++n) {
            const std::string suffix = " (" + std::to_string(n) + ")";
            title = utf::toUtf8(cutUtf16(base, std::size_t(MacroNameChars) - suffix.size())) + suffix;
            imported.renamed = true;
        }
        titles.insert(lowerAscii(title));
        if (imported.renamed || idTaken(fileMacro.dwId, ids)) {
            imported.renamed = true;
            imported.macro.dwId = freshId(ids);
        }
        ids.insert(imported.macro.dwId);
        setMacroName(imported.macro, title);
        imported.macro.dwFlags = 0;
        imported.macro.Macro_Buffer_ID = 0;
        imported.path = folder + "/" + title + ".mck";
        plan.macros.push_back(imported);
    }

    PROFILE& record = plan.profile;
    record = content.profile;
    record.magic = ProfileMagic;
    record.id = slotId;
    for (int i = 0; i < KeyTableSize; ++i) {
        const KEYINFO& local = KeyTable[std::size_t(i)];
        const KEYINFO* fileKey = i < KeyCount ? fileKeyAt(content.profile, i, local.matrixIndex) : nullptr;
        KEYINFO key = local;
        if (fileKey) {
            key = *fileKey;
            key.rect = local.rect;
            key.matrixIndex = local.matrixIndex;
        }
        if (key.kind == KindMacro) {
            for (const ImportedMacro& macro : plan.macros) {
                if (macro.fileId == key.macroId)
                    key.macroId = macro.macro.dwId;
            }
        }
        record.keys[i] = key;
    }
    return plan;
}

bool writeImportedMacros(const ProfileImportPlan& plan, std::string* message)
{
    std::vector<std::string> written;
    const auto folder
        = std::filesystem::path(plan.macros.empty() ? std::string() : plan.macros.front().path).parent_path();
    std::error_code ignored;
    const bool folderExisted = plan.macros.empty() || std::filesystem::exists(folder, ignored);
    for (const ImportedMacro& imported : plan.macros) {
        const MacroFileBytes bytes = EncodeMacroFile(imported.macro);
        platform::AtomicFile file = MyCreateFile(imported.path);
        if (file.isOpen() && file.write(std::as_bytes(std::span(bytes))) && file.commit(false)) {
            written.push_back(imported.path);
            continue;
        }
        for (const std::string& path : written)
            ::unlink(path.c_str());
        if (!folderExisted)
            ::rmdir(folder.c_str());
        *message = "The macro file " + imported.path + " cannot be written: " + std::strerror(file.lastError().error)
            + ". Nothing was imported.";
        return false;
    }
    return true;
}

void commitProfileImport(const ProfileImportPlan& plan, PROFILE& slot)
{
    for (const ImportedMacro& imported : plan.macros)
        AddToList(imported.macro);
    slot = plan.profile;
}

} // namespace kavrel
