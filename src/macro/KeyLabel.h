#pragma once

#include "app/KeyInfo.h"

#include <string>

// How an assignment is shown to the user in one line. It lives with the macro
// records because a macro assignment shows the macro's name from MacroList.
namespace kavrel {

// The one-line label of an assignment: the macro's name for kind 5 (empty
// when the macro is gone), the combination for kind 2, the fire target for
// code 164, otherwise the function's text by code (empty for unknown codes).
std::string keyinfo_to_text(const KEYINFO& key);

} // namespace kavrel
