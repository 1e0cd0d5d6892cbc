#pragma once

#include <cstdint>
#include <span>

// Windows virtual-key codes (the numbering stored in profiles, macros and
// cfg.ini) against Linux evdev key codes, for a full-size keyboard: both
// sides of every modifier, the keypad, the OEM punctuation keys, F13-F24 and
// the browser and media keys. The pairs are positional (a US keyboard's
// keys), which matches the keyboard usages the device is given: the key
// that carries virtual-key 0x51 ("Q") is the key in the Q position, whatever
// character the active layout gives it.
namespace kavrel::platform {

struct KeyCodeEntry {
    std::uint8_t virtualKey; // side-specific for Shift, Ctrl, Alt (0xA0 ... 0xA5)
    std::uint16_t evdev; // linux/input-event-codes.h KEY_*
    std::uint8_t scanCode; // PC set-1 scan code, without the 0xE0 prefix
    bool extended; // the scan code carries the 0xE0 prefix (extended-key flag)
};

// Every pair. An evdev code may appear more than once (keypad 5 is also
// Clear, Enter also the keypad Enter's code); its first entry is the one
// key capture uses.
std::span<const KeyCodeEntry> keyCodeTable();

// The entry of a virtual-key code; the generic Shift, Ctrl and Alt (0x10,
// 0x11, 0x12) give the left key. Null when the code names no key here.
const KeyCodeEntry* keyOfVirtualKey(int virtualKey);

// The entry of an evdev key code, null when it is not in the table.
const KeyCodeEntry* keyOfEvdev(int evdevCode);

// The evdev code of a virtual-key code, -1 when there is none.
int evdevOfVirtualKey(int virtualKey);

// The scan code of a virtual-key code as the system's "virtual key to scan
// code" translation gives it (no prefix); 0 when there is none.
int scanCodeOfVirtualKey(int virtualKey);

// The code a key message carries: the generic 0x10, 0x11, 0x12 for either
// Shift, Ctrl or Alt, the entry's own code for every other key.
int messageVirtualKey(const KeyCodeEntry& entry);

// The key data of a key message: scan code in bits 16-23, extended-key flag
// in bit 24 (right Ctrl and right Alt have it; right Shift is told by bit 4
// of its scan code, bit 20 here).
std::uint32_t keyMessageFlags(const KeyCodeEntry& entry);

} // namespace kavrel::platform
