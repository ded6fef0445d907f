#include "results/timed_run_json.h"

#include <cmath>
#include <limits>

namespace brenlow {
namespace {

QJsonValue loadValue(double value) { return std::isnan(value) ? QJsonValue(QJsonValue::Null) : QJsonValue(value); }

QJsonArray loadJson(const LoadAverage& load) {
    return {loadValue(load.oneMinute), loadValue(load.fiveMinutes), loadValue(load.fifteenMinutes)};
}

LoadAverage loadOf(const QJsonValue& value) {
    const QJsonArray minutes = value.toArray();
    const auto at = [&](qsizetype i) {
        return i < minutes.size() && minutes[i].isDouble() ? minutes[i].toDouble()
                                                           : std::numeric_limits<double>::quiet_NaN();
    };
    return {at(0), at(1), at(2)};
}

QString text(const std::string& value) { return QString::fromStdString(value); }

}  // namespace

QJsonObject timedRunJson(const TimedRun& run) {
    QJsonObject object{{"started", text(run.started)},
                       {"ended", text(run.ended)},
                       {"jobs", run.jobs},
                       {"codings_at_once", run.codingsAtOnce},
                       {"shared_cores", run.sharedCores()},
                       {"timing_runs", run.timingRuns},
                       {"threads_per_codec", run.threadsPerCodec},
                       {"processor", text(run.processor)},
                       {"cores", run.cores},
                       {"load_average_start", loadJson(run.loadAtStart)},
                       {"load_average_end", loadJson(run.loadAtEnd)},
                       {"items", run.items}};
    if (!run.shard.empty()) object["shard"] = text(run.shard);
    return object;
}

TimedRun timedRunOf(const QJsonObject& object) {
    TimedRun run;
    run.started = object["started"].toString().toStdString();
    run.ended = object["ended"].toString().toStdString();
    run.shard = object["shard"].toString().toStdString();
    run.jobs = object["jobs"].toInt();
    run.codingsAtOnce = object["codings_at_once"].toInt();
    run.timingRuns = object["timing_runs"].toInt();
    run.threadsPerCodec = object["threads_per_codec"].toInt();
    run.processor = object["processor"].toString().toStdString();
    run.cores = object["cores"].toInt();
    run.loadAtStart = loadOf(object["load_average_start"]);
    run.loadAtEnd = loadOf(object["load_average_end"]);
    run.items = object["items"].toInt();
    return run;
}

QJsonArray timedRunsJson(const std::vector<TimedRun>& runs) {
    QJsonArray array;
    for (const TimedRun& run : runs) array.append(timedRunJson(run));
    return array;
}

QJsonObject withTimedRuns(QJsonObject timing, const std::vector<TimedRun>& runs) {
    bool shared = false;
    for (const TimedRun& run : runs) shared = shared || run.sharedCores();
    QJsonArray warnings;
    for (const std::string& warning : timingWarnings(runs)) warnings.append(text(warning));
    timing["conditions"] = timedRunsJson(runs);
    timing["shared_cores"] = shared;
    timing["warnings"] = warnings;
    return timing;
}

}  // namespace brenlow
