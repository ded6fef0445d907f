#include "brenlow/studies.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "io/error.h"
#include "io/folder_lock.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

void writePicture(const std::string& path, int width = 48, int height = 40) {
    // The contents do not matter to a plan: every file is written as PNG whatever its name.
    ASSERT_TRUE(testing::patternBitmap(width, height).save(QString::fromStdString(path), "PNG"));
}

DataSetRequest smallRequest(const std::vector<std::string>& pictures) {
    DataSetRequest request;
    request.pictures = pictures;
    request.sweep.curves = {"jpeg", "ajc"};
    request.sweep.qualities = {30, 70};
    request.sweep.measures = MeasureChoice::none();
    return request;
}

// Two pictures of different shapes in `dir`, a.bmp and b.bmp: a data set of four items.
DataSetRequest twoPictureRequest(const TempDir& dir) {
    writePicture(dir.file("a.bmp"));
    writePicture(dir.file("b.bmp"), 40, 48);
    return smallRequest({dir.file("a.bmp"), dir.file("b.bmp")});
}

// A folder a researcher has worked in holds the workbench's own outputs beside the sources; every
// front end must sweep the same pictures of it.
TEST(DataSetPlanTest, AFolderLeavesOutTheOutputsWrittenBesideItsSources) {
    TempDir dir;
    for (const char* name : {"a.bmp", "a~.bmp", "b.png", "b.jpg", "b.webp", "c.jpg", "c~.jpg"})
        writePicture(dir.file(name));
    const DataSetPlan plan = planDataSet(smallRequest({dir.path().string()}));
    std::vector<std::string> names;
    for (const std::string& picture : plan.run.pictures) names.push_back(fs::path(picture).filename().string());
    EXPECT_EQ(names, (std::vector<std::string>{"a.bmp", "b.png", "c.jpg"}));
    ASSERT_EQ(plan.leftOut.size(), 4u);
    EXPECT_EQ(plan.leftOut[0], "\"" + dir.file("a~.bmp") + "\" (a decoded result)");
    EXPECT_EQ(plan.leftOut[1], "\"" + dir.file("b.jpg") + "\" (coded from b.png)");
    EXPECT_EQ(plan.leftOut[2], "\"" + dir.file("b.webp") + "\" (coded from b.png)");
    EXPECT_EQ(plan.items, 6u);
    EXPECT_EQ(plan.anchor, "jpeg");
}

TEST(DataSetPlanTest, AFileNamedOnItsOwnIsSweptWhateverItsName) {
    TempDir dir;
    writePicture(dir.file("a.bmp"));
    writePicture(dir.file("a~.bmp"));
    const DataSetPlan plan = planDataSet(smallRequest({dir.file("a.bmp"), dir.file("a~.bmp")}));
    EXPECT_EQ(plan.run.pictures, (std::vector<std::string>{dir.file("a.bmp"), dir.file("a~.bmp")}));
    EXPECT_TRUE(plan.leftOut.empty());
}

TEST(DataSetRunTest, ARunIntoAFolderResumesAndTheFolderReopensWithTheSameAnchor) {
    TempDir dir;
    DataSetRequest request = twoPictureRequest(dir);
    request.resultFolder = dir.file("results");
    RunControl control;
    control.jobs = 2;
    const DataSetRunOutcome first = runDataSet(planDataSet(request, control), control);
    EXPECT_EQ(first.work.computed, 4);
    ASSERT_TRUE(first.hasOutcome);
    EXPECT_EQ(first.outcome.aggregate.size(), 4u);

    const DataSetRunOutcome second = runDataSet(planDataSet(request, control), control);
    EXPECT_EQ(second.work.computed, 0);
    EXPECT_EQ(second.work.reused, 4);
    EXPECT_EQ(dataSetCsv(second.outcome), dataSetCsv(first.outcome));

    const OpenedResults opened = openResults({request.resultFolder});
    EXPECT_EQ(opened.anchor, "jpeg");
    EXPECT_EQ(dataSetCsv(opened.outcome), dataSetCsv(first.outcome));
}

// The run files each item and lets it go: its data set is read back from the folder, so that its
// memory does not grow with the pictures; without a folder it holds them all.
TEST(DataSetRunTest, ARunIntoAFolderHoldsNoItemsResultAndOneWithoutHoldsThemAll) {
    TempDir dir;
    DataSetRequest request = twoPictureRequest(dir);
    const DataSetRunOutcome inMemory = runDataSet(planDataSet(request));
    EXPECT_EQ(inMemory.work.results.size(), 4u);
    request.resultFolder = dir.file("results");
    const DataSetRunOutcome filed = runDataSet(planDataSet(request));
    EXPECT_TRUE(filed.work.results.empty());
    EXPECT_EQ(filed.work.computed, 4);
    EXPECT_EQ(filed.outcome.outcomes.size(), 2u);
    EXPECT_EQ(testing::withoutLastColumns(dataSetCsv(filed.outcome), kSweepCsvTimingColumns),
              testing::withoutLastColumns(dataSetCsv(inMemory.outcome), kSweepCsvTimingColumns));
}

