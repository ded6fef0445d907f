#pragma once

#include <limits>
#include <string>
#include <vector>

namespace brenlow {

// The machine's load average over 1, 5 and 15 minutes, as the system keeps it; NaN where it cannot
// be read.
struct LoadAverage {
    double oneMinute = std::numeric_limits<double>::quiet_NaN();
    double fiveMinutes = std::numeric_limits<double>::quiet_NaN();
    double fifteenMinutes = std::numeric_limits<double>::quiet_NaN();
};

// The load average now, from /proc/loadavg.
LoadAverage currentLoadAverage();

// The load average a /proc/loadavg line gives ("0.52 0.58 0.59 1/123 4567"); NaN for what does not read.
LoadAverage loadAverageOf(const std::string& line);

// The processor's model name as the system gives it; "unknown" when it cannot be read.
std::string processorName();

// How one run timed its codings, so that its speeds can be judged and told from another run's: a
// data set's items keep the record of the run that made them, whatever run resumes or merges them.
struct TimedRun {
    std::string started;     // UTC, ISO 8601 to the millisecond: which run it is
    std::string ended;       // of the run, or in an item's record of the item
    std::string shard;       // "I/N" for one shard of a data set, else empty
    int jobs = 0;            // items (a picture's points, for one picture) the run worked on at once
    int codingsAtOnce = 0;   // timed codings that ran side by side: above 1 they shared the cores
    int timingRuns = 0;
    int threadsPerCodec = 0;
    std::string processor;
    int cores = 0;
    LoadAverage loadAtStart;
    LoadAverage loadAtEnd;
    int items = 0;           // of a data set, the items it timed that the data set holds

    bool sharedCores() const { return codingsAtOnce > 1; }
    // The same jobs, codings at once, timing runs, threads per codec and machine; the loads, times
    // and shards aside.
    bool timedAlike(const TimedRun& other) const;
};

// A run starting now on this machine.
TimedRun timedRunStarting(int jobs, int codingsAtOnce, int timingRuns, int threadsPerCodec);

// The run (or an item of it) ends now: its end time and load.
void endTimedRun(TimedRun& run);

// The runs that items' records name, each once, in the order they started: each with the count of
// its items and, as its end, that of its item that ended last.
std::vector<TimedRun> distinctRuns(const std::vector<TimedRun>& itemRecords);

// distinctRuns taken a record at a time, so that a data set read a picture at a time keeps its
// runs, not every item's record.
class DistinctRuns {
public:
    void add(const TimedRun& record);
    // The runs of the records added, as distinctRuns gives them.
    std::vector<TimedRun> runs() const;

private:
    std::vector<TimedRun> runs_;  // in the order first named
};

// "2 codings at a time" or similar, for a run that shared the cores; `unit` names what was coded
// side by side ("items", "points").
std::string sharedCoresWarning(int codingsAtOnce, const std::string& unit);

// What a reader must know before comparing the runs' times: that they were timed under different
// conditions (naming how), and each run that shared the cores, but the one started at `saidAlready`
// (the run just made, whose warning was given as it began). Empty when the times stand as they are.
std::vector<std::string> timingWarnings(const std::vector<TimedRun>& runs, const std::string& saidAlready = {});

// "-j 2, 2 codings at a time, 3 timing runs, 1 thread per codec, Intel ... (8 cores)".
std::string timedRunSetUp(const TimedRun& run);

}  // namespace brenlow
