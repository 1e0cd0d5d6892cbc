#include "device/HardwareEncoding.h"

#include "app/Log.h"
#include "macro/StMacro.h"
#include "model/KeyNames.h"
#include "model/Profile.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace kavrel {
namespace {

constexpr int MainEnterPosition = 87;
constexpr int KeypadEnterPosition = 136;
constexpr std::uint8_t VkEnter = 0x0D;
constexpr std::uint8_t KeypadEnterUsage = 0x58;
constexpr std::uint8_t MouseCodeFirst = 0xF0;
constexpr std::uint8_t MouseCodeLast = 0xF6;

std::int64_t mouseWord(std::uint32_t code)
{
    switch (code) {
    case 17:
        return 0x0000F010;
    case 18:
        return 0x0000F210;
    case 19:
        return 0x0000F110;
    case 20:
        return 0x0000F410;
    case 21:
        return 0x0000F310;
    case 23:
        return 0x00000130;
    default:
        return NoDeviceCode;
    }
}

// Consumer usages of the media functions, by function code.
struct MediaUsage {
    std::uint32_t code;
    std::uint32_t usage;
};
constexpr MediaUsage MediaUsages[] = {
    {33, 0x0183},
    {34, 0x00CD},
    {35, 0x00B7},
    {36, 0x00B6},
    {37, 0x00B5},
    {38, 0x00E9},
    {39, 0x00EA},
    {40, 0x00E2},
    {48, 0x018A},
    {49, 0x0192},
    {50, 0x0194},
    {51, 0x0221},
    {52, 0x0223},
    {53, 0x0224},
    {54, 0x0225},
    {55, 0x0226},
    {56, 0x0227},
    {57, 0x022A},
};

// Byte 0 = 0x01 marks a consumer word.
std::int64_t mediaWord(std::uint32_t code)
{
    for (const MediaUsage& media : MediaUsages) {
        if (media.code != code)
            continue;
        // The keyboard takes the usage's low byte in byte 3 and its high byte in byte 2.
        return (std::int64_t(media.usage & 0xFF) << 24) | (std::int64_t(media.usage >> 8) << 16) | 0x01;
    }
    return NoDeviceCode;
}

// The usage of a fired key: modifier keys by their own usages, mouse codes as they are.
std::uint8_t fireKeyUsage(std::uint8_t key)
{
    switch (key) {
    case 91:
        return 0xE3;
    case 92:
        return 0xE7;
    case 160:
        return 0xE1;
    case 161:
        return 0xE5;
    case 162:
        return 0xE0;
    case 163:
        return 0xE4;
    case 164:
        return 0xE2;
    case 165:
        return 0xE6;
    default:
        break;
    }
    if (key >= MouseCodeFirst && key <= MouseCodeLast)
        return key;
    return vkey_to_usage(key);
}

std::int64_t specialWord(const KEYINFO& key)
{
    switch (key.code) {
    case 23:
        return 0x00000130;
    case 162:
        return 0x00000150;
    case 166:
        return 0x00008140;
    case 167:
        return 0x00000250;
    case 168:
        return 0x00002040;
    case 169:
        return 0x00004040;
    case 170:
        return 0x00000040;
    case 171:
        return 0x00000650;
    case 164:
        return (std::int64_t(key.fireParamA) << 24) | (std::int64_t(key.fireParamB) << 16)
            | (std::int64_t(fireKeyUsage(key.fireKey)) << 8) | 0x20;
    default:
        return NoDeviceCode;
    }
}

std::uint8_t keyUsage(std::uint8_t vk, std::int32_t matrixIndex)
{
    if (vk == VkEnter && matrixIndex == KeypadEnterPosition)
        return KeypadEnterUsage;
    return vkey_to_usage(vk);
}

std::int64_t keyWord(const KEYINFO& key)
{
    if (key.modifiers == 0 && key.key1 == VkFn)
        return 0x00B00000;
    const std::uint32_t u1 = keyUsage(key.key1, key.matrixIndex);
    const std::uint32_t u2 = keyUsage(key.key2, key.matrixIndex);
    return (std::int64_t(u2) << 24) | (std::int64_t(u1) << 16) | (std::int64_t(key.modifiers) << 8);
}

std::int64_t macroWord(const KEYINFO& key, const MacroLookup& macros)
{
    const StMacro* macro = macros ? macros(key.macroId) : nullptr;
    if (!macro) {
        WriteLog("keyinfo_to_hardware_code can't find macro id 0x%x", unsigned(key.macroId));
        return NoDeviceCode;
    }
    switch (macro->dwLoopMode) {
    case 0:
        return 0x00010002;
    case 1:
        return 0x00020002;
    case 2:
        return 0x00040002;
    default:
        return 0x00000002;
    }
}

// The modifier bit a macro event carries for a modifier key (left and right alike), 0 for other keys.
std::uint8_t macroModifierBit(std::uint8_t vk)
{
    switch (vk) {
    case 16:
    case 160:
    case 161:
        return 0x02;
    case 17:
    case 162:
    case 163:
        return 0x01;
    case 18:
    case 164:
    case 165:
        return 0x04;
    case 91:
    case 92:
        return 0x08;
    default:
        return 0;
    }
}

} // namespace

std::int64_t keyinfo_to_hardware_code(const KEYINFO& key, const MacroLookup& macros)
{
    switch (key.kind) {
    case KindMouse:
        return mouseWord(key.code);
    case KindKey:
        return keyWord(key);
    case KindMediaFactory:
    case KindMedia:
        return mediaWord(key.code);
    case KindMacro:
        return macroWord(key, macros);
    case KindSpecial:
        return specialWord(key);
    default:
        return NoDeviceCode;
    }
}

