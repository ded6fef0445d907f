#include "io/large_memory.h"

#include <algorithm>
#include <cstdlib>

#include <sys/mman.h>

namespace brenlow {

void* allocateLargeMemory(std::size_t bytes) {
    constexpr std::size_t kCacheLine = 64;
    bytes = std::max<std::size_t>(bytes, 1);
#if defined(MADV_HUGEPAGE)
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    if (bytes >= kHugePage) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* memory = std::aligned_alloc(kHugePage, rounded);
        if (memory != nullptr) {
            madvise(memory, rounded, MADV_HUGEPAGE);
            return memory;
        }
    }
#endif
    return std::aligned_alloc(kCacheLine, (bytes + kCacheLine - 1) / kCacheLine * kCacheLine);
}

}  // namespace brenlow
