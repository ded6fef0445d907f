#pragma once

#include <cstddef>

namespace brenlow {

// Memory for tens of megabytes that are written once before they are read, freed with std::free:
// from this size on in huge pages where the system has them, so that the first writes take a few
// hundred times fewer page faults, and freeing it unmaps fewer pages. Null when out of memory.
// Aligned to at least 64 bytes.
void* allocateLargeMemory(std::size_t bytes);

}  // namespace brenlow
