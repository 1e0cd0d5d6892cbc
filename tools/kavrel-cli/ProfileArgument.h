#pragma once

#include <string>
#include <string_view>

namespace kavrel {
struct PROFILE;
}

namespace kavrel::cli {

struct LoadedProfile {
    PROFILE* profile = nullptr; // an element of ProfileList
    std::string error;          // why none was found
};

// Loads what the program loads before it shows a profile (cfg.ini, the
// language file, the macro library, the profile store, in memory only) and
// picks the profile the argument names: a 1-based index, an id written
// 0x..., or a name.
LoadedProfile loadProfileArgument(std::string_view argument);

} // namespace kavrel::cli
