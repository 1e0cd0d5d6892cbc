#pragma once

#include "device/HardwareEncoding.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Reading the keyboard's tables back into words a user understands: what a
// matrix word does and which events a macro slot plays.
namespace kavrel {

// "Ctrl + A", "Volume up", "Macro slot 3, 5 times", "Fire L-Ctrl (3, 5)"...;
// empty for a word of 0.
std::string describeMatrixWord(std::uint32_t word);

struct DecodedMacroEvent {
    std::string key;
    bool press = true;
    int delayMs = 0;
};

// The events of one 48-byte macro slot, up to the first empty one.
std::vector<DecodedMacroEvent> decodeHdMacro(std::span<const std::uint8_t, 48> slot);

// The key code whose usage this is (0 when none); the main Enter for 0x28.
int virtualKeyOfUsage(std::uint8_t usage);

} // namespace kavrel
