#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include "experiments/dataset_inputs.h"
#include "io/error.h"
#include "measures/measure_table.h"
#include "results/dataset_run.h"
#include "support/dataset_pictures.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

// What two runs of the same inputs share: every column but the clock's.
std::string untimed(const std::string& csv) { return testing::withoutLastColumns(csv, kSweepCsvTimingColumns); }
std::string untimedAggregate(const std::string& csv) {
    return testing::withoutLastColumns(csv, kAggregateCsvTimingColumns);
}

using testing::TempDir;
namespace fs = std::filesystem;

void touch(const std::string& path) {
    std::ofstream(path) << "x";
}

TEST(DataSetInputsTest, FoldersGiveTheirPicturesByNameAndPatternsTheirMatches) {
    TempDir dir;
    fs::create_directory(dir.path() / "set");
    fs::create_directory(dir.path() / "set" / "inner.png");
    for (const char* name : {"b.PNG", "a.jpeg", "c.Tiff", "notes.txt", "d.webp", "e.gif"})
        touch(dir.file("set/") + name);
    const std::string set = dir.file("set");
    EXPECT_EQ(expandPictureArguments({set}), (std::vector<std::string>{set + "/a.jpeg", set + "/b.PNG", set + "/c.Tiff",
                                                                       set + "/d.webp", set + "/e.gif"}));
    EXPECT_EQ(expandPictureArguments({set + "/[bd]*", set + "/a.jpeg"}),
              (std::vector<std::string>{set + "/b.PNG", set + "/d.webp", set + "/a.jpeg"}));
    EXPECT_TRUE(asksForDataSet({set}));
    EXPECT_TRUE(asksForDataSet({set + "/*.gif"}));
    EXPECT_FALSE(asksForDataSet({set + "/e.gif"}));
    EXPECT_FALSE(asksForDataSet({dir.file("missing.bmp")})) << "left to the single sweep, which names it";

    EXPECT_NE(testing::messageOf([&] { expandPictureArguments({set + "/*.bmp"}); }).find("No file or folder matches"),
              std::string::npos);
    fs::create_directory(dir.path() / "empty");
    EXPECT_NE(testing::messageOf([&] { expandPictureArguments({dir.file("empty")}); }).find("holds no picture"),
              std::string::npos);
    EXPECT_NE(testing::messageOf([&] {
                  expandPictureArguments({set, set + "/e.gif"});
              }).find("named twice"),
              std::string::npos);
}

TEST(DataSetShardTest, ShardsAreDisjointCoverEveryItemAndTakeEveryNth) {
    const std::size_t curves = 3;
    const std::vector<DataSetItem> items = dataSetItems(5, curves);
    ASSERT_EQ(items.size(), 15u);
    EXPECT_EQ(items[4].picture, 1u);
    EXPECT_EQ(items[4].curve, 1u);
    std::vector<int> owner(items.size(), 0);
    for (int shard = 1; shard <= 4; ++shard) {
        for (const DataSetItem& item : shardOf(items, shard, 4)) {
            const std::size_t k = item.picture * curves + item.curve;
            EXPECT_EQ(owner[k], 0) << "item " << k << " in two shards";
            EXPECT_EQ(static_cast<int>(k % 4) + 1, shard);
            owner[k] = shard;
        }
    }
    EXPECT_EQ(std::count(owner.begin(), owner.end(), 0), 0);
    EXPECT_THROW(shardOf(items, 5, 4), Error);
    EXPECT_THROW(shardOf(items, 0, 4), Error);
}

TEST(DataSetSummaryTest, NaNsAreLeftOutAndCountedAndTheDeviationIsTheSampleOne) {
    const double nan = std::nan("");
    const DeltaSummary even = summarise({4.0, nan, 1.0, 3.0, 2.0});
    EXPECT_EQ(even.count, 4);
    EXPECT_EQ(even.leftOut, 1);
    EXPECT_DOUBLE_EQ(even.mean, 2.5);
    EXPECT_DOUBLE_EQ(even.median, 2.5);
    EXPECT_DOUBLE_EQ(even.min, 1.0);
    EXPECT_DOUBLE_EQ(even.max, 4.0);
    EXPECT_DOUBLE_EQ(even.stdev, std::sqrt(5.0 / 3.0));
    EXPECT_DOUBLE_EQ(summarise({7.0, -1.0, 3.0}).median, 3.0);
    const DeltaSummary one = summarise({nan, 2.0});
    EXPECT_TRUE(std::isnan(one.stdev));
    EXPECT_DOUBLE_EQ(one.mean, 2.0);
    EXPECT_TRUE(std::isnan(summarise({nan}).mean));
}

