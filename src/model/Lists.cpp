#include "model/Lists.h"

namespace kavrel {

// Owning from the start: the records are always the list's own heap copies,
// also in kavrel-cli and the tests, which never run the main window.
CMyList<PROFILE> ProfileList(ListOwnership::Owning);
PROFILE* CurrentProfile = nullptr;

} // namespace kavrel
