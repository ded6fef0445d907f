#pragma once

namespace brenlow {

// While one lives, the memory the measures free stays with the process for the next point, instead
// of going back to the system and being faulted in again page by page: Butteraugli alone takes and
// frees some 250 bytes a pixel at every point, which cost a fifth of its time in the kernel. When
// the last one goes, the free memory goes back to the system. Any thread may make and drop them.
class KeptMeasureMemory {
public:
    KeptMeasureMemory();
    ~KeptMeasureMemory();
    KeptMeasureMemory(const KeptMeasureMemory&) = delete;
    KeptMeasureMemory& operator=(const KeptMeasureMemory&) = delete;
};

}  // namespace brenlow
