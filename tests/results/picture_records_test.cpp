#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "io/bitmap_file.h"
#include "results/dataset_run.h"
#include "support/dataset_pictures.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

QJsonObject jsonOf(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return QJsonDocument::fromJson(QByteArray::fromStdString(text.str())).object();
}

void writeJsonFile(const std::string& path, const QJsonObject& object) {
    std::ofstream(path) << QJsonDocument(object).toJson().toStdString();
}

// How many read calls this process has made so far, as the kernel counts them.
long readCallsSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long value = 0;
    while (io >> key >> value)
        if (key == "syscr:") return value;
    return -1;
}

std::int64_t statModifiedNanoseconds(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return 0;
    return static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
}

// Two small pictures, the second a BMP (whose size in bytes depends on its width and height alone),
// swept with JPEG at two qualities in "lab/pictures" into "lab/deep/er/results".
class PictureRecordsTest : public ::testing::Test {
protected:
    PictureRecordsTest() {
        fs::create_directories(lab() / "pictures");
        const std::vector<std::string> all = testing::makeSmallDataSet((lab() / "pictures").string());
        run.pictures = {all[0], all[1]};
        run.settings.curves = defaultCurves({StillCodec::Jpeg});
        run.settings.qualities = {40, 80};
        run.settings.measures = MeasureChoice::only({});
        run.versions = {{"brenlow", "test"}};
        run.resultFolder = (lab() / "deep" / "er" / "results").string();
    }
    // Some tests work from a folder of their own, as a sweep runs where it was started.
    ~PictureRecordsTest() override { fs::current_path(startedIn); }

    fs::path lab() const { return dir.path() / "lab"; }
    std::string resultFile(std::size_t picture) const {
        return (fs::path(run.resultFolder) / resultFileName(run.pictures[picture], "jpeg")).string();
    }

    const fs::path startedIn = fs::current_path();
    TempDir dir;
    DataSetRun run;
};

// The file system's own clock counts from 2174 with some libraries: a time read from it as it stands
// was a large negative number. Files that kept it that way still resume without remaking anything.
TEST_F(PictureRecordsTest, ModificationTimesAreFromTheUnixEpochAndFilesKeptOnTheFileClockStillResume) {
    ASSERT_EQ(runDataSetItems(run).computed, 2);
    const QJsonObject stored = jsonOf(resultFile(1));
    EXPECT_EQ(stored["picture_modified_ns"].toString().toLongLong(), statModifiedNanoseconds(run.pictures[1]));

    QJsonObject older = stored;
    older.remove("picture_pixels_sha256");
    older["picture_modified_ns"] = QString::number(
        std::chrono::duration_cast<std::chrono::nanoseconds>(fs::last_write_time(run.pictures[1]).time_since_epoch())
            .count());
    writeJsonFile(resultFile(1), older);
    const DataSetWork resumed = runDataSetItems(run);
    EXPECT_EQ(resumed.reused, 2);
    EXPECT_TRUE(resumed.changedPictures.empty());
}

// Pixels changed under the same size and modification time (a copy that kept the time): only
// that picture's items are made again, and the summary names it.
TEST_F(PictureRecordsTest, APictureWhosePixelsChangedIsNoticedThoughItsSizeAndTimeAreTheSame) {
    ASSERT_EQ(runDataSetItems(run).computed, 2);
    const std::string& changed = run.pictures[1];
    const auto size = fs::file_size(changed);
    const auto time = fs::last_write_time(changed);
    QImage picture = loadBitmapFile(changed);
    picture.invertPixels();
    saveBitmapFile(picture, changed);
    fs::last_write_time(changed, time);
    ASSERT_EQ(fs::file_size(changed), size);

    const DataSetWork resumed = runDataSetItems(run);
    EXPECT_EQ(resumed.computed, 1);
    EXPECT_EQ(resumed.reused, 1);
    EXPECT_EQ(resumed.changedPictures, std::vector<std::string>{changed});
    const std::string summary = workSummary(resumed, run.resultFolder);
    EXPECT_NE(summary.find("\"" + changed + "\" changed since its results were made"), std::string::npos) << summary;
    EXPECT_EQ(runDataSetItems(run).reused, 2) << "made again from the new pixels, the items are taken next time";
}

