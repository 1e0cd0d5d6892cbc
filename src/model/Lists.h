#pragma once

#include "model/CMyList.h"
#include "model/Profile.h"

// The program's in-memory profiles. The list owns its records (a node's
// removal frees its record); the interface thread fills and edits it. The
// macro library lives with the macro records: macro/MacroList.h.
namespace kavrel {

// The profiles of the store, in store order.
extern CMyList<PROFILE> ProfileList;

// The profile the windows show and edit and that an apply writes: always an
// element of ProfileList, or null before the store is loaded.
extern PROFILE* CurrentProfile;

} // namespace kavrel
