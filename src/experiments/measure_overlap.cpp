#include "experiments/measure_overlap.h"

#include "imaging/parallel.h"

namespace brenlow {

MeasureOverlap::MeasureOverlap(int pointThreads, int timingRuns)
    : threads_(pointThreads), on_(pointThreads == 1 && timingRuns <= 1 && kernelThreads() > 1) {}

}  // namespace brenlow
