#include "experiments/coding_clock.h"

#include <time.h>

namespace brenlow {

namespace {

double secondsOn(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace

double threadCpuSeconds() { return secondsOn(CLOCK_THREAD_CPUTIME_ID); }

double cpuSeconds(CpuClock clock) {
    return clock == CpuClock::Process ? secondsOn(CLOCK_PROCESS_CPUTIME_ID) : threadCpuSeconds();
}

const char* cpuClockName(CpuClock clock) { return clock == CpuClock::Process ? "process" : "thread"; }

}  // namespace brenlow
