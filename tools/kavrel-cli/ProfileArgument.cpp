#include "ProfileArgument.h"

#include "app/Config.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"

#include <charconv>

namespace kavrel::cli {
namespace {

std::optional<unsigned long> parseNumber(std::string_view text, int base)
{
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

PROFILE* profileAt(unsigned long index)
{
    unsigned long position = 1;
    for (PROFILE& profile : ProfileList)
        if (position++ == index)
            return &profile;
    return nullptr;
}

PROFILE* profileWithId(unsigned long id)
{
    for (PROFILE& profile : ProfileList)
        if (profile.id == id)
            return &profile;
    return nullptr;
}

PROFILE* profileNamed(std::string_view name)
{
    for (PROFILE& profile : ProfileList)
        if (profileName(profile) == name)
            return &profile;
    return nullptr;
}

} // namespace

LoadedProfile loadProfileArgument(std::string_view argument)
{
    LoadConfig();
    LoadTexts(TextFilePath());
    LoadMacroLibrary();
    OpenStore();

    LoadedProfile loaded;
    if (argument.starts_with("0x") || argument.starts_with("0X")) {
        if (const auto id = parseNumber(argument.substr(2), 16))
            loaded.profile = profileWithId(*id);
    } else if (const auto index = parseNumber(argument, 10)) {
        loaded.profile = profileAt(*index);
    }
    if (!loaded.profile)
        loaded.profile = profileNamed(argument);
    if (!loaded.profile)
        loaded.error = "no profile '" + std::string(argument) + "' (give an index 1.." +
                       std::to_string(ProfileList.count()) + ", an id 0x... or a name)";
    return loaded;
}

} // namespace kavrel::cli
