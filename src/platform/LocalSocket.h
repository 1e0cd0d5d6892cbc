#pragma once

#include "platform/UniqueFd.h"

#include <string>
#include <string_view>

namespace kavrel::platform {

// Unix stream sockets named by a path in the file system: how a later instance reaches the running one.
// Plain system calls, so that the program loads no network library at start.

// Listens at path, replacing whatever file is there; the socket file is readable and writable by its
// owner only. The descriptor does not block. On failure it is invalid and errorOut holds errno.
UniqueFd listenLocalSocket(const std::string& path, int* errorOut = nullptr);

// The next connection waiting on a listening socket, not blocking; invalid when none waits.
UniqueFd acceptLocalConnection(int listener);

// Connects to path, writes all of bytes and closes, within timeoutMs. False when nobody listens there or
// the listener did not take the bytes in time.
bool sendToLocalSocket(const std::string& path, std::string_view bytes, int timeoutMs);

} // namespace kavrel::platform
