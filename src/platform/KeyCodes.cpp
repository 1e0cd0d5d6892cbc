#include "platform/KeyCodes.h"

#include <array>
#include <linux/input-event-codes.h>

namespace kavrel::platform {
namespace {

constexpr bool Ext = true;
constexpr bool Base = false;

// clang-format off
constexpr KeyCodeEntry Table[] = {
    // editing and control keys
    {0x08, KEY_BACKSPACE, 0x0E, Base}, {0x09, KEY_TAB, 0x0F, Base}, {0x0D, KEY_ENTER, 0x1C, Base},
    {0x13, KEY_PAUSE, 0x45, Base}, {0x14, KEY_CAPSLOCK, 0x3A, Base}, {0x1B, KEY_ESC, 0x01, Base},
    {0x20, KEY_SPACE, 0x39, Base},
    {0x21, KEY_PAGEUP, 0x49, Ext}, {0x22, KEY_PAGEDOWN, 0x51, Ext}, {0x23, KEY_END, 0x4F, Ext},
    {0x24, KEY_HOME, 0x47, Ext}, {0x25, KEY_LEFT, 0x4B, Ext}, {0x26, KEY_UP, 0x48, Ext},
    {0x27, KEY_RIGHT, 0x4D, Ext}, {0x28, KEY_DOWN, 0x50, Ext}, {0x2C, KEY_SYSRQ, 0x37, Ext},
    {0x2D, KEY_INSERT, 0x52, Ext}, {0x2E, KEY_DELETE, 0x53, Ext},
    // digits
    {0x30, KEY_0, 0x0B, Base}, {0x31, KEY_1, 0x02, Base}, {0x32, KEY_2, 0x03, Base}, {0x33, KEY_3, 0x04, Base},
    {0x34, KEY_4, 0x05, Base}, {0x35, KEY_5, 0x06, Base}, {0x36, KEY_6, 0x07, Base}, {0x37, KEY_7, 0x08, Base},
    {0x38, KEY_8, 0x09, Base}, {0x39, KEY_9, 0x0A, Base},
    // letters
    {0x41, KEY_A, 0x1E, Base}, {0x42, KEY_B, 0x30, Base}, {0x43, KEY_C, 0x2E, Base}, {0x44, KEY_D, 0x20, Base},
    {0x45, KEY_E, 0x12, Base}, {0x46, KEY_F, 0x21, Base}, {0x47, KEY_G, 0x22, Base}, {0x48, KEY_H, 0x23, Base},
    {0x49, KEY_I, 0x17, Base}, {0x4A, KEY_J, 0x24, Base}, {0x4B, KEY_K, 0x25, Base}, {0x4C, KEY_L, 0x26, Base},
    {0x4D, KEY_M, 0x32, Base}, {0x4E, KEY_N, 0x31, Base}, {0x4F, KEY_O, 0x18, Base}, {0x50, KEY_P, 0x19, Base},
    {0x51, KEY_Q, 0x10, Base}, {0x52, KEY_R, 0x13, Base}, {0x53, KEY_S, 0x1F, Base}, {0x54, KEY_T, 0x14, Base},
    {0x55, KEY_U, 0x16, Base}, {0x56, KEY_V, 0x2F, Base}, {0x57, KEY_W, 0x11, Base}, {0x58, KEY_X, 0x2D, Base},
    {0x59, KEY_Y, 0x15, Base}, {0x5A, KEY_Z, 0x2C, Base},
    // Windows keys, menu key, sleep
    {0x5B, KEY_LEFTMETA, 0x5B, Ext}, {0x5C, KEY_RIGHTMETA, 0x5C, Ext}, {0x5D, KEY_COMPOSE, 0x5D, Ext},
    {0x5F, KEY_SLEEP, 0x5F, Ext},
    // keypad (Num Lock on)
    {0x60, KEY_KP0, 0x52, Base}, {0x61, KEY_KP1, 0x4F, Base}, {0x62, KEY_KP2, 0x50, Base},
    {0x63, KEY_KP3, 0x51, Base}, {0x64, KEY_KP4, 0x4B, Base}, {0x65, KEY_KP5, 0x4C, Base},
    {0x66, KEY_KP6, 0x4D, Base}, {0x67, KEY_KP7, 0x47, Base}, {0x68, KEY_KP8, 0x48, Base},
    {0x69, KEY_KP9, 0x49, Base}, {0x6A, KEY_KPASTERISK, 0x37, Base}, {0x6B, KEY_KPPLUS, 0x4E, Base},
    {0x6C, KEY_KPCOMMA, 0x7E, Base}, {0x6D, KEY_KPMINUS, 0x4A, Base}, {0x6E, KEY_KPDOT, 0x53, Base},
    {0x6F, KEY_KPSLASH, 0x35, Ext}, {0x0D, KEY_KPENTER, 0x1C, Ext}, {0x0C, KEY_KP5, 0x4C, Base},
    // function keys
    {0x70, KEY_F1, 0x3B, Base}, {0x71, KEY_F2, 0x3C, Base}, {0x72, KEY_F3, 0x3D, Base}, {0x73, KEY_F4, 0x3E, Base},
    {0x74, KEY_F5, 0x3F, Base}, {0x75, KEY_F6, 0x40, Base}, {0x76, KEY_F7, 0x41, Base}, {0x77, KEY_F8, 0x42, Base},
    {0x78, KEY_F9, 0x43, Base}, {0x79, KEY_F10, 0x44, Base}, {0x7A, KEY_F11, 0x57, Base},
    {0x7B, KEY_F12, 0x58, Base}, {0x7C, KEY_F13, 0x64, Base}, {0x7D, KEY_F14, 0x65, Base},
    {0x7E, KEY_F15, 0x66, Base}, {0x7F, KEY_F16, 0x67, Base}, {0x80, KEY_F17, 0x68, Base},
    {0x81, KEY_F18, 0x69, Base}, {0x82, KEY_F19, 0x6A, Base}, {0x83, KEY_F20, 0x6B, Base},
    {0x84, KEY_F21, 0x6C, Base}, {0x85, KEY_F22, 0x6D, Base}, {0x86, KEY_F23, 0x6E, Base},
    {0x87, KEY_F24, 0x76, Base},
    // locks
    {0x90, KEY_NUMLOCK, 0x45, Ext}, {0x91, KEY_SCROLLLOCK, 0x46, Base},
    // both sides of the modifiers
    {0xA0, KEY_LEFTSHIFT, 0x2A, Base}, {0xA1, KEY_RIGHTSHIFT, 0x36, Base},
    {0xA2, KEY_LEFTCTRL, 0x1D, Base}, {0xA3, KEY_RIGHTCTRL, 0x1D, Ext},
    {0xA4, KEY_LEFTALT, 0x38, Base}, {0xA5, KEY_RIGHTALT, 0x38, Ext},
    // browser, volume, media and launch keys
    {0xA6, KEY_BACK, 0x6A, Ext}, {0xA7, KEY_FORWARD, 0x69, Ext}, {0xA8, KEY_REFRESH, 0x67, Ext},
    {0xA9, KEY_STOP, 0x68, Ext}, {0xAA, KEY_SEARCH, 0x65, Ext}, {0xAB, KEY_BOOKMARKS, 0x66, Ext},
    {0xAC, KEY_HOMEPAGE, 0x32, Ext}, {0xAD, KEY_MUTE, 0x20, Ext}, {0xAE, KEY_VOLUMEDOWN, 0x2E, Ext},
    {0xAF, KEY_VOLUMEUP, 0x30, Ext}, {0xB0, KEY_NEXTSONG, 0x19, Ext}, {0xB1, KEY_PREVIOUSSONG, 0x10, Ext},
    {0xB2, KEY_STOPCD, 0x24, Ext}, {0xB3, KEY_PLAYPAUSE, 0x22, Ext}, {0xB4, KEY_MAIL, 0x6C, Ext},
    {0xB5, KEY_MEDIA, 0x6D, Ext}, {0xB6, KEY_COMPUTER, 0x6B, Ext}, {0xB7, KEY_CALC, 0x21, Ext},
    // OEM punctuation (US positions), the ISO key beside left Shift, the Brazilian keys
    {0xBA, KEY_SEMICOLON, 0x27, Base}, {0xBB, KEY_EQUAL, 0x0D, Base}, {0xBC, KEY_COMMA, 0x33, Base},
    {0xBD, KEY_MINUS, 0x0C, Base}, {0xBE, KEY_DOT, 0x34, Base}, {0xBF, KEY_SLASH, 0x35, Base},
    {0xC0, KEY_GRAVE, 0x29, Base}, {0xC1, KEY_RO, 0x73, Base}, {0xDB, KEY_LEFTBRACE, 0x1A, Base},
    {0xDC, KEY_BACKSLASH, 0x2B, Base}, {0xDD, KEY_RIGHTBRACE, 0x1B, Base}, {0xDE, KEY_APOSTROPHE, 0x28, Base},
    {0xE2, KEY_102ND, 0x56, Base},
};
// clang-format on

constexpr int sideOf(int virtualKey)
{
    switch (virtualKey) {
    case 0x10:
        return 0xA0;
    case 0x11:
        return 0xA2;
    case 0x12:
        return 0xA4;
    default:
        return virtualKey;
    }
}

// Both directions as direct lookups: 256 virtual keys, evdev codes up to KEY_MAX.
struct Index {
    std::array<const KeyCodeEntry*, 256> byVirtualKey{};
    std::array<const KeyCodeEntry*, KEY_MAX + 1> byEvdev{};
};

const Index& index()
{
    static const Index built = [] {
        Index idx;
        for (const KeyCodeEntry& entry : Table) {
            if (!idx.byVirtualKey[entry.virtualKey])
                idx.byVirtualKey[entry.virtualKey] = &entry;
            if (!idx.byEvdev[entry.evdev])
                idx.byEvdev[entry.evdev] = &entry;
        }
        return idx;
    }();
    return built;
}

} // namespace

std::span<const KeyCodeEntry> keyCodeTable()
{
    return Table;
}

const KeyCodeEntry* keyOfVirtualKey(int virtualKey)
{
    const int code = sideOf(virtualKey);
    if (code < 0 || code > 0xFF)
        return nullptr;
    return index().byVirtualKey[std::size_t(code)];
}

const KeyCodeEntry* keyOfEvdev(int evdevCode)
{
    if (evdevCode < 0 || evdevCode > KEY_MAX)
        return nullptr;
    return index().byEvdev[std::size_t(evdevCode)];
}

int evdevOfVirtualKey(int virtualKey)
{
    const KeyCodeEntry* entry = keyOfVirtualKey(virtualKey);
    return entry ? entry->evdev : -1;
}

int scanCodeOfVirtualKey(int virtualKey)
{
    const KeyCodeEntry* entry = keyOfVirtualKey(virtualKey);
    return entry ? entry->scanCode : 0;
}

int messageVirtualKey(const KeyCodeEntry& entry)
{
    switch (entry.virtualKey) {
    case 0xA0:
    case 0xA1:
        return 0x10;
    case 0xA2:
    case 0xA3:
        return 0x11;
    case 0xA4:
    case 0xA5:
        return 0x12;
    default:
        return entry.virtualKey;
    }
}

std::uint32_t keyMessageFlags(const KeyCodeEntry& entry)
{
    return (std::uint32_t(entry.scanCode) << 16) | (entry.extended ? (1u << 24) : 0u);
}

} // namespace kavrel::platform
