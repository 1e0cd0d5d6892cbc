#pragma once

#include "macro/StMacro.h"
#include "model/CMyList.h"
#include "model/Profile.h"

// The program's in-memory records. Both lists own their records (a node's
// removal frees its record); the interface thread fills and edits them.
namespace kavrel {

// The profiles of the store, in store order.
extern CMyList<PROFILE> ProfileList;

// The profile the windows show and edit and that an apply writes: always an
// element of ProfileList, or null before the store is loaded.
extern PROFILE* CurrentProfile;

// The macro library; lookups by dwId take the first match in list order.
extern CMyList<StMacro> MacroList;

} // namespace kavrel
