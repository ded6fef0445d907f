#pragma once

#include <cstddef>
#include <functional>

namespace brenlow {

// How many threads the kernels use: the machine's cores (at least 1); 1 on a thread that holds a
// CodingOnCallingThread.
int kernelThreads();

// While one lives, the kernels and codec libraries called from the thread that made it run on that
// thread alone, so that a timed coding is on one core and its processor time on one thread's
// clock. Every output is the same as on every core. Scopes nest; each belongs to its thread.
class CodingOnCallingThread {
public:
    CodingOnCallingThread();
    ~CodingOnCallingThread();
    CodingOnCallingThread(const CodingOnCallingThread&) = delete;
    CodingOnCallingThread& operator=(const CodingOnCallingThread&) = delete;
};

// Whether the calling thread holds a CodingOnCallingThread.
bool codingOnCallingThread();

// Runs task(0) ... task(count - 1), spread over kernelThreads() threads, and returns when all
// have finished. The first exception a task throws is rethrown here. Tasks must not depend on
// one another's order; each writes only its own part of the output.
void parallelFor(int count, const std::function<void(int)>& task);

// The same on exactly `threads` threads (at most count; one under CodingOnCallingThread), for a
// few long tasks that the system should share out over the cores.
void parallelFor(int count, int threads, const std::function<void(int)>& task);

// Splits rows [begin, end) into at most kernelThreads() contiguous bands and runs
// task(bandBegin, bandEnd) for each; pictures below `minRowsPerBand` rows per band run in one band.
void parallelRows(int begin, int end, const std::function<void(int, int)>& task, int minRowsPerBand = 64);

}  // namespace brenlow