// Five small pictures through two of our codecs at four qualities, with MS-SSIM, which two of the
// pictures are too small for.
class DataSetRunTest : public ::testing::Test {
protected:
    DataSetRunTest() : pictures(testing::makeSmallDataSet(dir.path().string())) {
        run.pictures = pictures;
        run.settings.curves = defaultCurves({StillCodec::Jpeg, StillCodec::Ajc});
        run.settings.qualities = {30, 50, 70, 90};
        run.settings.measures = MeasureChoice::only({"ms_ssim"});
        run.versions = {{"brenlow", "test"}};
        run.jobs = 2;
    }

    DataSetOutcome runInMemory() {
        DataSetRun inMemory = run;
        inMemory.resultFolder.clear();
        return collectDataSet(inMemory, runDataSetItems(inMemory));
    }

    // Runs the three shards of `run` into folders of their own, handing each shard's work to `check`.
    template <typename Check>
    std::vector<std::string> runThreeShards(bool holdResults, Check check) {
        std::vector<std::string> folders;
        for (int shard = 1; shard <= 3; ++shard) {
            DataSetRun part = run;
            part.shard = shard;
            part.shardCount = 3;
            part.resultFolder = shardDirs[static_cast<std::size_t>(shard - 1)].path().string();
            part.holdResults = holdResults;
            check(shard, runDataSetItems(part));
            folders.push_back(part.resultFolder);
        }
        return folders;
    }

    TempDir dir;
    TempDir results;
    std::vector<std::string> pictures;
    DataSetRun run;
    std::vector<TempDir> shardDirs = std::vector<TempDir>(3);
};

TEST_F(DataSetRunTest, TheAggregateIsTheMeanOverThePicturesThatHaveEachMeasure) {
    const DataSetOutcome outcome = runInMemory();
    ASSERT_EQ(outcome.outcomes.size(), 5u);
    ASSERT_EQ(outcome.aggregate.size(), 8u);
    const std::size_t msSsim =
        static_cast<std::size_t>(std::find(curveMeasures().begin(), curveMeasures().end(), CurveMeasure("ms_ssim_y_db")) -
                                 curveMeasures().begin());
    const std::size_t psnr = 0;
    for (const AggregatePoint& point : outcome.aggregate) {
        SCOPED_TRACE(point.curve + " at " + std::to_string(point.quality));
        double bits = 0.0, psnrSum = 0.0, msSsimSum = 0.0;
        int msSsimCount = 0;
        for (const PictureOutcome& picture : outcome.outcomes) {
            const auto at =
                std::find_if(picture.sweep.points.begin(), picture.sweep.points.end(),
                             [&](const SweepPoint& p) { return p.curve == point.curve && p.quality == point.quality; });
            ASSERT_NE(at, picture.sweep.points.end());
            bits += at->measures.bitsPerPixel;
            psnrSum += at->measures.picture.psnr;
            if (!std::isnan(at->measures.picture.msSsimLuma)) {
                msSsimSum += at->measures.picture.msSsimLumaDb;
                ++msSsimCount;
            }
        }
        EXPECT_EQ(point.pictures, 5);
        EXPECT_DOUBLE_EQ(point.bitsPerPixel, bits / 5);
        EXPECT_DOUBLE_EQ(point.means[psnr], psnrSum / 5);
        EXPECT_EQ(point.counts[msSsim], 3) << "two pictures are below 176 pixels";
        EXPECT_DOUBLE_EQ(point.means[msSsim], msSsimSum / 3);
    }
    const std::vector<RatePoint> curve = aggregateCurve(outcome, "ajc", CurveMeasure("psnr"));
    ASSERT_EQ(curve.size(), 4u);
    EXPECT_EQ(curve[2].rate, outcome.aggregate[6].bitsPerPixel);

    const std::vector<PerPictureDeltas> perPicture = perPictureDeltaTable(outcome, "jpeg");
    ASSERT_FALSE(perPicture.empty());
    EXPECT_EQ(perPicture.front().rates.size(), 5u);
    EXPECT_EQ(perPicture.front().rate.count + perPicture.front().rate.leftOut, 5);
    EXPECT_EQ(aggregateDeltaTable(outcome, "jpeg").size(), perPicture.size());
}

