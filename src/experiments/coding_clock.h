#pragma once

#include <chrono>
#include <vector>

#include "imaging/parallel.h"

namespace brenlow {

// The processor time (user + system) the calling thread has spent so far, in seconds.
double threadCpuSeconds();

// One half of a point (its coding or its decoding) over the timing runs: each run's wall-clock
// seconds and the processor seconds spent on it.
struct CodingTimes {
    std::vector<double> wall;
    std::vector<double> cpu;
};

// Runs `step` `runs` times (at least once) with the codec on the calling thread alone, adding each
// run's wall-clock and thread processor seconds to `times`; returns what the last run gave. With
// the coding on one thread, that thread's clock holds all of its processor time.
template <typename Step>
auto timedOnCallingThread(int runs, CodingTimes& times, const Step& step) {
    using Clock = std::chrono::steady_clock;
    const CodingOnCallingThread oneThread;
    for (int run = 1;; ++run) {
        // The processor clock is read inside the wall clock's interval, so that on one thread the
        // processor seconds never exceed the wall-clock seconds.
        const Clock::time_point start = Clock::now();
        const double cpuStart = threadCpuSeconds();
        auto result = step();
        const double cpu = threadCpuSeconds() - cpuStart;
        times.wall.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        times.cpu.push_back(cpu);
        if (run >= runs) return result;
    }
}

}  // namespace brenlow