// Asked to, a run leaves its data set in its folder, locked for writing until the caller lets it
// go, and reads there what it would have handed back whole.
TEST(DataSetRunTest, ARunLeavesItsDataSetInItsLockedFolderWhenAsked) {
    TempDir dir;
    DataSetRequest request = twoPictureRequest(dir);
    request.resultFolder = dir.file("results");
    DataSetRunOutcome done = runDataSet(planDataSet(request), {}, DataSetReadBack::APictureAtATime);
    ASSERT_TRUE(done.hasOutcome);
    ASSERT_NE(done.filed, nullptr);
    EXPECT_TRUE(done.outcome.pictures.empty());
    EXPECT_TRUE(done.outcome.outcomes.empty());
    EXPECT_THROW(FolderLock(request.resultFolder, FolderLock::Use::Writing), Error);
    EXPECT_EQ(done.filed->dataSet.whole().pictures, (std::vector<std::string>{dir.file("a.bmp"), dir.file("b.bmp")}));
    std::string rows;
    done.filed->dataSet.writeCsv([&](const std::string& row) { rows += row; });
    done.filed.reset();
    EXPECT_NO_THROW(FolderLock(request.resultFolder, FolderLock::Use::Writing));
    EXPECT_EQ(rows, dataSetCsv(runDataSet(planDataSet(request)).outcome)) << "the second run takes every item as it is";

    request.resultFolder.clear();
    const DataSetRunOutcome inMemory = runDataSet(planDataSet(request), {}, DataSetReadBack::APictureAtATime);
    EXPECT_EQ(inMemory.filed, nullptr) << "nothing is filed to read back";
    EXPECT_EQ(inMemory.outcome.outcomes.size(), 2u);
}

TEST(DataSetRunTest, AFolderAnotherRunWritesIsRefusedBeforeAnyItemIsMade) {
    TempDir dir;
    writePicture(dir.file("a.bmp"));
    DataSetRequest request = smallRequest({dir.file("a.bmp")});
    request.resultFolder = dir.file("results");
    fs::create_directory(request.resultFolder);
    const FolderLock other(request.resultFolder, FolderLock::Use::Writing);
    EXPECT_THROW(runDataSet(planDataSet(request)), Error);
    EXPECT_FALSE(fs::exists(fs::path(request.resultFolder) / "dataset.json"));
}

// An evaluation is refused before anything is measured or written when it would file its results
// among the pictures it reads, or name its curve like a codec.
TEST(EvaluationTest, ANameOfACodecOrAResultFolderAmongItsInputsIsRefused) {
    TempDir dir;
    fs::create_directories(dir.file("reference"));
    writePicture(dir.file("reference/a.png"));
    EvaluationRequest request;
    request.referenceFolder = dir.file("reference");
    request.decodedFolder = dir.file("decoded");
    request.name = "mine";
    EXPECT_EQ(planEvaluation(request).pictures.size(), 1u);
    EXPECT_EQ(measureNamesOf(request.measures), measureNamesOf(everyMeasure()));
    for (const char* name : {"jpeg", "my codec", ""}) {
        request.name = name;
        EXPECT_THROW(planEvaluation(request), UsageError) << name;
    }
    request.name = "mine";
    request.resultFolder = dir.file("reference");
    EXPECT_THROW(planEvaluation(request), UsageError);
}

// Without a result folder the evaluation's data set is collected from what it measured; with one it
// is read back from the folder, and both are the same.
TEST(EvaluationTest, InMemoryAndFiledEvaluationsGiveTheSameDataSet) {
    TempDir dir;
    fs::create_directories(dir.file("reference"));
    fs::create_directories(dir.file("decoded/40"));
    writePicture(dir.file("reference/a.png"));
    writePicture(dir.file("decoded/40/a.png"));
    std::ofstream(dir.file("decoded/40/sizes.csv")) << "a,300\n";
    EvaluationRequest request;
    request.referenceFolder = dir.file("reference");
    request.decodedFolder = dir.file("decoded");
    request.name = "mine";
    request.measures = MeasureChoice::none();
    const DataSetRunOutcome inMemory = evaluateDecoded(planEvaluation(request));
    request.resultFolder = dir.file("results");
    const DataSetRunOutcome filed = evaluateDecoded(planEvaluation(request));
    EXPECT_EQ(filed.work.computed, 1);
    ASSERT_EQ(inMemory.outcome.aggregate.size(), 1u);
    EXPECT_EQ(dataSetCsv(filed.outcome), dataSetCsv(inMemory.outcome));
    EXPECT_EQ(openResults({request.resultFolder}).outcome.curves.front().name, "mine");
}

}  // namespace
}  // namespace brenlow