// Each report names the item whose point was done, so that a caller can say what is being coded.
TEST_F(DataSetRunTest, EveryProgressReportNamesTheItemOfItsPoint) {
    run.jobs = 1;
    std::map<std::string, int> pointsOf;
    runDataSetItems(run, [&](int, int, const std::string& item, const std::vector<std::string>&) {
        ++pointsOf[item];
        return true;
    });
    std::map<std::string, int> expected;
    for (const std::string& picture : pictures)
        for (const std::string curve : {"jpeg", "ajc"}) expected[curve + " on " + picture] = 4;
    EXPECT_EQ(pointsOf, expected);
}

// The items under way are named as they are, not guessed from the points done: each report's item is
// among them, no more than the run's threads are listed, and with two threads two items are seen at once.
TEST_F(DataSetRunTest, EveryProgressReportNamesTheItemsUnderWay) {
    run.jobs = 2;
    std::size_t mostAtOnce = 0;
    bool itemAmongThem = true;
    runDataSetItems(run, [&](int, int, const std::string& item, const std::vector<std::string>& running) {
        mostAtOnce = std::max(mostAtOnce, running.size());
        itemAmongThem = itemAmongThem && std::find(running.begin(), running.end(), item) != running.end();
        return true;
    });
    EXPECT_TRUE(itemAmongThem);
    EXPECT_EQ(mostAtOnce, 2u);
}

// A picture that fails still counts its points, so that a progress bar reaches its end; the
// others are made.
TEST_F(DataSetRunTest, AFailingPictureEndsOnlyItsItemsAndTheProgressReachesItsEnd) {
    std::ofstream(dir.file("cut.png"), std::ios::binary) << testing::fileBytes(pictures[0]).substr(0, 200);
    run.pictures.push_back(dir.file("cut.png"));
    int lastDone = 0, total = 0;
    const DataSetWork work = runDataSetItems(run, [&](int done, int all, const std::string&, const std::vector<std::string>&) {
        lastDone = std::max(lastDone, done);
        total = all;
        return true;
    });
    EXPECT_EQ(lastDone, total);
    EXPECT_EQ(work.failed, 2);
    EXPECT_EQ(work.computed, 10);
    const DataSetOutcome outcome = collectDataSet(run, work);
    ASSERT_EQ(outcome.failed.size(), 2u);
    EXPECT_EQ(outcome.failed[1].curve, "ajc");
    EXPECT_NE(outcome.failed[1].reason.find("cut.png"), std::string::npos) << outcome.failed[1].reason;
    EXPECT_EQ(outcome.aggregate.front().pictures, 5);
}

TEST_F(DataSetRunTest, OneJobGivesThePointsOfManyAndEachPictureItsOwnSweep) {
    const DataSetOutcome parallel = runInMemory();
    run.jobs = 1;
    const DataSetOutcome serial = runInMemory();
    EXPECT_EQ(untimed(dataSetCsv(parallel)), untimed(dataSetCsv(serial)));
    EXPECT_EQ(untimedAggregate(aggregateCsv(parallel)), untimedAggregate(aggregateCsv(serial)));

    SweepSettings settings = run.settings;
    const PictureDocument document = openPictureDocument(pictures[3], false);
    const SweepOutcome alone = runSweep(prepareSweep(document.view(), settings), settings);
    EXPECT_EQ(untimed(sweepCsv(alone)), untimed(sweepCsv(parallel.outcomes[3].sweep)));
}

TEST_F(DataSetRunTest, AResumedRunMakesOnlyWhatIsMissingOrMadeOtherwiseAndPrintsTheSame) {
    run.resultFolder = results.path().string();
    const DataSetWork first = runDataSetItems(run);
    EXPECT_EQ(first.computed, 10);
    const DataSetOutcome whole = loadDataSet({run.resultFolder});
    EXPECT_EQ(dataSetCsv(whole), dataSetCsv(collectDataSet(run, first))) << "the files keep every figure exactly";

    fs::remove(results.file(resultFileName(pictures[1], "ajc")));
    DataSetRun otherFocus = run;
    otherFocus.settings.passes = 3;
    otherFocus.pictures = {pictures[4]};
    otherFocus.settings.curves = defaultCurves({StillCodec::Jpeg});
    runDataSetItems(otherFocus);  // a stale result for picture 4 with JPEG, and a manifest to be replaced
    std::ofstream(results.file(resultFileName(pictures[0], "jpeg"))) << "{ cut short";

    const DataSetWork resumed = runDataSetItems(run);
    EXPECT_EQ(resumed.computed, 3);
    EXPECT_EQ(resumed.reused, 7);
    EXPECT_EQ(resumed.replaced, 2);
    EXPECT_EQ(untimed(dataSetCsv(loadDataSet({run.resultFolder}))), untimed(dataSetCsv(whole)));

    fs::last_write_time(pictures[2], fs::last_write_time(pictures[2]) + std::chrono::seconds(5));
    EXPECT_EQ(runDataSetItems(run).computed, 2) << "a picture changed since is made again";
}

