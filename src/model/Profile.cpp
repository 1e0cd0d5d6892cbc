#include "model/Profile.h"

#include "app/Texts.h"
#include "model/TimeId.h"
#include "model/WideField.h"
#include "xml/Utf.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <span>

namespace kavrel {
namespace {

// The built-in white key patterns of colour sets 0-7, as virtual-key codes in
// the order they are set.
const std::array<std::initializer_list<std::uint8_t>, BuiltInColorSets> Patterns = {{
    {0x41, 0x53, 0x44, 0x57, 0x26, 0x28, 0x25, 0x27, 0x1B},
    {0x41, 0x53, 0x44, 0x57, 0xA2, 0xA0, 0xA4, 0x20, 0x52, 0x47, 0x51, 0x45, 0x42, 0x31, 0x32, 0x33, 0x34, 0x35, 0x09,
        0x70, 0x71, 0x72, 0x24, 0x23, 0x21, 0x22, 0x2C, 0x91},
    {0x51, 0x57, 0x45, 0x52, 0x54, 0x41, 0x53, 0x44, 0x46, 0x47, 0x43, 0x56, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37,
        0xA2, 0xA0},
    {0x51, 0x57, 0x45, 0x52, 0x41, 0x53, 0x44, 0x47, 0x58, 0x5A, 0x46, 0x4B, 0x4C, 0x48, 0x4D, 0x4E, 0x55, 0x59, 0x54,
        0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x30, 0xA2, 0xA0, 0xA4, 0x20},
    {0x51, 0x57, 0x45, 0x52, 0x44, 0x47, 0x46, 0x42, 0x56, 0xA2, 0xA4, 0x09, 0x20, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36,
        0x1B, 0xC0},
    {0x41, 0x53, 0x44, 0x57, 0x52, 0x26, 0x28, 0x25, 0x27, 0xA2, 0xA0, 0xA4},
    {0x41, 0x46, 0x53, 0x57, 0x52, 0x45, 0xA2, 0xA0, 0xA4, 0x20, 0x26, 0x28, 0x25, 0x27, 0x5A, 0x58, 0x43, 0x56, 0x31,
        0x32, 0x33, 0x34},
    {0x51, 0x57, 0x45, 0x52, 0x44, 0x46, 0x42, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36},
}};

std::uint8_t levelByte(int value)
{
    return std::uint8_t(value);
}

} // namespace

void NewProfile(std::string_view name, PROFILE& profile)
{
    NewProfile(name, MakeTimeId(), profile);
}

void NewProfile(std::string_view name, std::uint32_t id, PROFILE& profile)
{
    std::memset(static_cast<void*>(&profile), 0, sizeof profile); // PROFILE{} without an 11596-byte temporary
    profile.magic = ProfileMagic;
    profile.id = id;
    ResetProfile(profile);
    setProfileName(profile, name);
}

void ResetProfile(PROFILE& profile)
{
    std::memset(profile.programName, 0, sizeof profile.programName);
    std::memset(profile.reserved568, 0, sizeof profile.reserved568);
    profile.layer = 0;
    std::memcpy(profile.keys, KeyTable.data(), sizeof profile.keys);
    ResetLighting(profile);
}

void ResetLighting(PROFILE& profile)
{
    auto* bytes = reinterpret_cast<std::uint8_t*>(&profile);
    std::memset(bytes + offsetof(PROFILE, ledMode), 0, ProfileSize - offsetof(PROFILE, ledMode));
    for (LedLevel& level : profile.ledLevels)
        level = {levelByte(Cfg.DefSpeed), levelByte(Cfg.DefLight)};
    profile.ledMode = Cfg.LEDParam[0];
    // LEDParam comes from cfg.ini as any byte: only a real mode has a level entry.
    if (Cfg.LEDParam[0] < LedModeCount)
        profile.ledLevels[Cfg.LEDParam[0]] = {Cfg.LEDParam[1], Cfg.LEDParam[2]};
    profile.colorSet = 0;
    std::memset(profile.colorSetFlags, 1, sizeof profile.colorSetFlags);
    for (int set = 0; set < BuiltInColorSets; ++set) {
        for (const std::uint8_t key : Patterns[std::size_t(set)]) {
            const int matrix = MatrixOfVirtualKey(key);
            if (matrix >= 0 && matrix < KeyTableSize)
                profile.keyColors[set][matrix] = PatternWhite;
        }
    }
}

std::string profileName(const PROFILE& profile)
{
    return wideFieldToUtf8(profile.name, std::size(profile.name));
}

std::string profileProgramName(const PROFILE& profile)
{
    return wideFieldToUtf8(profile.programName, std::size(profile.programName));
}

void setProfileName(PROFILE& profile, std::string_view name)
{
    setWideField(profile.name, std::size(profile.name), name, ProfileNameChars);
}

void setProfileProgramName(PROFILE& profile, std::string_view program)
{
    setWideField(profile.programName, std::size(profile.programName), program, ProgramNameUnits - 1);
}

namespace {

// The texts name these limits.
static_assert(ProfileNameChars == 19 && ProgramNameUnits - 1 == 259);

// The text table's wording where the language file has it, else the English one.
std::string textOr(std::string_view key, const char* english)
{
    const std::string& text = Text(key);
    return text.empty() ? std::string(english) : text;
}

bool hasControlCharacter(std::u16string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char16_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); });
}

} // namespace

std::string profileNameProblem(std::string_view name)
{
    if (name.empty())
        return textOr("tc_pf_name_empty", "A profile name cannot be empty.");
    if (!utf::isValidUtf8(name))
        return "A profile name must be UTF-8 text.";
    const std::u16string wide = utf::toUtf16(name);
    if (hasControlCharacter(wide))
        return textOr("tc_pf_name_control", "A profile name cannot contain control characters.");
    if (wide.size() > std::size_t(ProfileNameChars))
        return textOr("tc_pf_name_long", "A profile name can have at most 19 characters.");
    return {};
}

std::string programNameProblem(std::string_view program)
{
    if (!utf::isValidUtf8(program))
        return "A program name must be UTF-8 text.";
    const std::u16string wide = utf::toUtf16(program);
    if (hasControlCharacter(wide))
        return textOr("tc_pf_program_control", "A program name cannot contain control characters.");
    if (program.find_first_of("/\\") != std::string_view::npos)
        return textOr("tc_pf_program_folder", "A program name is the program's file name, without its folder.");
    if (wide.size() > std::size_t(ProgramNameUnits - 1))
        return textOr("tc_pf_program_long", "A program name can have at most 259 characters.");
    return {};
}

bool sameAssignment(const KEYINFO& a, const KEYINFO& b)
{
    return a.firstWord() == b.firstWord() && a.macroId == b.macroId && a.modifiers == b.modifiers && a.key1 == b.key1
        && a.key2 == b.key2 && a.fireParamA == b.fireParamA && a.fireParamB == b.fireParamB && a.fireKey == b.fireKey;
}

} // namespace kavrel
