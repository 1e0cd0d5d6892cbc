#pragma once

// Fixed limits of the keyboard and of the macro editor. They are properties
// of the device and the program, not configuration.
namespace kavrel {

inline constexpr int MacroDelayMin = 10; // smallest event delay the editor accepts, ms
inline constexpr int MacroSlotBytes = 48; // one macro slot in the keyboard (HdMacro)
inline constexpr int MacroSlotCount = 20; // macro slots in the keyboard
inline constexpr int MacroLoopMax = 255; // largest repeat count of a macro
inline constexpr int MacroEventMax = 16; // most events one recording takes
inline constexpr int MacroDelayMax = 20470; // 2047 steps of 10 ms: the keyboard's 11-bit delay field

} // namespace kavrel