// Stopped in the fourth item (one job, four points an item): the three items before it are kept in
// their order, counted and filed; a partial outcome holds the one picture with both its curves, and
// the next run takes the three as they are.
TEST_F(DataSetRunTest, ACancelledRunKeepsAndFilesEveryFinishedItemAndTheNextRunTakesThem) {
    run.resultFolder = results.path().string();
    run.jobs = 1;
    const DataSetWork stopped = runDataSetItems(run, [](int done, int, const std::string&, const std::vector<std::string>&) { return done < 13; });
    EXPECT_TRUE(stopped.cancelled);
    ASSERT_EQ(stopped.results.size(), 3u);
    const std::vector<std::pair<std::string, std::string>> finished{
        {pictures[0], "jpeg"}, {pictures[0], "ajc"}, {pictures[1], "jpeg"}};
    for (std::size_t i = 0; i < finished.size(); ++i) {
        const StoredResult& result = stopped.results[i];
        EXPECT_EQ(std::pair(result.picture, result.curve.name), finished[i]);
        EXPECT_EQ(result.sweep.points.size(), 4u);
        const std::optional<StoredResult> filed = readResult(results.file(resultFileName(result.picture, result.curve.name)));
        ASSERT_TRUE(filed) << result.picture << " with " << result.curve.name;
        EXPECT_EQ(untimed(sweepCsv(filed->sweep)), untimed(sweepCsv(result.sweep)));
    }
    EXPECT_EQ(stopped.computed, 3);
    EXPECT_EQ(stopped.reused + stopped.replaced + stopped.failed, 0);
    EXPECT_FALSE(fs::exists(results.file(resultFileName(pictures[1], "ajc")))) << "the item under way is dropped";

    const DataSetOutcome partial = collectDataSet(run, stopped);
    ASSERT_EQ(partial.pictures, std::vector<std::string>{pictures[0]});
    ASSERT_EQ(partial.outcomes.size(), 1u);
    EXPECT_EQ(partial.outcomes[0].sweep.points.size(), 8u);
    EXPECT_EQ(partial.aggregate.size(), 8u);

    run.jobs = 2;
    const DataSetWork resumed = runDataSetItems(run);
    EXPECT_FALSE(resumed.cancelled);
    EXPECT_EQ(resumed.reused, 3);
    EXPECT_EQ(resumed.computed, 7);
    EXPECT_EQ(resumed.replaced, 0);
    EXPECT_EQ(untimed(dataSetCsv(loadDataSet({run.resultFolder}))), untimed(dataSetCsv(runInMemory())));
}

// Several jobs stop in no set order: whatever finished is kept in item order and filed, the counts
// agree with it, and an item replacing a stored one is counted only once it is finished.
TEST_F(DataSetRunTest, ACancelledRunOfSeveralJobsCountsOnlyWhatItKeeps) {
    run.resultFolder = results.path().string();
    run.pictures = {pictures[0], pictures[1], pictures[2]};
    runDataSetItems(run);
    DataSetRun otherFocus = run;
    otherFocus.settings.passes = 3;
    otherFocus.pictures = {pictures[2]};
    runDataSetItems(otherFocus);  // the last picture's items are made otherwise, to be replaced
    run.pictures = pictures;
    const DataSetWork stopped = runDataSetItems(run, [](int done, int, const std::string&, const std::vector<std::string>&) { return done < 4 * 5 + 2; });
    ASSERT_TRUE(stopped.cancelled);
    ASSERT_LT(stopped.results.size(), 10u);
    const std::vector<DataSetItem> items = dataSetItems(pictures.size(), 2);
    std::size_t next = 0;
    int replacing = 0;
    for (const StoredResult& result : stopped.results) {
        const auto at = std::find_if(items.begin() + static_cast<std::ptrdiff_t>(next), items.end(), [&](const DataSetItem& item) {
            return pictures[item.picture] == result.picture && run.settings.curves[item.curve].name == result.curve.name;
        });
        ASSERT_NE(at, items.end()) << result.picture << " with " << result.curve.name << " out of order";
        next = static_cast<std::size_t>(at - items.begin()) + 1;
        if (at->picture == 2) ++replacing;
        EXPECT_TRUE(fs::exists(results.file(resultFileName(result.picture, result.curve.name))));
    }
    EXPECT_EQ(stopped.reused, 4);
    EXPECT_EQ(stopped.computed + stopped.reused, static_cast<int>(stopped.results.size()));
    EXPECT_EQ(stopped.replaced, replacing);
}

