#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <vector>

#include "experiments/timed_run.h"

namespace brenlow {

// A run's timing conditions as results keep them: "started", "ended", "shard" (when one), "jobs",
// "codings_at_once", "shared_cores", "timing_runs", "threads_per_codec", "processor", "cores",
// "load_average_start" and "load_average_end" ([1, 5, 15 minutes], null where unknown), "items".
QJsonObject timedRunJson(const TimedRun& run);

// The run a result file records; none (no start) for an object without one.
TimedRun timedRunOf(const QJsonObject& object);

// Each run's object, in order.
QJsonArray timedRunsJson(const std::vector<TimedRun>& runs);

// A timing parameters object with the runs that timed the results: "conditions" (each run's
// object), "shared_cores" (whether any run timed codings side by side) and "warnings" (as
// timingWarnings gives them).
QJsonObject withTimedRuns(QJsonObject timing, const std::vector<TimedRun>& runs);

}  // namespace brenlow