std::string profileEncodingProblem(const PROFILE& profile)
{
    // Any macro id encodes: whether the library still has the macro is not the record's fault.
    StMacro anyMacro{};
    const MacroLookup lookup = [&anyMacro](std::uint32_t) { return &anyMacro; };
    for (int k = 0; k < KeyTableSize; ++k) {
        const KEYINFO& key = profile.keys[k];
        if (key.firstWord() == 0 || KeyTable[k].firstWord() == 0)
            continue;
        const bool unknownKey = key.kind == KindKey
            && ((key.key1 != 0 && key.key1 != VkFn && vkey_to_usage(key.key1) == 0 && macroModifierBit(key.key1) == 0)
                || (key.key2 != 0 && vkey_to_usage(key.key2) == 0 && macroModifierBit(key.key2) == 0));
        if (unknownKey || keyinfo_to_hardware_code(key, lookup) == NoDeviceCode)
            return "key " + std::to_string(k) + " cannot be encoded";
    }
    return {};
}

std::string keyListText(const std::vector<int>& keys)
{
    std::string text;
    for (const int k : keys) {
        if (!text.empty())
            text += ", ";
        const std::string name
            = k >= 0 && k < KeyTableSize ? vkey_to_name(KeyTable[std::size_t(k)].key1) : std::string();
        text += name.empty() ? "#" + std::to_string(k) : name;
    }
    return text;
}

// Key table entry k gives the matrix position of profile entry k. Keys
// without device code are left without function and returned; a position
// used twice keeps the later key's word.
std::vector<int> KEYINFO_2_Matrix(
    KeyTableSpan keys, KeyTableSpan keyTable, MatrixWords& matrix, const MacroLookup& macros)
{
    std::vector<int> withoutCode;
    matrix.fill(0);
    for (int k = 0; k < KeyTableSize; ++k) {
        // Entries past the model's key table describe no key: a profile from another model must not reach position 0.
        if (keys[k].firstWord() == 0 || keyTable[k].firstWord() == 0)
            continue;
        const std::int64_t word = keyinfo_to_hardware_code(keys[k], macros);
        if (word == NoDeviceCode) {
            withoutCode.push_back(k);
            continue;
        }
        const int p = keyTable[k].matrixIndex;
        if (p < 0 || p >= MatrixSize)
            continue;
        if (matrix[p] != 0)
            WriteLog("Error: KEYINFO_2_Matrix Matrix[%d]=%08x", p, unsigned(matrix[p]));
        matrix[p] = std::uint32_t(word);
    }
    return withoutCode;
}

void StMacro_To_HdMacro(const StMacro& macro, HdMacro& out)
{
    out.fill(0);
    // The last event's three bytes always stay zero.
    constexpr std::size_t Room = MacroSlotBytes - HdMacroEventBytes;
    // Presses not yet released, as (modifier flag, code) in the order pressed.
    std::vector<std::pair<std::uint8_t, std::uint8_t>> open;
    std::size_t o = 0;
    auto put = [&](bool release, std::uint32_t delay, std::uint8_t flag, std::uint8_t code) {
        const std::uint32_t d = delay / 10;
        out[o] = std::uint8_t((release ? 0x80 : 0x00) | (d & 0x7F));
        out[o + 1] = std::uint8_t(((d >> 7) & 0x0F) | flag);
        out[o + 2] = code;
        o += HdMacroEventBytes;
    };
    for (const StMacroEvent& event : macro.Events) {
        if (event.wKey == 0)
            break;
        const auto vk = std::uint8_t(event.wKey & 0xFF);
        const std::uint8_t modifier = macroModifierBit(vk);
        const std::uint8_t code = modifier != 0 ? modifier : vkey_to_usage(vk);
        if (code == 0) {
            WriteLog("StMacro_To_HdMacro: get wrong hid");
            continue;
        }
        const std::pair<std::uint8_t, std::uint8_t> key{modifier != 0 ? 0xF0 : 0x00, code};
        const bool release = event.wDown == 0;
        const auto held = std::find(open.begin(), open.end(), key);
        std::size_t openAfter = open.size();
        if (release && held != open.end())
            --openAfter;
        else if (!release && held == open.end())
            ++openAfter;
        // Taken only while every press still open afterwards can be released in the room left.
        if (o + HdMacroEventBytes * (1 + openAfter) > Room)
            break;
        put(release, event.dwDelay, key.first, key.second);
        if (release && held != open.end())
            open.erase(held);
        else if (!release && held == open.end())
            open.push_back(key);
    }
    // Whatever the macro left pressed is released, the last pressed first.
    for (auto it = open.rbegin(); it != open.rend(); ++it)
        put(true, 0, it->first, it->second);
}

int ColorToIndex(std::uint32_t color)
{
    switch (color) {
    case 0x000000:
        return 0;
    case 0x0000FF:
        return 4;
    case 0x00FF00:
        return 2;
    case 0x00FFFF:
        return 6;
    case 0xFF0000:
        return 1;
    case 0xFF00FF:
        return 5;
    case 0xFFFF00:
        return 3;
    case 0xFFFFFF:
        return 7;
    default:
        WriteLog("Get wrong color(%06x)", unsigned(color));
        return 0;
    }
}

} // namespace kavrel