TEST_F(DataSetRunTest, ResultFilesKeepEveryTimeOfAPointAndATimingOtherwiseMakesThemAgain) {
    run.resultFolder = results.path().string();
    run.pictures = {pictures[0]};
    run.settings.timingRuns = 2;
    const DataSetWork made = runDataSetItems(run);
    const DataSetOutcome kept = loadDataSet({run.resultFolder});
    EXPECT_EQ(kept.parameters.timing, (TimingConditions{2, kTimedCodecThreads}));
    const SweepPoint& coded = made.results[1].sweep.points[2];
    const SweepPoint& read = kept.outcomes[0].sweep.points[6];
    ASSERT_EQ(read.curve, "ajc");
    EXPECT_EQ(read.timingRuns, 2);
    EXPECT_EQ(read.encodeFastest, coded.encodeFastest);
    EXPECT_EQ(read.decodeSlowest, coded.decodeSlowest);
    EXPECT_EQ(read.encodeCpuSeconds, coded.encodeCpuSeconds);
    EXPECT_EQ(read.decodeCpuSeconds, coded.decodeCpuSeconds);
    EXPECT_FALSE(read.timesAreCalls);

    EXPECT_EQ(runDataSetItems(run).reused, 2);
    run.settings.timingRuns = 1;
    EXPECT_EQ(runDataSetItems(run).replaced, 2) << "times taken otherwise are taken again";
}

// A run that does not hold its results keeps nothing of an item but its counts, its failure and
// whether its picture finished; its data set comes back from the folder with every figure.
TEST_F(DataSetRunTest, ARunThatDoesNotHoldItsResultsReadsTheSameDataSetBackFromItsFolder) {
    std::ofstream(dir.file("cut.png"), std::ios::binary) << testing::fileBytes(pictures[0]).substr(0, 200);
    run.pictures.push_back(dir.file("cut.png"));
    run.resultFolder = results.path().string();
    run.holdResults = false;
    const DataSetWork work = runDataSetItems(run);
    EXPECT_TRUE(work.results.empty());
    EXPECT_EQ(work.computed, 10);
    ASSERT_EQ(work.failedItems.size(), 2u);
    EXPECT_EQ(work.failedItems[0].picture, dir.file("cut.png"));
    EXPECT_EQ(work.failedItems[0].curve, "jpeg");
    EXPECT_EQ(work.failedItems[1].curve, "ajc");
    EXPECT_EQ(work.picturesFinished, std::vector<bool>(6, true));
    const DataSetOutcome collected = collectDataSet(run, work);
    EXPECT_EQ(collected.failed, work.failedItems);
    EXPECT_EQ(dataSetCsv(collected), dataSetCsv(loadDataSet({run.resultFolder})));
    EXPECT_EQ(untimed(dataSetCsv(collected)), untimed(dataSetCsv(runInMemory())));
    EXPECT_TRUE(runDataSetItems(run).results.empty()) << "nor the items it takes as they were";
}

