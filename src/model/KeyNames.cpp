#include "model/KeyNames.h"

#include "app/Log.h"
#include "app/Texts.h"
#include "platform/KeyCodes.h"
#include "platform/KeyboardLayout.h"
#include "xml/Utf.h"

#include <array>
#include <string_view>
#include <utility>

namespace kavrel {
namespace {

// A fixed name: a literal, or (when text is set) the interface text of that key.
struct FixedName {
    std::uint8_t code;
    std::string_view name;
    bool text = false;
};

// clang-format off
constexpr FixedName FixedNames[] = {
    {0x08, "Backspace"}, {0x09, "Tab"}, {0x0C, "Clr"}, {0x0D, "Enter"}, {0x10, "Shift"}, {0x11, "Ctrl"},
    {0x12, "Alt"}, {0x13, "Pause"}, {0x14, "CapsLock"}, {0x1B, "Esc"}, {0x20, "Space"}, {0x21, "PageUp"},
    {0x22, "PageDown"}, {0x23, "End"}, {0x24, "Home"}, {0x25, "Left"}, {0x26, "Up"}, {0x27, "Right"},
    {0x28, "Down"}, {0x29, "Select"}, {0x2A, "Print"}, {0x2B, "Enter"}, {0x2C, "PrintScreen"},
    {0x2D, "Insert"}, {0x2E, "Delete"}, {0x2F, "Help"},
    {0x30, "0"}, {0x31, "1"}, {0x32, "2"}, {0x33, "3"}, {0x34, "4"}, {0x35, "5"}, {0x36, "6"}, {0x37, "7"},
    {0x38, "8"}, {0x39, "9"}, {0x5B, "L_Win"}, {0x5C, "R_Win"}, {0x5D, "App"},
    {0x60, "Num 0"}, {0x61, "Num 1"}, {0x62, "Num 2"}, {0x63, "Num 3"}, {0x64, "Num 4"}, {0x65, "Num 5"},
    {0x66, "Num 6"}, {0x67, "Num 7"}, {0x68, "Num 8"}, {0x69, "Num 9"}, {0x6A, "Num *"}, {0x6B, "Num +"},
    {0x6C, "\\"}, {0x6D, "Num -"}, {0x6E, "Num ."}, {0x6F, "Num /"},
    {0x70, "F1"}, {0x71, "F2"}, {0x72, "F3"}, {0x73, "F4"}, {0x74, "F5"}, {0x75, "F6"}, {0x76, "F7"},
    {0x77, "F8"}, {0x78, "F9"}, {0x79, "F10"}, {0x7A, "F11"}, {0x7B, "F12"}, {0x90, "NumLock"},
    {0x91, "Scroll Lock"}, {0xA0, "L_Shift"}, {0xA1, "R_Shift"}, {0xA2, "L_Ctrl"}, {0xA3, "R_Ctrl"},
    {0xA4, "L_Alt"}, {0xA5, "R_Alt"}, {0xE2, "<"},
    {0xF0, "tc_click", true}, {0xF1, "tc_menu", true}, {0xF2, "tc_middle", true}, {0xFA, "Fn"}, {0xFF, ""},
};

// (usage, key code), searched from the first pair.
constexpr std::pair<std::uint8_t, std::uint8_t> Usages[] = {
    {0x04, 0x41}, {0x05, 0x42}, {0x06, 0x43}, {0x07, 0x44}, {0x08, 0x45}, {0x09, 0x46}, {0x0A, 0x47},
    {0x0B, 0x48}, {0x0C, 0x49}, {0x0D, 0x4A}, {0x0E, 0x4B}, {0x0F, 0x4C}, {0x10, 0x4D}, {0x11, 0x4E},
    {0x12, 0x4F}, {0x13, 0x50}, {0x14, 0x51}, {0x15, 0x52}, {0x16, 0x53}, {0x17, 0x54}, {0x18, 0x55},
    {0x19, 0x56}, {0x1A, 0x57}, {0x1B, 0x58}, {0x1C, 0x59}, {0x1D, 0x5A},
    {0x1E, 0x31}, {0x1F, 0x32}, {0x20, 0x33}, {0x21, 0x34}, {0x22, 0x35}, {0x23, 0x36}, {0x24, 0x37},
    {0x25, 0x38}, {0x26, 0x39}, {0x27, 0x30},
    {0x28, 0x0D}, {0x29, 0x1B}, {0x2A, 0x08}, {0x2B, 0x09}, {0x2C, 0x20}, {0x2D, 0xBD}, {0x2E, 0xBB},
    {0x2F, 0xDB}, {0x30, 0xDD}, {0x31, 0xDC}, {0x33, 0xBA}, {0x34, 0xDE}, {0x35, 0xC0}, {0x36, 0xBC},
    {0x37, 0xBE}, {0x38, 0xBF}, {0x39, 0x14},
    {0x3A, 0x70}, {0x3B, 0x71}, {0x3C, 0x72}, {0x3D, 0x73}, {0x3E, 0x74}, {0x3F, 0x75}, {0x40, 0x76},
    {0x41, 0x77}, {0x42, 0x78}, {0x43, 0x79}, {0x44, 0x7A}, {0x45, 0x7B},
    {0x46, 0x2C}, {0x47, 0x91}, {0x48, 0x13}, {0x49, 0x2D}, {0x4A, 0x24}, {0x4B, 0x21}, {0x4C, 0x2E},
    {0x4D, 0x23}, {0x4E, 0x22}, {0x4F, 0x27}, {0x50, 0x25}, {0x51, 0x28}, {0x52, 0x26},
    {0x53, 0x90}, {0x54, 0x6F}, {0x55, 0x6A}, {0x56, 0x6D}, {0x57, 0x6B}, {0x58, 0x0D},
    {0x59, 0x61}, {0x5A, 0x62}, {0x5B, 0x63}, {0x5C, 0x64}, {0x5D, 0x65}, {0x5E, 0x66}, {0x5F, 0x67},
    {0x60, 0x68}, {0x61, 0x69}, {0x62, 0x60}, {0x63, 0x6E},
    {0x64, 0xE2}, {0x65, 0x5D},
    {0xE0, 0xA2}, {0xE1, 0xA0}, {0xE2, 0xA4}, {0xE3, 0x5B}, {0xE4, 0xA3}, {0xE5, 0xA1}, {0xE6, 0xA5},
    {0xE7, 0x5C},
};
// clang-format on
static_assert(std::size(Usages) == 105);

const FixedName* fixedName(int code)
{
    for (const FixedName& entry : FixedNames) {
        if (entry.code == code)
            return &entry;
    }
    return nullptr;
}

// The character the key types on the active layout, as the log lines of the
// lookup show it.
std::string layoutName(int code)
{
    const platform::KeyCodeEntry* key = (code >= 0 && code <= 0xFF) ? platform::keyOfVirtualKey(code) : nullptr;
    WriteLog("VKCode=0x%x, uiScanCode=0x%X", unsigned(code), unsigned(key ? key->scanCode : 0));
    const platform::KeyboardLayout* layout = platform::activeKeyboardLayout();
    std::string character;
    char32_t value = 0;
    if (key && layout)
        value = layout->characterOfEvdev(key->evdev);
    if (value != 0)
        utf::appendUtf8(character, value);
    WriteLog("wASCII=0x%X, %s", unsigned(value), character.c_str());
    const bool letterKey = code >= 0x41 && code <= 0x5A;
    if (letterKey && key && layout && value != 0) {
        value = layout->characterOfEvdev(key->evdev, true);
        character.clear();
        if (value != 0)
            utf::appendUtf8(character, value);
    }
    WriteLog("2 wASCII=0x%X, %s", unsigned(value), character.c_str());
    return character;
}

void appendPart(std::string& text, std::string_view part)
{
    if (!text.empty())
        text += " + ";
    text += part;
}

void appendKeys(std::string& text, int key1, int key2)
{
    if (key1 != 0)
        appendPart(text, vkey_to_name(key1));
    if (key2 != 0)
        appendPart(text, vkey_to_name(key2));
}

} // namespace

std::string vkey_to_name(int code)
{
    if (const FixedName* entry = fixedName(code))
        return entry->text ? Text(entry->name) : std::string(entry->name);
    return layoutName(code);
}

std::string combo_to_text(std::uint8_t modifiers, int key1, int key2)
{
    std::string text;
    if (modifiers & 0x11)
        appendPart(text, "Ctrl");
    if (modifiers & 0x44)
        appendPart(text, "Alt");
    if (modifiers & 0x22)
        appendPart(text, "Shift");
    if (modifiers & 0x88)
        appendPart(text, "Win");
    appendKeys(text, key1, key2);
    return text;
}

std::string combo_to_side_text(std::uint8_t modifiers, int key1, int key2)
{
    // Fixed order, not the bit order.
    static constexpr std::pair<std::uint8_t, std::string_view> Parts[] = {{0x01, "L-Ctrl"}, {0x04, "L-Alt"},
        {0x02, "L-Shift"}, {0x08, "L-Win"}, {0x10, "R-Ctrl"}, {0x40, "R-Alt"}, {0x20, "R-Shift"}, {0x80, "R-Win"}};
    std::string text;
    for (const auto& [bit, name] : Parts) {
        if (modifiers & bit)
            appendPart(text, name);
    }
    appendKeys(text, key1, key2);
    return text;
}

std::uint8_t vkey_to_usage(int code)
{
    for (const auto& [usage, keyCode] : Usages) {
        if (keyCode == code)
            return usage;
    }
    return 0;
}

} // namespace kavrel
