#pragma once

#include <string>

namespace kavrel {
struct PROFILE;
}

namespace kavrel::cli {

// The profile of ProfileList that an argument names: a 1-based index, an id
// written 0x..., or a name; its index through indexOut. Null when none.
const PROFILE* findProfile(const std::string& wanted, int* indexOut);

struct LoadedProfile {
    PROFILE* profile = nullptr; // an element of ProfileList
    std::string error; // why none was found
};

// Loads what the program loads before it applies a profile (language file,
// cfg.ini, the macro library, the profile store; in memory, nothing is
// written) and picks the profile the argument names.
LoadedProfile loadProfileArgument(const std::string& argument);

} // namespace kavrel::cli
