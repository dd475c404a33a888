// Large buffers that are filled once (the list's text blocks, a whole output file) fault in page
// by page; on Linux they can ask for huge pages instead, which cuts that cost by two orders of
// magnitude. Elsewhere these are plain allocations and the hint does nothing.
#pragma once

#include <cstddef>

namespace vintrel {

// Asks for huge pages for the whole 2 MiB pages inside [data, data + bytes). Only a hint.
void offerHugePages(void* data, std::size_t bytes);

// A zero-filled block of `bytes` that may be backed by huge pages; freed with
// freeLargeBlock(same size).
void* allocateLargeBlock(std::size_t bytes);
void freeLargeBlock(void* data, std::size_t bytes);

}  // namespace vintrel
