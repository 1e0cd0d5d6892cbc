#include "device/ReportDecoding.h"

#include "macro/KeyLabel.h"
#include "model/KeyNames.h"

#include <array>

namespace kavrel {
namespace {

constexpr std::uint8_t KeypadEnterUsage = 0x58;

const char* modifierName(std::uint8_t bit)
{
    switch (bit) {
    case 0x01:
        return "Ctrl";
    case 0x02:
        return "Shift";
    case 0x04:
        return "Alt";
    case 0x08:
        return "Win";
    default:
        return "?";
    }
}

std::string hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

// The label of the fixed function (mouse, media, special) whose word this is.
std::string fixedFunctionName(std::uint32_t word)
{
    constexpr std::uint8_t kinds[] = {KindMouse, KindMedia, KindSpecial};
    for (std::uint8_t kind : kinds) {
        for (std::uint32_t code = 1; code < 256; ++code) {
            KEYINFO key{};
            key.setFirstWord((std::uint32_t(kind) << 24) | code);
            if (code != 164 && keyinfo_to_hardware_code(key, {}) == std::int64_t(word))
                return keyinfo_to_text(key);
        }
    }
    return "Function " + hex(word);
}

std::string usageName(std::uint8_t usage)
{
    if (usage == KeypadEnterUsage)
        return "Num Enter";
    const int vk = virtualKeyOfUsage(usage);
    return vk ? vkey_to_name(vk) : "Usage " + std::to_string(usage);
}

std::string keyCombination(std::uint32_t word)
{
    if (word == 0x00B00000)
        return vkey_to_name(VkFn);
    const auto modifiers = std::uint8_t(word >> 8);
    const auto u1 = std::uint8_t(word >> 16), u2 = std::uint8_t(word >> 24);
    std::string text = combo_to_side_text(modifiers, 0, 0);
    for (std::uint8_t usage : {u1, u2}) {
        if (usage == 0)
            continue;
        text += (text.empty() ? "" : " + ") + usageName(usage);
    }
    return text;
}

std::string macroSlot(std::uint32_t word)
{
    const int slot = int((word >> 8) & 0xFF) + 1;
    const auto mode = std::uint8_t(word >> 16);
    std::string text = "Macro slot " + std::to_string(slot);
    if (mode == 0x01)
        return text + ", " + std::to_string(word >> 24) + " times";
    if (mode == 0x02)
        return text + ", repeat mode 1";
    if (mode == 0x04)
        return text + ", repeat mode 2";
    return text;
}

std::string fire(std::uint32_t word)
{
    const auto usage = std::uint8_t(word >> 8);
    std::string target;
    if (usage >= 0xE0 && usage <= 0xE7)
        target = combo_to_side_text(std::uint8_t(1u << (usage - 0xE0)), 0, 0);
    else if (usage >= 0xF0 && usage <= 0xF6)
        target = vkey_to_name(usage);
    else
        target = usageName(usage);
    return "Fire " + target + " (" + std::to_string(word >> 24) + ", " + std::to_string((word >> 16) & 0xFF) + ")";
}

} // namespace

int virtualKeyOfUsage(std::uint8_t usage)
{
    static const std::array<std::uint8_t, 256> keys = [] {
        std::array<std::uint8_t, 256> table{};
        for (int vk = 255; vk > 0; --vk)
            if (const std::uint8_t u = vkey_to_usage(vk))
                table[u] = std::uint8_t(vk);
        return table;
    }();
    return usage == 0 ? 0 : keys[usage];
}

std::string describeMatrixWord(std::uint32_t word)
{
    if (word == 0)
        return {};
    switch (word & 0xFF) {
    case 0x00:
        return keyCombination(word);
    case 0x02:
        return macroSlot(word);
    case 0x20:
        return fire(word);
    default:
        return fixedFunctionName(word);
    }
}

std::vector<DecodedMacroEvent> decodeHdMacro(std::span<const std::uint8_t, 48> slot)
{
    std::vector<DecodedMacroEvent> events;
    for (std::size_t o = 0; o + HdMacroEventBytes <= slot.size(); o += HdMacroEventBytes) {
        const std::uint8_t b0 = slot[o], b1 = slot[o + 1], b2 = slot[o + 2];
        if (b2 == 0)
            break;
        DecodedMacroEvent event;
        event.press = (b0 & 0x80) == 0;
        event.delayMs = ((b0 & 0x7F) | ((b1 & 0x0F) << 7)) * 10;
        event.key = (b1 & 0xF0) ? modifierName(b2) : usageName(b2);
        events.push_back(event);
    }
    return events;
}

} // namespace kavrel
