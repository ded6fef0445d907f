#include "measures/kept_measure_memory.h"

#include <mutex>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace brenlow {
namespace {

std::mutex keptLock;
int kept = 0;

#if defined(__GLIBC__)
// Blocks up to this size come from the heap: the measures' blocks of pictures up to a megapixel or
// two. Larger ones are mapped and unmapped on their own as ever, so a large picture's run keeps no
// more memory than before.
constexpr int kLargestHeapBlock = 8 << 20;
// Free memory up to this much stays at the top of each heap: a point's measures of a small picture.
constexpr int kKeptFreeMemory = 64 << 20;
// Where glibc's own rule leaves the trimming threshold once blocks of 32 MB have been freed.
constexpr int kUsualTrimThreshold = 64 << 20;
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
