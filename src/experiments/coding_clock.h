#pragma once

#include <chrono>
#include <vector>

#include "imaging/parallel.h"

namespace brenlow {

// The processor time (user + system) the calling thread has spent so far, in seconds.
double threadCpuSeconds();

// Which processor clock a timed coding is read on. The coding thread's clock misses the time of any
// thread a library codes on besides it; the whole process's clock holds it, but also the time of
// whatever else the process does, so it is read only while the coding is all the process does.
enum class CpuClock { CodingThread, Process };

// The processor seconds (user + system) the clock has counted so far.
double cpuSeconds(CpuClock clock);

// "thread" or "process", as results record the clock.
const char* cpuClockName(CpuClock clock);

// One half of a point (its coding or its decoding) over the timing runs: each run's wall-clock
// seconds and the processor seconds spent on it.
struct CodingTimes {
    std::vector<double> wall;
    std::vector<double> cpu;
};

// Runs `step` `runs` times (at least once) with the codec on the calling thread alone, adding each
// run's wall-clock and processor seconds on `clock` to `times`; returns what the last run gave.
template <typename Step>
auto timedOnCallingThread(int runs, CodingTimes& times, CpuClock clock, const Step& step) {
    using Clock = std::chrono::steady_clock;
    const CodingOnCallingThread oneThread;
    for (int run = 1;; ++run) {
        // The processor clock is read inside the wall clock's interval, so that on one thread the
        // processor seconds never exceed the wall-clock seconds.
        const Clock::time_point start = Clock::now();
        const double cpuStart = cpuSeconds(clock);
        auto result = step();
        const double cpu = cpuSeconds(clock) - cpuStart;
        times.wall.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        times.cpu.push_back(cpu);
        if (run >= runs) return result;
    }
}

}  // namespace brenlow
