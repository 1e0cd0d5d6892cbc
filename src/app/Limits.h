#pragma once

// Fixed limits of the macro editor and of the keyboard's macro events. They
// are properties of the device and the program, not configuration; the
// keyboard's tables are in KeyboardProtocol.h.
namespace kavrel {

inline constexpr int MacroDelayMin = 10; // smallest event delay the editor accepts, ms
inline constexpr int MacroLoopMax = 255; // largest repeat count of a macro
inline constexpr int MacroEventMax = 16; // most events one recording takes
inline constexpr int MacroDelayMax = 20470; // 2047 steps of 10 ms: the keyboard's 11-bit delay field

} // namespace kavrel
