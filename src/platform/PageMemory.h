#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kavrel::platform {

// Maps the memory pages of a block that is about to be written in full, in one call, instead of one page
// fault per page as each is first written: a fault costs many times its share of that call, in a virtual
// machine above all, and a window-sized picture has hundreds of pages. Only the whole pages inside the block
// are mapped; a block under 64 KB, or a kernel without the call (before 5.14), is left as it is. The
// contents do not change.
void populatePages(void* data, std::size_t bytes);

// A block of zero bytes, its pages mapped in one call.
std::vector<std::uint8_t> zeroedBytes(std::size_t size);

} // namespace kavrel::platform
