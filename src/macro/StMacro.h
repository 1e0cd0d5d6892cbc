#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

// A macro as stored and edited: up to 90 key events with the delay after
// each, a repeat mode and a count. A .mck file holds these 834 bytes (each
// byte rotated, see MacroFile.h); the layout is a file format: byte-packed,
// little-endian, so the events start at byte 106 and their 32-bit fields are
// not 4-byte aligned. Copy fields out rather than binding references or
// pointers to them.
namespace kavrel {

static_assert(std::endian::native == std::endian::little, "records are stored little-endian, byte for byte");

inline constexpr std::uint32_t MacroMagic = 0xFAFB88A0;
inline constexpr std::size_t MacroSize = 834;
inline constexpr int MacroEventSlots = 91; // the last one always stays a terminator
inline constexpr int MacroEventsWritten = 90;
inline constexpr int MacroNameUnits = 40; // UTF-16 units, zero-terminated: 39 characters
inline constexpr int MacroNameChars = 39;
inline constexpr int MacroLibraryMax = 2000; // most macros before the new-macro command refuses

// dwFlags: the page changed the events (bit 31) or the settings (bit 30).
inline constexpr std::uint32_t MacroEventsChanged = 0x80000000u;
inline constexpr std::uint32_t MacroSettingsChanged = 0x40000000u;
inline constexpr std::uint32_t MacroDirtyBits = MacroEventsChanged | MacroSettingsChanged;

// dwLoopMode values.
inline constexpr std::uint32_t MacroLoopCount = 0; // repeat wLoopCount times
inline constexpr std::uint32_t MacroLoopMode1 = 1; // named by tc_macro_loop3; no control offers it
inline constexpr std::uint32_t MacroLoopMode2 = 2; // labelled tc_macro_loop2

// Mouse actions in events and fire targets: 240 left, 241 right, 242 middle,
// 243 forward, 244 back, 245 scroll up, 246 scroll down.
inline constexpr int MouseKeyFirst = 240;
inline constexpr int MouseKeyLast = 246;

#pragma pack(push, 1)
struct StMacroEvent {
    std::uint16_t wKey; // key code in the low byte; 0 ends the list
    std::uint16_t wDown; // 1 press, 0 release
    std::uint32_t dwDelay; // milliseconds to wait after this event
};

struct StMacro {
    std::uint32_t dwMagicNumber; // MacroMagic
    std::uint32_t dwId; // 24-bit id from MakeTimeId; what a key's macroId names
    std::uint32_t dwFlags; // MacroDirtyBits; 0 in files
    std::uint32_t dwAutoDelay; // 1: delays are recorded and shown
    std::uint32_t dwLoopMode; // MacroLoopCount, MacroLoopMode1, MacroLoopMode2
    char16_t szName[MacroNameUnits]; // zero-terminated
    std::int32_t Macro_Buffer_ID; // device slot 1 ... 20 during an apply, else 0
    std::uint16_t wLoopCount; // 1 ... 255 for mode 0
    StMacroEvent Events[MacroEventSlots];
};
#pragma pack(pop)

static_assert(sizeof(StMacroEvent) == 8);
static_assert(offsetof(StMacroEvent, wDown) == 2);
static_assert(offsetof(StMacroEvent, dwDelay) == 4);
static_assert(sizeof(StMacro) == MacroSize);
static_assert(offsetof(StMacro, dwId) == 4);
static_assert(offsetof(StMacro, dwFlags) == 8);
static_assert(offsetof(StMacro, dwAutoDelay) == 12);
static_assert(offsetof(StMacro, dwLoopMode) == 16);
static_assert(offsetof(StMacro, szName) == 20);
static_assert(offsetof(StMacro, Macro_Buffer_ID) == 100);
static_assert(offsetof(StMacro, wLoopCount) == 104);
static_assert(offsetof(StMacro, Events) == 106);
static_assert(std::is_trivially_copyable_v<StMacro> && std::is_standard_layout_v<StMacro>);

} // namespace kavrel
