#include "experiments/timed_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

namespace brenlow {
namespace {

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Milliseconds tell apart runs started within one second (shards started together).
std::string utcNowIso() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const long milliseconds = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    std::snprintf(text + length, sizeof text - length, ".%03ldZ", milliseconds);
    return text;
}

std::string plural(int count, const std::string& one, const std::string& many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

LoadAverage loadAverageOf(const std::string& line) {
    std::istringstream in(line);
    LoadAverage load;
    for (double* value : {&load.oneMinute, &load.fiveMinutes, &load.fifteenMinutes}) {
        double read = 0.0;
        if (!(in >> read)) break;
        *value = read;
    }
    return load;
}

LoadAverage currentLoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string line;
    std::getline(in, line);
    return loadAverageOf(line);
}

std::string processorName() {
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || trimmed(line.substr(0, colon)) != "model name") continue;
        const std::string name = trimmed(line.substr(colon + 1));
        return name.empty() ? "unknown" : name;
    }
    return "unknown";
}

bool TimedRun::timedAlike(const TimedRun& other) const {
    return jobs == other.jobs && codingsAtOnce == other.codingsAtOnce && timingRuns == other.timingRuns &&
           threadsPerCodec == other.threadsPerCodec && processor == other.processor && cores == other.cores;
}

TimedRun timedRunStarting(int jobs, int codingsAtOnce, int timingRuns, int threadsPerCodec) {
    TimedRun run;
    run.started = utcNowIso();
    run.jobs = jobs;
    run.codingsAtOnce = codingsAtOnce;
    run.timingRuns = timingRuns;
    run.threadsPerCodec = threadsPerCodec;
    run.processor = processorName();
    run.cores = static_cast<int>(std::thread::hardware_concurrency());
    run.loadAtStart = currentLoadAverage();
    return run;
}

void endTimedRun(TimedRun& run) {
    run.ended = utcNowIso();
    run.loadAtEnd = currentLoadAverage();
}

void DistinctRuns::add(const TimedRun& record) {
    if (record.started.empty()) return;
    auto run = std::find_if(runs_.begin(), runs_.end(), [&](const TimedRun& known) {
        return known.started == record.started && known.shard == record.shard;
    });
    if (run == runs_.end()) {
        runs_.push_back(record);
        runs_.back().items = 1;
        return;
    }
    ++run->items;
    // ISO 8601 times in UTC sort as text.
    if (record.ended > run->ended) {
        run->ended = record.ended;
        run->loadAtEnd = record.loadAtEnd;
    }
}

std::vector<TimedRun> DistinctRuns::runs() const {
    std::vector<TimedRun> runs = runs_;
    std::stable_sort(runs.begin(), runs.end(),
                     [](const TimedRun& a, const TimedRun& b) { return a.started < b.started; });
    return runs;
}

std::vector<TimedRun> distinctRuns(const std::vector<TimedRun>& itemRecords) {
    DistinctRuns runs;
    for (const TimedRun& record : itemRecords) runs.add(record);
    return runs.runs();
}

std::string sharedCoresWarning(int codingsAtOnce, const std::string& unit) {
    return "Timing: " + std::to_string(codingsAtOnce) + " " + unit +
           " ran at a time and shared the cores, so their times are not those of one alone; -j 1 times each "
           "by itself";
}

std::string timedRunSetUp(const TimedRun& run) {
    return "-j " + std::to_string(run.jobs) + ", " + plural(run.codingsAtOnce, "coding", "codings") + " at a time, " +
           plural(run.timingRuns, "timing run", "timing runs") + ", " +
           plural(run.threadsPerCodec, "thread", "threads") + " per codec, " + run.processor + " (" +
           plural(run.cores, "core", "cores") + ")";
}

std::vector<std::string> timingWarnings(const std::vector<TimedRun>& runs, const std::string& saidAlready) {
    std::vector<std::string> warnings;
    const bool alike = std::all_of(runs.begin(), runs.end(),
                                   [&](const TimedRun& run) { return run.timedAlike(runs.front()); });
    if (!alike) {
        std::string line = "Timing: the items were timed under different conditions, so their times do not compare:";
        for (const TimedRun& run : runs) {
            line += ' ';
            if (!run.shard.empty()) line.append("shard ").append(run.shard).append(" ");
            line.append("run of ").append(run.started).append(" (").append(plural(run.items, "item", "items"));
            line.append("): ").append(timedRunSetUp(run)).append(";");
        }
        line.back() = '.';
        warnings.push_back(line);
    }
    for (const TimedRun& run : runs)
        if (run.sharedCores() && run.started != saidAlready)
            warnings.push_back(sharedCoresWarning(run.codingsAtOnce, "codings") + " (the run of " + run.started +
                               (run.shard.empty() ? "" : ", shard " + run.shard) + ")");
    return warnings;
}

}  // namespace brenlow
