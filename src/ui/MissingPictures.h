#pragma once

#include <string_view>

// What a window does when a picture of the skin is missing or unreadable: the
// user is told which file (its full path, text tc_skin_missing) in a plain
// system box, once per file for the whole run, however many windows need it.
namespace kavrel {

// Tells the user about this skin picture unless that was done before. Returns
// true when it told now.
bool tellMissingSkinPicture(std::string_view fileName);

// Forgets what was told (tests).
void forgetMissingSkinPictures();

} // namespace kavrel
