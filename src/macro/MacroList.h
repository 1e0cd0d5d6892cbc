#pragma once

#include "macro/StMacro.h"
#include "model/CMyList.h"

namespace kavrel {

// The macro library in memory; lookups by dwId take the first match in list
// order. It owns its records (a node's removal frees its record); the
// interface thread fills and edits it under ApplyDataMutex() once the apply
// worker runs.
extern CMyList<StMacro> MacroList;

} // namespace kavrel
