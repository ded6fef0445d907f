#pragma once

#include <cstddef>
#include <functional>

namespace brenlow {

// How many threads the kernels use: the machine's cores (at least 1).
int kernelThreads();

// Runs task(0) ... task(count - 1), spread over kernelThreads() threads, and returns when all
// have finished. The first exception a task throws is rethrown here. Tasks must not depend on
// one another's order; each writes only its own part of the output.
void parallelFor(int count, const std::function<void(int)>& task);

// The same on exactly `threads` threads (at most count), for a few long tasks that the system
// should share out over the cores.
void parallelFor(int count, int threads, const std::function<void(int)>& task);

// Splits rows [begin, end) into at most kernelThreads() contiguous bands and runs
// task(bandBegin, bandEnd) for each; pictures below `minRowsPerBand` rows per band run in one band.
void parallelRows(int begin, int end, const std::function<void(int, int)>& task, int minRowsPerBand = 64);

}  // namespace brenlow