// The pictures are named relative to the working folder, two folders above the result folder.
TEST_F(PictureRecordsTest, AMovedResultFolderFindsItsPicturesByEitherRecordedPath) {
    fs::current_path(dir.path());
    run.pictures = {"lab/pictures/" + fs::path(run.pictures[0]).filename().string(),
                    "lab/pictures/" + fs::path(run.pictures[1]).filename().string()};
    run.resultFolder = "lab/deep/er/results";
    ASSERT_EQ(runDataSetItems(run).computed, 2);
    const QJsonObject manifest = jsonOf(manifestPath(run.resultFolder));
    const QJsonObject location = manifest["picture_files"].toArray()[1].toObject();
    EXPECT_EQ(location["relative"].toString().toStdString(),
              "../../../pictures/" + fs::path(run.pictures[1]).filename().string());
    EXPECT_EQ(location["absolute"].toString().toStdString(), (dir.path() / run.pictures[1]).string());
    EXPECT_EQ(jsonOf(resultFile(1))["picture_file"].toObject(), location);

    // Moved with its pictures: found relative to the folder, the old absolute path gone.
    fs::create_directories(dir.path() / "elsewhere");
    fs::rename(lab(), dir.path() / "elsewhere" / "lab");
    const std::string moved = (dir.path() / "elsewhere" / "lab" / "deep" / "er" / "results").string();
    EXPECT_EQ(pictureFileOfResults(run.pictures[1], {moved}),
              (dir.path() / "elsewhere" / run.pictures[1]).string());

    // Moved alone: found by its absolute path.
    fs::rename(dir.path() / "elsewhere" / "lab", lab());
    fs::rename(lab() / "deep", dir.path() / "elsewhere" / "deep");
    EXPECT_EQ(pictureFileOfResults(run.pictures[1], {(dir.path() / "elsewhere" / "deep" / "er" / "results").string()}),
              (dir.path() / run.pictures[1]).string());
    EXPECT_EQ(pictureFileOfResults("lab/pictures/none.png", {(dir.path() / "elsewhere" / "deep" / "er" / "results").string()}),
              "lab/pictures/none.png")
        << "a picture found nowhere keeps its recorded name";
}

// A folder written before the locations were kept is found where it always was: beside the folder
// or in its parent; resumed, its manifest records them.
TEST_F(PictureRecordsTest, AFolderWrittenBeforeLocationsWereKeptIsFoundBesideItAndRecordedOnResume) {
    fs::current_path(lab());
    run.pictures = {"pictures/" + fs::path(run.pictures[0]).filename().string()};
    run.resultFolder = "results";
    ASSERT_EQ(runDataSetItems(run).computed, 1);
    QJsonObject manifest = jsonOf(manifestPath(run.resultFolder));
    manifest.remove("picture_files");
    writeJsonFile(manifestPath(run.resultFolder), manifest);
    ASSERT_TRUE(readPictureLocations(run.resultFolder).empty());
    fs::current_path(dir.path());
    EXPECT_EQ(pictureFileOfResults(run.pictures[0], {(lab() / "results").string()}), (lab() / run.pictures[0]).string());

    fs::current_path(lab());
    EXPECT_EQ(runDataSetItems(run).reused, 1);
    EXPECT_EQ(readPictureLocations(run.resultFolder).size(), 1u);
}

// A report of many pictures looks each one up: the folder's manifest is read once for them all, not
// once per picture, and each is found as it would be alone.
TEST_F(PictureRecordsTest, ManyPicturesAreLookedUpWithOneReadingOfEachManifest) {
    fs::current_path(dir.path());
    const std::string first = "lab/pictures/" + fs::path(run.pictures[0]).filename().string();
    DataSetManifest manifest{{first}, run.settings.curves, dataSetParameters(run.settings, run.versions)};
    for (int i = 0; i < 1500; ++i) manifest.pictures.push_back("lab/pictures/gone" + std::to_string(i) + ".png");
    manifest.pictures.push_back(first);
    writeManifest("lab/deep/results", manifest);
    fs::create_directories(dir.path() / "elsewhere");
    fs::rename(lab(), dir.path() / "elsewhere" / "lab");
    const std::vector<std::string> folders{(dir.path() / "elsewhere" / "lab" / "deep" / "results").string()};

    const long before = readCallsSoFar();
    ASSERT_GE(before, 0) << "the kernel counts no read calls here";
    const std::vector<std::string> files = pictureFilesOfResults(manifest.pictures, folders);
    const long reads = readCallsSoFar() - before;
    EXPECT_LT(reads, 100) << "read calls for " << manifest.pictures.size() << " pictures";

    ASSERT_EQ(files.size(), manifest.pictures.size());
    const std::string moved = (dir.path() / "elsewhere" / first).string();
    EXPECT_EQ(files.front(), moved);
    EXPECT_EQ(files.back(), moved) << "a name listed twice is found by its first entry";
    EXPECT_EQ(files[700], "lab/pictures/gone699.png");
    for (std::size_t i : {std::size_t{0}, std::size_t{1}, manifest.pictures.size() - 1})
        EXPECT_EQ(files[i], pictureFileOfResults(manifest.pictures[i], folders));
}

}  // namespace
}  // namespace brenlow
