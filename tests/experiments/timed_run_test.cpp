#include "experiments/timed_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "experiments/coding_clock.h"
#include "experiments/dataset_outcome.h"
#include "experiments/sweep.h"

namespace brenlow {
namespace {

TEST(TimedRunTest, LoadAveragesReadWhatTheLineGivesAndNothingElse) {
    const LoadAverage load = loadAverageOf("0.52 1.5 12.25 3/412 98765");
    EXPECT_DOUBLE_EQ(load.oneMinute, 0.52);
    EXPECT_DOUBLE_EQ(load.fiveMinutes, 1.5);
    EXPECT_DOUBLE_EQ(load.fifteenMinutes, 12.25);
    const LoadAverage cut = loadAverageOf("3 busy");
    EXPECT_DOUBLE_EQ(cut.oneMinute, 3.0);
    EXPECT_TRUE(std::isnan(cut.fiveMinutes) && std::isnan(cut.fifteenMinutes));
    EXPECT_TRUE(std::isnan(loadAverageOf("").oneMinute));
}

TimedRun record(const std::string& started, const std::string& ended, int jobs, double loadAtEnd) {
    TimedRun run;
    run.started = started;
    run.ended = ended;
    run.jobs = jobs;
    run.codingsAtOnce = jobs;
    run.timingRuns = 1;
    run.threadsPerCodec = 1;
    run.processor = "a processor";
    run.cores = 4;
    run.loadAtEnd.oneMinute = loadAtEnd;
    return run;
}

// Items' records become one run each, in the order the runs started, ending where their last item did.
TEST(TimedRunTest, ItemRecordsMakeEachRunOnceWithItsItemsAndTheLoadItsLastItemEndedAt) {
    TimedRun shard = record("2026-01-01T09:00:00.000Z", "2026-01-01T09:05:00.000Z", 1, 0.5);
    shard.shard = "2/2";
    const std::vector<TimedRun> runs =
        distinctRuns({record("2026-01-01T10:00:00.000Z", "2026-01-01T10:02:00.000Z", 2, 3.0), shard, TimedRun{},
                      record("2026-01-01T10:00:00.000Z", "2026-01-01T10:09:00.000Z", 2, 7.0),
                      record("2026-01-01T10:00:00.000Z", "2026-01-01T10:04:00.000Z", 2, 5.0)});
    ASSERT_EQ(runs.size(), 2u) << "a record without a run (kept before runs were recorded) is none";
    EXPECT_EQ(runs[0].shard, "2/2");
    EXPECT_EQ(runs[0].items, 1);
    EXPECT_EQ(runs[1].items, 3);
    EXPECT_EQ(runs[1].ended, "2026-01-01T10:09:00.000Z");
    EXPECT_DOUBLE_EQ(runs[1].loadAtEnd.oneMinute, 7.0);
}

TEST(TimedRunTest, WarningsSayWhenRunsDifferAndWhichSharedTheCoresButTheOneSaidAlready) {
    const TimedRun alone = record("2026-01-01T09:00:00.000Z", "", 1, 0.0);
    const TimedRun shared = record("2026-01-01T10:00:00.000Z", "", 2, 0.0);
    EXPECT_TRUE(timingWarnings({alone, alone}).empty());
    EXPECT_TRUE(timingWarnings({shared}, shared.started).empty());
    const std::vector<std::string> one = timingWarnings({shared});
    ASSERT_EQ(one.size(), 1u);
    EXPECT_NE(one[0].find("2 codings ran at a time and shared the cores"), std::string::npos) << one[0];
    const std::vector<std::string> both = timingWarnings({alone, shared}, shared.started);
    ASSERT_EQ(both.size(), 1u);
    EXPECT_NE(both[0].find("different conditions"), std::string::npos) << both[0];
    EXPECT_NE(both[0].find("-j 1, 1 coding at a time"), std::string::npos) << both[0];
    EXPECT_NE(both[0].find("-j 2, 2 codings at a time"), std::string::npos) << both[0];
    TimedRun elsewhere = alone;
    elsewhere.processor = "another processor";
    EXPECT_EQ(timingWarnings({alone, elsewhere}).size(), 1u);
}

TEST(TimedRunTest, CodingsAtOnceCountEveryPointAndSweepCodingSideBySide) {
    SweepSettings settings;
    settings.curves = defaultSweepCurves();
    settings.curves.resize(1);
    settings.qualities = {30, 60, 90};
    for (const auto& [threads, sweeps, codings] : {std::tuple{2, 1, 2}, {8, 1, 3}, {1, 3, 3}}) {
        settings.threads = threads;
        settings.sweepsAtOnce = sweeps;
        EXPECT_EQ(timedCodingsAtOnce(settings), codings) << threads << " threads, " << sweeps << " sweeps";
    }
}

// Work a library hands to a thread of its own is on the process's clock, not on the coding thread's.
TEST(TimedRunTest, TheProcessClockHoldsTheTimeOfThreadsTheCodingStarts) {
    const auto busyOnAnotherThread = [] {
        std::thread worker([] {
            const double until = threadCpuSeconds() + 0.05;
            while (threadCpuSeconds() < until) {
            }
        });
        worker.join();
        return 0;
    };
    CodingTimes process, thread;
    timedOnCallingThread(1, process, CpuClock::Process, busyOnAnotherThread);
    timedOnCallingThread(1, thread, CpuClock::CodingThread, busyOnAnotherThread);
    EXPECT_GE(process.cpu[0], 0.045);
    EXPECT_LT(thread.cpu[0], 0.02);
}

// Processor-time speeds are taken over the pictures that have processor times, beside the wall-clock ones.
TEST(TimedRunTest, AggregateCpuSpeedsAreMediansOverThePicturesWithProcessorTimes) {
    const CodecCurve curve = defaultSweepCurves().front();
    std::vector<PictureOutcome> outcomes;
    for (double cpu : {0.5, 0.25, std::nan("")}) {
        SweepPoint point;
        point.curve = curve.name;
        point.quality = 50;
        point.megapixels = 1.0;
        point.encodeSeconds = point.decodeSeconds = 1.0;
        point.encodeCpuSeconds = cpu;
        point.decodeCpuSeconds = cpu / 2;
        outcomes.push_back({"p", {{curve}, {point}, false, {}, {}}});
    }
    const std::vector<AggregatePoint> aggregate = aggregatePoints(outcomes, {curve});
    ASSERT_EQ(aggregate.size(), 1u);
    EXPECT_EQ(aggregate[0].timedPictures, 3);
    EXPECT_EQ(aggregate[0].cpuTimedPictures, 2);
    EXPECT_DOUBLE_EQ(aggregate[0].encodeCpuMegapixelsPerSecond, 3.0);
    EXPECT_DOUBLE_EQ(aggregate[0].decodeCpuMegapixelsPerSecond, 6.0);
    EXPECT_DOUBLE_EQ(aggregate[0].encodeMegapixelsPerSecond, 1.0);
}

}  // namespace
}  // namespace brenlow
