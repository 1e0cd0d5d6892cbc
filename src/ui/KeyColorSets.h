#pragma once

#include "app/KeyInfo.h"

#include <array>
#include <cstdint>

// The per-key colour sets of a profile are kept by matrix position; the
// keyboard view keeps colours by key index (entry of KeyTable). These two
// functions translate between them.
namespace kavrel {

struct PROFILE;

using KeyColorArray = std::array<std::uint32_t, KeyTableSize>;

// The colours of a set in key order: key i gets the set's entry at key i's
// matrixIndex in KeyTable, for every key below KeyCount; the rest are 0. A set
// outside 0 ... 9 or a matrix position outside the set gives 0 (no colour).
KeyColorArray keyColorsOfSet(const PROFILE& profile, unsigned set);

// Stores colours in key order into a set by matrix position, for every key
// below KeyCount. Does nothing for a set outside 0 ... 9; keys whose matrix
// position lies outside the set are skipped.
void storeKeyColorsInSet(PROFILE& profile, unsigned set, const KeyColorArray& colors);

} // namespace kavrel
