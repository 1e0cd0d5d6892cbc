#pragma once

#include "app/KeyInfo.h"

#include <QString>

namespace kavrel::skin {

// The legend printed on a key of the keyboard picture, from the key's factory
// function in the key table: key names by virtual-key code (modifier keys by
// their modifier bit), media and special functions by code. Empty for the
// space bar and unknown codes. This table is the one place the picture's
// legends come from. The program's key names (vkey_to_name) are not used:
// they are display names too long for a keycap, and part of them follow the
// keyboard layout of the machine, while the picture the build draws must not
// depend on the machine it is built on.
QString keyLegend(const KEYINFO& key);

// True when the legend names a function rather than a character (drawn in
// the accent colour).
bool isFunctionLegend(const KEYINFO& key);

} // namespace kavrel::skin