// Stopped alike, a run that holds its results and one that reads them back give one partial data
// set; the folder of either opens as that data set, said to be partial, while a merge still refuses it.
TEST_F(DataSetRunTest, ACancelledRunsFolderOpensAsThePartialDataSetItShowed) {
    run.jobs = 1;
    const auto stopInTheFourthItem = [](int done, int, const std::string&, const std::vector<std::string>&) {
        return done < 13;
    };
    run.resultFolder = results.path().string();
    const DataSetWork held = runDataSetItems(run, stopInTheFourthItem);
    const DataSetOutcome shown = collectDataSet(run, held);
    ASSERT_EQ(shown.pictures, std::vector<std::string>{pictures[0]});

    TempDir other;
    DataSetRun dropping = run;
    dropping.resultFolder = other.path().string();
    dropping.holdResults = false;
    const DataSetWork stopped = runDataSetItems(dropping, stopInTheFourthItem);
    ASSERT_TRUE(stopped.cancelled);
    EXPECT_TRUE(stopped.results.empty());
    EXPECT_EQ(stopped.picturesFinished, (std::vector<bool>{true, false, false, false, false}));
    const DataSetOutcome read = collectDataSet(dropping, stopped);
    EXPECT_EQ(read.pictures, shown.pictures);
    EXPECT_EQ(untimed(dataSetCsv(read)), untimed(dataSetCsv(shown)));

    const OpenedDataSet opened = openDataSet({run.resultFolder});
    EXPECT_TRUE(opened.partial());
    EXPECT_EQ(opened.picturesTotal, 5u);
    EXPECT_EQ(opened.outcome.pictures, shown.pictures);
    EXPECT_EQ(dataSetCsv(opened.outcome), dataSetCsv(shown)) << "the files keep every figure exactly";
    EXPECT_EQ(aggregateCsv(opened.outcome), aggregateCsv(shown));
    const std::string refused = testing::messageOf([&] { loadDataSet({run.resultFolder}); });
    EXPECT_NE(refused.find("lack picture \"" + pictures[1] + "\" with codec ajc"), std::string::npos) << refused;

    runDataSetItems(run);
    const OpenedDataSet whole = openDataSet({run.resultFolder});
    EXPECT_FALSE(whole.partial());
    EXPECT_EQ(dataSetCsv(whole.outcome), dataSetCsv(loadDataSet({run.resultFolder})));
}

// A summary as text, so that NaNs compare equal.
std::string summaryText(const DeltaSummary& summary) {
    char text[200];
    std::snprintf(text, sizeof text, "%.17g %.17g %.17g %.17g %.17g %d %d", summary.mean, summary.median, summary.min,
                  summary.max, summary.stdev, summary.count, summary.leftOut);
    return text;
}

// What the notes and rows of a data set left in its folders read is what the whole data set gives,
// failed items and shards included, while its figures hold no picture's points.
TEST_F(DataSetRunTest, AFiledDataSetGivesTheWholeOnesFiguresAndRowsWithoutHoldingItsPoints) {
    std::ofstream(dir.file("cut.png"), std::ios::binary) << testing::fileBytes(pictures[0]).substr(0, 200);
    run.pictures.push_back(dir.file("cut.png"));
    const std::vector<std::string> folders = runThreeShards(false, [](int, const DataSetWork&) {});
    const DataSetOutcome whole = loadDataSet(folders);
    const FiledDataSet filed(folders);
    ASSERT_EQ(whole.failed.size(), 2u);
    for (const std::string anchor : {"jpeg", "ajc"}) {
        SCOPED_TRACE(anchor);
        const DataSetFigures figures = filed.figures(anchor);
        EXPECT_TRUE(figures.outcome.outcomes.empty());
        EXPECT_EQ(figures.outcome.pictures, whole.pictures);
        EXPECT_EQ(aggregateCsv(figures.outcome), aggregateCsv(whole));
        EXPECT_EQ(figures.outcome.failed, whole.failed);
        EXPECT_EQ(figures.outcome.colourEncodings, whole.colourEncodings);
        ASSERT_EQ(figures.outcome.timedRuns.size(), whole.timedRuns.size());
        for (std::size_t i = 0; i < whole.timedRuns.size(); ++i) {
            EXPECT_EQ(figures.outcome.timedRuns[i].started, whole.timedRuns[i].started);
            EXPECT_EQ(figures.outcome.timedRuns[i].ended, whole.timedRuns[i].ended);
            EXPECT_EQ(figures.outcome.timedRuns[i].items, whole.timedRuns[i].items);
        }
        const std::vector<PerPictureDeltas> expected = perPictureDeltaTable(whole, anchor);
        ASSERT_EQ(figures.perPicture.size(), expected.size());
        ASSERT_FALSE(expected.empty());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(figures.perPicture[i].curve, expected[i].curve);
            EXPECT_EQ(figures.perPicture[i].measure, expected[i].measure);
            EXPECT_EQ(figures.perPicture[i].interpolation, expected[i].interpolation);
            EXPECT_EQ(summaryText(figures.perPicture[i].rate), summaryText(expected[i].rate));
            EXPECT_EQ(summaryText(figures.perPicture[i].quality), summaryText(expected[i].quality));
            EXPECT_TRUE(figures.perPicture[i].pictures.empty()) << "the summaries alone";
        }
    }
    std::string rows;
    filed.writeCsv([&](const std::string& row) { rows += row; });
    EXPECT_EQ(rows, dataSetCsv(whole));
}

