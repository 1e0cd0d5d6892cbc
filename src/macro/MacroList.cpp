#include "macro/MacroList.h"

namespace kavrel {

// Owning from the start: the records are always the list's own heap copies,
// also in kavrel-cli and the tests, which never run the main window.
CMyList<StMacro> MacroList(ListOwnership::Owning);

} // namespace kavrel
