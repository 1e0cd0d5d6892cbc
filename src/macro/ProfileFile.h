#pragma once

#include "macro/StMacro.h"
#include "model/Profile.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A profile shared as one file (".kavrel-profile"): a 24-byte header, the
// 11596-byte PROFILE record, then each macro its keys use as the 834 bytes of
// its .mck file. The layout is documented in docs/profile-file.md; every
// multi-byte field is little-endian.
//
//   0  8  signature "KAVRPROF"
//   8  2  version (ProfileFileVersion)
//  10  2  number of macros n (at most 144, one per key)
//  12  4  size of the whole file: 24 + 11596 + 834 n
//  16  4  CRC-32 (as zlib's crc32) of every byte after the header
//  20  4  zero
namespace kavrel {

inline constexpr std::string_view ProfileFileExtension = ".kavrel-profile";
inline constexpr std::string_view ProfileFileSignature = "KAVRPROF";
inline constexpr std::uint16_t ProfileFileVersion = 1;
inline constexpr std::size_t ProfileFileHeaderSize = 24;
inline constexpr int ProfileFileMacroMax = KeyTableSize;
inline constexpr std::size_t ProfileFileMaxSize
    = ProfileFileHeaderSize + ProfileSize + std::size_t(ProfileFileMacroMax) * MacroSize;

// CRC-32 (reflected polynomial 0xEDB88320, initial and final XOR 0xFFFFFFFF).
std::uint32_t profileFileCrc(std::span<const std::uint8_t> bytes);

// Why a file was refused; each has its own message.
enum class ProfileFileStatus {
    Ok,
    OpenFailed, // the file could not be read (error holds errno)
    NotProfileFile, // no signature
    OtherVersion, // a version this program does not read
    Truncated, // shorter than its header says
    Oversized, // longer than its header says, or than any profile file can be
    Damaged, // checksum, record or macro reference wrong
    DamagedMacro, // a macro's bytes are not a macro this keyboard can hold
};

struct ProfileFileContent {
    PROFILE profile{};
    std::vector<StMacro> macros; // as read: dwFlags 0, Macro_Buffer_ID 0
};

struct ProfileFileRead {
    ProfileFileStatus status = ProfileFileStatus::OpenFailed;
    std::string message; // what the user is told, in English; empty when ok
    int error = 0;
    ProfileFileContent content;
    bool ok() const { return status == ProfileFileStatus::Ok; }
};

// The file's bytes for a profile and the macros it carries (written in the
// order given, dirty bits and device slot cleared).
std::vector<std::uint8_t> encodeProfileFile(const PROFILE& profile, std::span<const StMacro> macros);

// Checks file content completely before anything is taken from it: signature,
// version, size against the header (cut short or too long), checksum, the
// record (magic, layer 0, lighting mode, colour set, speed and brightness in
// their ranges, key kinds, a terminated name), every macro as a .mck file
// (magic, mouse actions allowed by mouseKeyMask, distinct non-zero ids) and
// every macro key naming a macro of the file. A refused file gives its
// message and no content.
ProfileFileRead decodeProfileFile(std::span<const std::uint8_t> bytes, int mouseKeyMask);

// Reads at most ProfileFileMaxSize + 1 bytes of a file and decodes them;
// changes nothing anywhere.
ProfileFileRead readProfileFile(const std::filesystem::path& path, int mouseKeyMask);

struct ProfileExport {
    std::vector<std::uint8_t> bytes;
    std::vector<int> droppedKeys; // key table indices whose macro is not in MacroList: exported as factory
    int macroCount = 0;
};

// What an export of the profile writes: the record and the MacroList entries
// its keys use, each once, in key order. A key whose macro is gone is written
// with its factory assignment, so that the file stays readable.
ProfileExport buildProfileExport(const PROFILE& profile);

// Writes buildProfileExport's bytes to the path, replacing it whole
// (atomically). False with the reason in *message.
bool exportProfileFile(
    const PROFILE& profile, const std::filesystem::path& path, std::string* message, ProfileExport* exported = nullptr);

// One macro an import adds to the library.
struct ImportedMacro {
    std::uint32_t fileId = 0; // the id the file's keys use
    StMacro macro{}; // with its final name and id
    std::string path; // the new .mck file
    bool renamed = false; // its name or id clashed with the library, so both are new
};

// Everything an import into a slot will do, worked out before anything changes.
struct ProfileImportPlan {
    PROFILE profile{}; // the slot's new record: the slot's id, keys pointing at the new macro ids
    std::string group; // the library group (folder) the macros go to; empty for the library root
    std::vector<ImportedMacro> macros;
};

struct ProfileImportPlace {
    std::string libraryRoot; // MacroLibraryRoot()
    bool groups = false; // cfg.ini MacroDir: without groups the macros go to the root, where start-up finds them
};

// Plans the import of read content into a slot: the record keeps the slot's
// id; key assignments are taken by matrix position (the key geometry stays
// this keyboard model's); the macros go to the group named after the profile.
// No existing file is ever used: a macro whose file name (compared without
// regard to case) or id is already taken in the library gets a new name
// ("Name (2)", ...) and a new id, and the imported keys point at it.
ProfileImportPlan planProfileImport(
    const ProfileFileContent& content, std::uint32_t slotId, const ProfileImportPlace& place);

// Writes the plan's macro files, none replacing an existing file. On a
// failure every file written so far is removed again and the reason is in
// *message; nothing else changed.
bool writeImportedMacros(const ProfileImportPlan& plan, std::string* message);

// Adds the plan's macros to MacroList and copies its record into the slot.
// The caller holds ApplyDataMutex() while the apply worker runs.
void commitProfileImport(const ProfileImportPlan& plan, PROFILE& slot);

} // namespace kavrel