// The rows are read from the folder as they are written: a picture's results gone before its turn
// are missed, which a data set read whole before the first row would not notice.
TEST_F(DataSetRunTest, AFiledDataSetsRowsAreReadAPictureAtATime) {
    run.resultFolder = results.path().string();
    run.holdResults = false;
    const FiledDataSet filed(run, runDataSetItems(run));
    int rows = 0;
    const std::string lacking = testing::messageOf([&] {
        filed.writeCsv([&](const std::string&) {
            if (++rows != 2) return;
            for (const CodecCurve& curve : run.settings.curves)
                fs::remove(fs::path(run.resultFolder) / resultFileName(pictures.back(), curve.name));
        });
    });
    EXPECT_EQ(rows, 1 + 4 * 2 * 4) << "the header and the other four pictures' rows";
    EXPECT_NE(lacking.find("lack picture \"" + pictures.back() + "\" with codec jpeg"), std::string::npos) << lacking;
}

// Shards named together must hold every item; one shard alone holds no picture whole.
TEST_F(DataSetRunTest, OpeningShardsStillRefusesAMissingOne) {
    const std::vector<std::string> folders = runThreeShards(false, [](int shard, const DataSetWork& work) {
        EXPECT_TRUE(work.results.empty());
        EXPECT_EQ(work.computed, shard == 1 ? 4 : 3);
    });
    EXPECT_FALSE(openDataSet(folders).partial());
    for (const std::vector<std::string>& some : {std::vector<std::string>{folders[0], folders[2]}, {folders[1]}}) {
        const std::string lacking = testing::messageOf([&] { openDataSet(some); });
        EXPECT_NE(lacking.find("(is a shard missing or unfinished?)"), std::string::npos) << lacking;
    }
}

// Hand-made points: one curve at one quality on four pictures of 2 megapixels, one not timed.
TEST(AggregateSpeedTest, SpeedsAreTheMediansOverTheTimedPicturesPerCurveAndPlace) {
    const std::vector<CodecCurve> curves = defaultCurves({StillCodec::Jpeg});
    const auto pictureWith = [](double encodeSeconds, double decodeSeconds, int runs) {
        SweepPoint point;
        point.curve = "jpeg";
        point.quality = 50;
        point.megapixels = 2.0;
        point.encodeSeconds = encodeSeconds;
        point.decodeSeconds = decodeSeconds;
        point.timingRuns = runs;
        return PictureOutcome{"p", {{}, {point}, false, {}, {}}};
    };
    std::vector<PictureOutcome> outcomes{pictureWith(1.0, 2.0, 3), pictureWith(0.5, 1.0, 3),
                                         pictureWith(0.25, 4.0, 3), pictureWith(0.0, 0.0, 0)};
    const std::vector<AggregatePoint> odd = aggregatePoints(outcomes, curves);
    ASSERT_EQ(odd.size(), 1u);
    EXPECT_EQ(odd[0].pictures, 4);
    EXPECT_EQ(odd[0].timedPictures, 3);
    EXPECT_DOUBLE_EQ(odd[0].encodeMegapixelsPerSecond, 4.0);  // of 2, 4 and 8
    EXPECT_DOUBLE_EQ(odd[0].decodeMegapixelsPerSecond, 1.0);  // of 1, 2 and 0.5

    outcomes.push_back(pictureWith(2.0, 0.5, 1));
    const AggregatePoint even = aggregatePoints(outcomes, curves)[0];
    EXPECT_DOUBLE_EQ(even.encodeMegapixelsPerSecond, 3.0);  // the middle two of 1, 2, 4 and 8
    EXPECT_DOUBLE_EQ(even.decodeMegapixelsPerSecond, 1.5);

    outcomes.resize(1);
    outcomes[0].sweep.points[0].timingRuns = 0;
    const AggregatePoint untimed = aggregatePoints(outcomes, curves)[0];
    EXPECT_EQ(untimed.timedPictures, 0);
    EXPECT_TRUE(std::isnan(untimed.encodeMegapixelsPerSecond));
}

