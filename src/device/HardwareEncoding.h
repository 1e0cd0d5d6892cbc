#pragma once

#include "app/KeyInfo.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kavrel {

struct StMacro;
struct PROFILE;

inline constexpr int MatrixSize = MatrixPositions;
inline constexpr int HdMacroEventBytes = 3;
inline constexpr std::int64_t NoDeviceCode = -1;

// The paired matrix positions: one physical key in the ANSI and ISO layouts.
inline constexpr int PairedPositionA = 81;
inline constexpr int PairedPositionB = 86;

using HdMacro = std::array<std::uint8_t, MacroSlotBytes>;
using MatrixWords = std::array<std::uint32_t, MatrixSize>;

// Finds a macro by id among the macros an encoding may use; nullptr when absent.
using MacroLookup = std::function<StMacro*(std::uint32_t id)>;

// The matrix word of one assignment, or NoDeviceCode when it has none.
// Macro assignments get their repeat-mode word; slot and count come later.
std::int64_t keyinfo_to_hardware_code(const KEYINFO& key, const MacroLookup& macros);

using KeyTableSpan = std::span<const KEYINFO, KeyTableSize>;

// All assignments of a profile (keys) to the matrix words; keyTable is the
// model's key table, whose entry k gives the position of keys[k]. Returns the
// indices of the assigned keys that have no device code: they are left
// without function, and the caller tells the user once, naming them all. A position used twice keeps the later key's
// word.
std::vector<int> KEYINFO_2_Matrix(
    KeyTableSpan keys, KeyTableSpan keyTable, MatrixWords& matrix, const MacroLookup& macros);

// Why a stored profile cannot be written to the keyboard as it is, in a few
// words: the first assigned key (of the model's key table) whose function has
// no device code or names a key the keyboard does not know. Empty when every
// key can be encoded; a macro missing from the library does not count.
std::string profileEncodingProblem(const PROFILE& profile);

// The names of keys (indices into the key table) for one message to the user, "A, F1, Num 5".
std::string keyListText(const std::vector<int>& keys);

// A macro in the keyboard's 48-byte form: at most 15 three-byte events.
// Whatever the record holds, no key is left held down: events are taken only
// while every press still open can be released in the room left, and every
// open press is then released (last pressed first, no pause before). A macro
// whose presses are all released within 15 events is encoded unchanged.
void StMacro_To_HdMacro(const StMacro& macro, HdMacro& out);

// The 3-bit colour index (4 red, 2 green, 1 blue) of a colour r + 256g + 65536b.
int ColorToIndex(std::uint32_t color);

// Makes two paired values equal: a non-zero b wins, else a non-zero a is copied to b.
template <typename T> void makePairEqual(T& a, T& b)
{
    if (a == b)
        return;
    if (b != 0)
        a = b;
    else
        b = a;
}

} // namespace kavrel
