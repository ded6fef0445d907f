#include "research/kept_measure_memory.h"

#include <mutex>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace brenlow {
namespace {

std::mutex keptLock;
int kept = 0;

#if defined(__GLIBC__)
// glibc's own ceiling for the threshold above which a block is mapped on its own; the blocks of
// the measures of a picture of a few megapixels lie below it.
constexpr int kLargestHeapBlock = 32 << 20;
constexpr int kKeptFreeMemory = 512 << 20;
// Where glibc's own rule leaves the trimming threshold once blocks of that size have been freed.
constexpr int kUsualTrimThreshold = 2 * kLargestHeapBlock;
#endif

}  // namespace

KeptMeasureMemory::KeptMeasureMemory() {
    const std::lock_guard lock(keptLock);
    if (kept++ > 0) return;
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
    mallopt(M_TRIM_THRESHOLD, kKeptFreeMemory);
#endif
}

KeptMeasureMemory::~KeptMeasureMemory() {
    const std::lock_guard lock(keptLock);
    if (--kept > 0) return;
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, kUsualTrimThreshold);
    malloc_trim(0);
#endif
}

}  // namespace brenlow
