#include "ProfileArgument.h"
#include "ProgramFiles.h"

#include "app/Config.h"
#include "macro/MacroLibrary.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"

#include <cstdlib>

namespace kavrel::cli {
namespace {

bool allDigits(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

const PROFILE* findProfile(const std::string& wanted, int* indexOut)
{
    const bool byId = wanted.size() > 2 && (wanted.starts_with("0x") || wanted.starts_with("0X"));
    const unsigned long number = byId ? std::strtoul(wanted.c_str() + 2, nullptr, 16)
                                      : (allDigits(wanted) ? std::strtoul(wanted.c_str(), nullptr, 10) : 0);
    int index = 0;
    for (const PROFILE& profile : ProfileList) {
        ++index;
        const bool match = byId ? profile.id == number
            : allDigits(wanted) ? unsigned(index) == number
                                : profileName(profile) == wanted;
        if (match) {
            *indexOut = index;
            return &profile;
        }
    }
    return nullptr;
}

LoadedProfile loadProfileArgument(const std::string& argument)
{
    loadFor(LoadProgramFiles | LoadMacroLibrary | LoadProfileStore);

    LoadedProfile loaded;
    int index = 0;
    loaded.profile = const_cast<PROFILE*>(findProfile(argument, &index));
    if (!loaded.profile)
        loaded.error = "no profile " + argument + " (give an index 1.." + std::to_string(ProfileList.count())
            + ", an id 0x... or a name)";
    return loaded;
}

} // namespace kavrel::cli
