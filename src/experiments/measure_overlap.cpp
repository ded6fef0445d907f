#include "experiments/measure_overlap.h"

#include "imaging/parallel.h"

namespace brenlow {

MeasureOverlap::MeasureOverlap(int pointThreads, int timingRuns, int sweepsAtOnce)
    : threads_(pointThreads), on_(pointThreads == 1 && timingRuns <= 1 && sweepsAtOnce < kernelThreads()) {}

}  // namespace brenlow
