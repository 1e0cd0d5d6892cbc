#pragma once

#include "app/Config.h"
#include "app/KeyInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

// One complete set of a user's settings: every key's assignment, the
// lighting and the per-key colours. pro.dct holds these records byte for
// byte, so the layout below is a file format: 11596 bytes, little-endian,
// no gaps.
namespace kavrel {

inline constexpr std::uint32_t ProfileMagic = 0xFCFB7794;
inline constexpr std::size_t ProfileSize = 11596;
inline constexpr int ProfileNameChars = 19; // name holds 20 UTF-16 units, zero-terminated
inline constexpr int ProgramNameUnits = 260;
inline constexpr int ColorSetCount = 10;
inline constexpr int BuiltInColorSets = 8; // sets 0-7: fixed patterns; 8 and 9: the user's own
inline constexpr std::uint32_t PatternWhite = 0xFFFFFF;

struct LedLevel {
    std::uint8_t speed;
    std::uint8_t brightness;
};
static_assert(sizeof(LedLevel) == 2);

struct PROFILE {
    std::uint32_t magic; // ProfileMagic; written, not tested on reading
    std::uint32_t id; // from MakeTimeId; 0 marks an empty store slot
    char16_t programName[ProgramNameUnits]; // switch to this profile while a program whose file name
                                            // contains it runs; empty for none
    char16_t name[20]; // display name, at most 19 units, zero-terminated
    std::uint8_t reserved568[40]; // zero
    std::uint32_t layer; // always 0: readers find keys at 612 + layer * 5184
    KEYINFO keys[KeyTableSize]; // entry i for key table entry i
    std::uint32_t ledMode; // lighting mode 0 ... 9
    LedLevel ledLevels[LedModeCount]; // speed and brightness per lighting mode
    std::uint16_t colorSet; // selected colour set 0 ... 9
    std::uint8_t colorSetFlags[ColorSetCount]; // 1 in a new profile; not otherwise used
    std::uint32_t keyColors[ColorSetCount][KeyTableSize]; // [set][matrix position], r + 256g + 65536b, 0 dark
    std::uint32_t reserved11592; // zero
};

static_assert(sizeof(PROFILE) == ProfileSize);
static_assert(offsetof(PROFILE, magic) == 0);
static_assert(offsetof(PROFILE, id) == 4);
static_assert(offsetof(PROFILE, programName) == 8);
static_assert(offsetof(PROFILE, name) == 528);
static_assert(offsetof(PROFILE, reserved568) == 568);
static_assert(offsetof(PROFILE, layer) == 608);
static_assert(offsetof(PROFILE, keys) == 612);
static_assert(offsetof(PROFILE, ledMode) == 5796);
static_assert(offsetof(PROFILE, ledLevels) == 5800);
static_assert(offsetof(PROFILE, colorSet) == 5820);
static_assert(offsetof(PROFILE, colorSetFlags) == 5822);
static_assert(offsetof(PROFILE, keyColors) == 5832);
static_assert(offsetof(PROFILE, reserved11592) == 11592);
static_assert(std::is_trivially_copyable_v<PROFILE> && std::is_standard_layout_v<PROFILE>);

// Fills the record with a complete new profile: zeroed, magic, a fresh id
// from MakeTimeId, the factory state (ResetProfile) and the first 19
// characters of the name.
void NewProfile(std::string_view name, PROFILE& profile);
// The same with a given id: no new id is made (making one waits 20 ms).
void NewProfile(std::string_view name, std::uint32_t id, PROFILE& profile);

// The factory state of a profile: program name and layer cleared, the key
// table copied into keys, the lighting reset. Keeps magic, id and name.
void ResetProfile(PROFILE& profile);

// The lighting part of the reset: cfg.ini's default levels and LEDParam,
// colour set 0, and the eight built-in white key patterns in sets 0-7.
void ResetLighting(PROFILE& profile);

// The name and program name as UTF-8, and setting the name (cut to 19 UTF-16
// units without splitting a character).
std::string profileName(const PROFILE& profile);
std::string profileProgramName(const PROFILE& profile);
void setProfileName(PROFILE& profile, std::string_view name);
void setProfileProgramName(PROFILE& profile, std::string_view program);

// Why a typed text cannot become a profile's name, as the user is told (the
// text table's tc_pf_name_* texts, English without them); empty when it can. Refused: an empty name, control
// characters, text that is not UTF-8, and more than the 19 UTF-16 units the record holds (nothing is cut silently).
std::string profileNameProblem(std::string_view name);

// The same for the program name of automatic switching. Empty is fine (no
// program). Refused: control characters, text that is not UTF-8, "/" or "\"
// (switching compares file names, so a path never matches), more than 259
// UTF-16 units.
std::string programNameProblem(std::string_view program);

// True when two key records assign the same function (kind and code, macro,
// modifiers, keys, fire parameters); the geometry is not compared.
bool sameAssignment(const KEYINFO& a, const KEYINFO& b);

} // namespace kavrel
