#pragma once

#include "app/KeyInfo.h"

#include <cstdint>
#include <string>

// How keys and assignments are shown to the user, and the keyboard usage of
// a key code. Key codes are Windows virtual-key numbers (the stored format);
// texts are UTF-8, "tc_" texts read from the interface text table at the
// moment of the call.
namespace kavrel {

// The display name of one key code: the fixed name table for the codes it
// holds; every other code by the active keyboard layout (the character the
// key types without modifiers, letters upper-cased), empty when the key
// types nothing. Codes 240-242 are the mouse buttons, 250 "Fn", 255 empty.
std::string vkey_to_name(int code);

// "Ctrl + Alt + Shift + Win + key1 + key2", each part only when present;
// either side of a modifier counts.
std::string combo_to_text(std::uint8_t modifiers, int key1, int key2);

// The side-specific form: "L-Ctrl + L-Alt + L-Shift + L-Win + R-Ctrl + R-Alt
// + R-Shift + R-Win + key1 + key2", each part only when present.
std::string combo_to_side_text(std::uint8_t modifiers, int key1, int key2);

// The USB HID keyboard usage (page 0x07) of a key code, 0 for none. 0x0D is
// always the main Enter (0x28); callers tell the keypad Enter by position.
std::uint8_t vkey_to_usage(int code);

} // namespace kavrel