TEST(AggregateSpreadTest, EachMeasureHasItsSampleDeviationOverThePicturesThatHaveIt) {
    const std::vector<CodecCurve> curves = defaultCurves({StillCodec::Jpeg});
    const auto pictureWith = [](double psnr, double bitsPerPixel, double msSsim) {
        SweepPoint point;
        point.curve = "jpeg";
        point.quality = 50;
        point.measures.picture.psnr = psnr;
        point.measures.picture.msSsimLuma = msSsim;
        point.measures.bitsPerPixel = bitsPerPixel;
        return PictureOutcome{"p", {{}, {point}, false, {}, {}}};
    };
    const double nan = std::nan("");
    // Large values close together: a sum of squares taken naively would lose the spread.
    std::vector<PictureOutcome> outcomes{pictureWith(1e9 + 30.0, 1.0, 0.9), pictureWith(1e9 + 32.0, 2.0, nan),
                                         pictureWith(1e9 + 34.0, 3.0, 0.95)};
    const AggregatePoint point = aggregatePoints(outcomes, curves)[0];
    const std::size_t psnr = CurveMeasure("psnr").index();
    const std::size_t msSsim = CurveMeasure("ms_ssim_y").index();
    ASSERT_EQ(point.deviations.size(), point.means.size());
    EXPECT_NEAR(point.deviations[psnr], 2.0, 1e-6);
    EXPECT_DOUBLE_EQ(point.bitsPerPixelDeviation, 1.0);
    EXPECT_NEAR(point.deviations[msSsim], std::sqrt(0.00125), 1e-12);  // over the two pictures that have it
    EXPECT_NEAR(interval95HalfWidth(2.0, 3), 4.3027 * 2.0 / std::sqrt(3.0), 1e-9);

    outcomes.push_back(pictureWith(std::numeric_limits<double>::infinity(), 4.0, 0.99));
    EXPECT_TRUE(std::isnan(aggregatePoints(outcomes, curves)[0].deviations[psnr]));
    outcomes.resize(1);
    EXPECT_TRUE(std::isnan(aggregatePoints(outcomes, curves)[0].deviations[psnr]));
    EXPECT_TRUE(std::isnan(interval95HalfWidth(2.0, 1)));
}

TEST(AggregateSpreadTest, TheIntervalFactorFollowsStudentsTableAndApproachesTheNormalOne) {
    EXPECT_DOUBLE_EQ(studentT975(1), 12.7062);
    EXPECT_DOUBLE_EQ(studentT975(23), 2.0687);
    EXPECT_DOUBLE_EQ(studentT975(60), 2.0003);
    EXPECT_NEAR(studentT975(50), 2.0086, 5e-4);
    EXPECT_NEAR(studentT975(100000), 1.96, 1e-3);
    double previous = studentT975(1);
    for (int df = 2; df < 500; ++df) {
        EXPECT_LT(studentT975(df), previous) << df;
        previous = studentT975(df);
    }
    EXPECT_TRUE(std::isnan(studentT975(0)));
}

TEST_F(DataSetRunTest, MergeOfShardsEqualsTheWholeRunAndNamesWhatItLacksOrCannotMix) {
    run.resultFolder = results.path().string();
    const DataSetOutcome whole = collectDataSet(run, runDataSetItems(run));
    const std::vector<std::string> folders = runThreeShards(true, [](int shard, const DataSetWork& work) {
        EXPECT_EQ(work.results.size(), shard == 1 ? 4u : 3u);
    });
    EXPECT_EQ(untimed(dataSetCsv(loadDataSet(folders))), untimed(dataSetCsv(whole)));
    EXPECT_EQ(untimedAggregate(aggregateCsv(loadDataSet(folders))), untimedAggregate(aggregateCsv(whole)));

    const std::string lacking = testing::messageOf([&] { loadDataSet({folders[0], folders[2]}); });
    EXPECT_NE(lacking.find("lack picture \"" + pictures[0] + "\" with codec ajc"), std::string::npos) << lacking;

    DataSetRun otherVersions = run;
    otherVersions.versions = {{"brenlow", "other"}};
    otherVersions.resultFolder = shardDirs[1].path().string();
    otherVersions.shard = 2;
    otherVersions.shardCount = 3;
    runDataSetItems(otherVersions);
    const std::string mixed = testing::messageOf([&] { loadDataSet(folders); });
    EXPECT_NE(mixed.find("other parameters (library versions (brenlow test against other))"), std::string::npos)
        << mixed;
}

}  // namespace
}  // namespace brenlow

namespace brenlow {
namespace {

// A result made without a measure must not be taken for a run that asks for it, nor the reverse.
TEST(DataSetParametersTest, ParametersThatDifferInAnyMeasureGroupDiffer) {
    const DataSetParameters made;
    for (const OptionalMeasure& measure : optionalMeasures()) {
        SCOPED_TRACE(measure.name);
        DataSetParameters asked = made;
        asked.measures.take(measure.name, !made.measures.takes(measure.name));
        EXPECT_FALSE(asked == made);
    }
    EXPECT_TRUE(DataSetParameters{} == made);
}

}  // namespace
}  // namespace brenlow
