#pragma once

#include "macro/StMacro.h"

#include <cstdint>
#include <string>
#include <string_view>

// Macro records and MacroList (macro/MacroList.h): making, finding and removing
// macros, device slots, and the key check that file reading applies.
namespace kavrel {

// A blank macro: magic, a fresh id from MakeTimeId, delays recorded, repeat
// once, the first 39 characters of the name, no events.
StMacro NewBlankMacro(std::string_view name);

// Appends a heap copy of the record to MacroList; false when memory runs out.
bool AddToList(const StMacro& macro);

// Macro ids are compared and stored in all their 32 bits everywhere: a key's
// macroId, a library item's value and every MacroList lookup. A file whose id
// has high bits set is found, assigned, applied and edited like any other.
inline std::uint32_t macroIdOfValue(std::int32_t value)
{
    return std::uint32_t(value);
}
inline std::int32_t valueOfMacroId(std::uint32_t id)
{
    return std::int32_t(id);
}

// The first MacroList entry with this id, or null.
StMacro* FindMacroById(std::uint32_t id);

// Removes and frees the first MacroList entry with this id; nothing if none.
void RemoveMacroById(std::uint32_t id);

// False when an event (up to the terminator) is a mouse action 240 ... 246
// whose bit (code - 240) is clear in the mask (cfg.ini MacroHasMsKey).
bool CheckMacroKeys(const StMacro& macro, int mouseKeyMask);

// The number of events: slots before the first wKey of 0, at most 91.
int macroEventCount(const StMacro& macro);

std::string macroName(const StMacro& macro);
void setMacroName(StMacro& macro, std::string_view name); // first 39 characters

// The name of an event's key: the mouse actions 240 ... 246 by their texts
// (tc_click ... tc_scrolldown), every other code by vkey_to_name.
std::string macroKeyName(int code);

} // namespace kavrel
