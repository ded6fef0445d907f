#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "experiments/sweep_report.h"
#include "io/bitmap_file.h"
#include "support/cli_runner.h"
#include "support/dataset_pictures.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

const Arguments kSweep{"sweep", "--codecs", "jpeg,ajc", "--qualities", "40,70,90", "--measures", "none", "-j", "1"};

QJsonObject objectOf(const std::string& line) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

// Three small pictures in "set": what the runs, resumes and merges below work on.
class DataSetSafetyTest : public ::testing::Test {
protected:
    DataSetSafetyTest() {
        fs::create_directory(cwd.path() / "set");
        saveBitmapFile(patternBitmap(48, 40), cwd.file("set/p1.bmp"));
        patternBitmap(40, 32).mirrored(true, false).save(QString::fromStdString(cwd.file("set/p2.png")));
        saveBitmapFile(patternBitmap(36, 44).mirrored(false, true), cwd.file("set/p3.bmp"));
    }

    CliRun run(const Arguments& arguments) { return runCli(arguments, cwd.path()); }

    CliRun exited(int status, const Arguments& arguments) {
        CliRun result = run(arguments);
        EXPECT_EQ(result.exitCode, status) << result.err;
        return result;
    }

    // The result file of an item in the folder: its picture's file name starts the name.
    fs::path resultFile(const std::string& folder, const std::string& picture, const std::string& codec) {
        for (const fs::directory_entry& entry : fs::directory_iterator(cwd.path() / folder)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(picture + "-", 0) == 0 && name.size() > codec.size() + 5 &&
                name.compare(name.size() - codec.size() - 5, std::string::npos, codec + ".json") == 0)
                return entry.path();
        }
        ADD_FAILURE() << "no result file of " << picture << " with " << codec;
        return {};
    }

    TempDir cwd;
};

QJsonObject readJsonFile(const fs::path& path) { return objectOf(fileBytes(path.string())); }

void writeJsonFile(const fs::path& path, const QJsonObject& object) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << QJsonDocument(object).toJson().toStdString();
}

// A result file whose points are not one per quality of its data set is never taken: a resumed run
// makes it again, a merge names it as damaged.
TEST_F(DataSetSafetyTest, AResultFileWhosePointsDoNotMatchItsDataSetIsRemadeOrNamedAsDamaged) {
    const Arguments sweep = kSweep + Arguments{"--json", "--out", "results", "set"};
    const QJsonObject whole = withoutTimes(exited(0, sweep).out);
    const auto tripled = [](QJsonArray points) {
        for (const QJsonValue& point : QJsonArray(points)) points.append(point), points.append(point);
        return points;
    };
    const auto otherQuality = [](QJsonArray points) {
        QJsonObject last = points.last().toObject();
        last["quality"] = 999;
        points.replace(points.size() - 1, last);
        return points;
    };
    const auto oneLess = [](QJsonArray points) {
        points.removeLast();
        return points;
    };
    const auto reordered = [](QJsonArray points) {
        const QJsonValue first = points.takeAt(0);
        points.append(first);
        return points;
    };
    for (const auto& damage : {+tripled, +otherQuality, +oneLess, +reordered}) {
        const fs::path file = resultFile("results", "p2.png", "ajc");
        QJsonObject result = readJsonFile(file);
        result["points"] = damage(result["points"].toArray());
        writeJsonFile(file, result);

        const CliRun merged = exited(1, {"merge", "--json", "results"});
        EXPECT_NE(merged.err.find("is damaged"), std::string::npos) << merged.err;
        EXPECT_NE(merged.err.find(file.filename().string()), std::string::npos) << merged.err;
        EXPECT_EQ(merged.out, "");

        const CliRun resumed = exited(0, sweep);
        EXPECT_NE(resumed.err.find("1 items made, 5 taken as they were"), std::string::npos) << resumed.err;
        EXPECT_EQ(withoutTimes(resumed.out), whole);
    }
}

// Two spellings of one file, and a quality or codec named twice, would each count twice.
TEST_F(DataSetSafetyTest, DuplicatesAreUsageErrorsNamingTheDuplicate) {
    struct Case {
        Arguments arguments;
        std::string named;
    };
    const std::vector<Case> cases{
        {kSweep + Arguments{"set", "./set"}, "\"./set/p1.bmp\" is named twice (also as \"set/p1.bmp\")"},
        {kSweep + Arguments{"set/p1.bmp", "set//p1.bmp"}, "\"set//p1.bmp\" is named twice"},
        {kSweep + Arguments{"set/p3.bmp", "set/../set/p3.bmp", "--out", "r"}, "\"set/../set/p3.bmp\" is named twice"},
        {Arguments{"sweep", "--qualities", "50,50,80", "set"}, "quality 50 is named twice"},
        {Arguments{"sweep", "--qualities", "50,80,50", "set/p1.bmp"}, "quality 50 is named twice"},
        {Arguments{"sweep", "--codecs", "jpeg,ajc,jpeg", "set"}, "\"jpeg\" is named twice"},
    };
    for (const Case& test : cases) {
        const CliRun result = exited(2, test.arguments);
        EXPECT_NE(result.err.find(test.named), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_FALSE(fs::exists(cwd.path() / "r")) << "refused before anything is made";
}

// An anchor the run does not have would leave every delta rate out without a word.
TEST_F(DataSetSafetyTest, AnAnchorThatIsNotACodecOfTheRunIsAUsageErrorNamingTheRunsCodecs) {
    exited(0, kSweep + Arguments{"--quiet", "--out", "results", "set"});
    for (const Arguments& arguments :
         {kSweep + Arguments{"--anchor", "avc", "set"}, kSweep + Arguments{"--anchor", "avc", "set/p1.bmp"},
          Arguments{"merge", "--anchor", "avc", "results"}}) {
        const CliRun result = exited(2, arguments);
        EXPECT_NE(result.err.find("\"avc\" is not one of the run's codecs: jpeg, ajc"), std::string::npos)
            << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(run(Arguments{"merge", "--anchor", "ajc", "results"}).exitCode, 0);
}

// A picture whose name is not UTF-8, and one whose name is as long as a folder allows, keep their
// results across runs.
TEST_F(DataSetSafetyTest, PicturesOfAnyNameTheFolderHoldsAreResumedAndMerged) {
    const std::string odd = "set/b\xff.png";
    const std::string longName = "set/" + std::string(246, 'n') + ".png";
    fs::copy_file(cwd.file("set/p2.png"), cwd.file(odd));
    fs::copy_file(cwd.file("set/p2.png"), cwd.file(longName));
    const Arguments sweep = kSweep + Arguments{"--json", "--out", "results", odd, longName};
    const CliRun first = exited(0, sweep);
    EXPECT_NE(first.err.find("4 items made, 0 taken"), std::string::npos) << first.err;
    const CliRun again = exited(0, sweep);
    EXPECT_NE(again.err.find("0 items made, 4 taken as they were"), std::string::npos) << again.err;
    EXPECT_EQ(withoutTimes(again.out), withoutTimes(first.out));
    EXPECT_EQ(withoutLastColumns(exited(0, {"merge", "results"}).out, kSweepCsvTimingColumns),
              withoutLastColumns(exited(0, kSweep + Arguments{odd, longName}).out, kSweepCsvTimingColumns));
}

// A folder another run is writing is refused at once, by a sweep and by a merge, and no figure of
// the other run is printed.
TEST_F(DataSetSafetyTest, AResultFolderInUseByAnotherRunIsRefused) {
    exited(0, kSweep + Arguments{"--quiet", "--out", "results", "set/p1.bmp", "set/p2.png"});
    const std::string manifest = fileBytes(cwd.file("results/dataset.json"));
    const int folder = ::open(cwd.file("results").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    ASSERT_EQ(::flock(folder, LOCK_EX), 0);
    for (const Arguments& arguments : {kSweep + Arguments{"--out", "results", "set"}, Arguments{"merge", "results"}}) {
        const CliRun result = exited(1, arguments);
        EXPECT_NE(result.err.find("in use by another run"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(fileBytes(cwd.file("results/dataset.json")), manifest);
    ::close(folder);
    exited(0, kSweep + Arguments{"--quiet", "--out", "results", "set"});
}

// No output of a run may replace one of its inputs, and each must be writable before coding starts.
TEST_F(DataSetSafetyTest, OutputsThatAreInputsOrCannotBeWrittenAreRefusedBeforeAnyWork) {
    exited(0, kSweep + Arguments{"--quiet", "--out", "results", "set/p1.bmp", "set/p3.bmp"});
    fs::create_directory(cwd.path() / "taken");
    struct Case {
        Arguments arguments;
        std::string message;
    };
    const std::vector<Case> cases{
        {kSweep + Arguments{"--aggregate-csv", "set/p1.bmp", "set"}, "it is one of the run's inputs"},
        {kSweep + Arguments{"--aggregate-csv", "./set/../set/p2.png", "set"}, "it is one of the run's inputs"},
        {kSweep + Arguments{"--aggregate-csv", "new/dataset.json", "--out", "new", "set"},
         "it is one of the run's inputs"},
        {Arguments{"merge", "--aggregate-csv", "results/dataset.json", "results"}, "it is one of the run's inputs"},
        {Arguments{"merge", "--aggregate-csv", "./results/dataset.json", "results"}, "it is one of the run's inputs"},
        {kSweep + Arguments{"--aggregate-csv", "set/p1.bmp/a.csv", "set"},
         "Cannot write \"set/p1.bmp/a.csv\": its folder cannot be made"},
        {kSweep + Arguments{"--aggregate-csv", "taken", "set"}, "it is a folder"},
        {kSweep + Arguments{"--aggregate-csv", "set/p1.bmp/a.csv", "--out", "fresh", "set"}, "Cannot write"},
        {Arguments{"merge", "--aggregate-csv", "set/p1.bmp/a.csv", "results"}, "Cannot write"},
    };
    const auto before = folderSnapshot(cwd.path());
    for (const Case& test : cases) {
        const CliRun result = exited(1, test.arguments);
        EXPECT_NE(result.err.find(test.message), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("items made"), std::string::npos) << "refused before coding: " << result.err;
        EXPECT_EQ(result.out, "");
    }
    const auto after = folderSnapshot(cwd.path());
    for (const auto& [name, bytes] : before)
        EXPECT_EQ(after.count(name) ? after.at(name) : "<gone>", bytes) << name;
    EXPECT_FALSE(fs::exists(cwd.path() / "fresh" / "dataset.json")) << "nothing coded into a run that must fail";
}

// The folders of the files a run writes at its end are made as --out makes its own, before any work.
TEST_F(DataSetSafetyTest, OutputsInFoldersNotYetMadeAreWrittenThereAsTheResultFolderIs) {
    exited(0, kSweep + Arguments{"--quiet", "--out", "runs/first", "--aggregate-csv", "tables/sweep/aggregate.csv",
                                 "set/p1.bmp", "set/p3.bmp"});
    EXPECT_TRUE(fs::exists(cwd.path() / "runs/first/dataset.json"));
    EXPECT_EQ(fileBytes(cwd.file("tables/sweep/aggregate.csv")).rfind("codec,quality,pictures,", 0), 0u);
    exited(0, {"merge", "--quiet", "--aggregate-csv", "tables/merged/aggregate.csv", "runs/first"});
    EXPECT_EQ(fileBytes(cwd.file("tables/merged/aggregate.csv")), fileBytes(cwd.file("tables/sweep/aggregate.csv")));
    exited(0, {"report", "--html", "pages/run/index.html", "runs/first"});
    EXPECT_NE(fileBytes(cwd.file("pages/run/index.html")).find("<!DOCTYPE html>"), std::string::npos);
}

// A picture that cannot be read or coded ends its own items, not the run: the others are made,
// the failures are recorded with their reasons and the command ends with status 3.
TEST_F(DataSetSafetyTest, APictureThatFailsIsRecordedAndTheRunGoesOnWithTheOthers) {
    saveBitmapFile(patternBitmap(3, 3), cwd.file("set/p4_tiny.bmp"));
    std::ofstream(cwd.file("set/p5_text.png")) << "not a picture";
    const Arguments sweep{"sweep", "--codecs", "jpeg,avc", "--qualities", "40,70", "--measures", "none", "-j", "2"};
    const CliRun plain = exited(3, sweep + Arguments{"--aggregate-csv", "aggregate.csv", "set"});
    EXPECT_NE(plain.err.find("3 items failed"), std::string::npos) << plain.err;
    EXPECT_NE(plain.err.find("avc on \"set/p4_tiny.bmp\": The AVC codec needs a picture of at least 4 x 4"),
              std::string::npos)
        << plain.err;
    EXPECT_NE(plain.err.find("jpeg: \"set/p5_text.png\" is not a valid PNG file"), std::string::npos) << plain.err;
    EXPECT_EQ(std::count(plain.out.begin(), plain.out.end(), '\n'), 1 + 3 * 2 * 2 + 1 * 2);
    EXPECT_NE(fileBytes(cwd.file("aggregate.csv")).find("\r\navc,40,3,"), std::string::npos);
    EXPECT_NE(fileBytes(cwd.file("aggregate.csv")).find("\r\njpeg,40,4,"), std::string::npos);

    const CliRun json = exited(3, sweep + Arguments{"--json", "--quiet", "--out", "results", "set"});
    const QJsonArray failed = objectOf(json.out)["failed"].toArray();
    ASSERT_EQ(failed.size(), 3);
    EXPECT_EQ(failed[0].toObject()["picture"].toString(), "set/p4_tiny.bmp");
    EXPECT_EQ(failed[0].toObject()["codec"].toString(), "avc");
    EXPECT_NE(failed[1].toObject()["reason"].toString().indexOf("p5_text.png"), -1);
    EXPECT_NE(json.err.find("3 items failed"), std::string::npos) << "--quiet keeps errors: " << json.err;
    EXPECT_EQ(objectOf(json.out)["aggregate"].toArray()[0].toObject()["pictures"].toInt(), 4);

    const CliRun merged = exited(3, {"merge", "--json", "results"});
    EXPECT_EQ(withoutTimes(merged.out), withoutTimes(json.out));
    const CliRun report = run({"report", "--html", "r.html", "results"});
    if (report.exitCode != 2) {
        EXPECT_EQ(report.exitCode, 3) << report.err;
        EXPECT_NE(fileBytes(cwd.file("r.html")).find("p4_tiny.bmp</td><td>avc</td>"), std::string::npos);
    }
}

// Each of these names what is wrong, in the tool's own words, once.
TEST_F(DataSetSafetyTest, MessagesSayWhatIsWrong) {
    exited(0, kSweep + Arguments{"--quiet", "--out", "results", "set"});
    fs::copy(cwd.path() / "results", cwd.path() / "damaged");
    std::ofstream(resultFile("damaged", "p1.bmp", "jpeg"), std::ios::trunc) << "[]";
    struct Case {
        Arguments arguments;
        int status;
        std::string message;
    };
    const std::vector<Case> cases{
        {{"merge", "/nonexistent"}, 1, "The folder does not exist: \"/nonexistent\""},
        {{"merge", "damaged"}, 1, "is not a \"brenlow data set result 1\" file"},
        {{"sweep", "--qualities", "90:10:10", "set"}, 2, "counts upward from FROM to TO, and 90 is above 10"},
        {{"sweep", "--codecs", "jpeg", "set/*.gif"}, 1, "No file or folder matches: \"set/*.gif\""},
        {kSweep + Arguments{"--shard", "1/2", "set"}, 2, "name it with --out"},
    };
    for (const Case& test : cases) {
        const CliRun result = exited(test.status, test.arguments);
        EXPECT_NE(result.err.find(test.message), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("no error occurred"), std::string::npos) << result.err;
    }
    const std::string bitmap = fileBytes(cwd.file("set/p1.bmp"));
    std::ofstream(cwd.file("cut.bmp"), std::ios::binary) << bitmap.substr(0, bitmap.size() / 2);
    std::ofstream(cwd.file("junk.png")) << "not a picture";
    const CliRun cut = exited(3, {"sweep", "--codecs", "jpeg", "--qualities", "50", "--measures", "none", "set/p1.bmp",
                                  "cut.bmp", "junk.png"});
    const auto mentions = [](const std::string& text, const std::string& name) {
        std::size_t count = 0;
        for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) ++count;
        return count;
    };
    for (const std::string name : {"cut.bmp", "junk.png"}) {
        const std::size_t at = cut.err.find("\n  jpeg");
        ASSERT_NE(at, std::string::npos) << cut.err;
        const std::size_t start = cut.err.find("\"" + name + "\"", at);
        ASSERT_NE(start, std::string::npos) << cut.err;
        const std::size_t lineStart = cut.err.rfind('\n', start) + 1;
        const std::string line = cut.err.substr(lineStart, cut.err.find('\n', start) - lineStart);
        EXPECT_TRUE(line.starts_with("  jpeg")) << line;
        EXPECT_EQ(mentions(line, "\"" + name + "\""), 1u) << "the line names the file once: " << line;
    }
    EXPECT_NE(cut.err.find("  jpeg: Bitmap file \"cut.bmp\" is truncated"), std::string::npos) << cut.err;
}

// A data set file that lacks its pictures, codecs or parameters is named with what it lacks.
TEST_F(DataSetSafetyTest, ADamagedDataSetFileIsNamedWithWhatItLacks) {
    exited(0, kSweep + Arguments{"--quiet", "--out", "results", "set"});
    const QJsonObject manifest = readJsonFile(cwd.path() / "results" / "dataset.json");
    struct Damage {
        const char* key;
        QJsonValue value;  // undefined: the key is removed
        const char* lacks;
    };
    for (const Damage& damage : {Damage{"pictures", QJsonArray(), "pictures"}, Damage{"codecs", QJsonValue(), "codecs"},
                                 Damage{"parameters", QJsonValue(), "parameters"}}) {
        QJsonObject broken = manifest;
        if (damage.value.isArray()) broken[damage.key] = damage.value;
        else broken.remove(damage.key);
        writeJsonFile(cwd.path() / "results" / "dataset.json", broken);
        const CliRun merged = exited(1, {"merge", "results"});
        const std::string expected =
            std::string("The data set file is damaged: it has no ") + damage.lacks + ": \"results/dataset.json\"";
        EXPECT_NE(merged.err.find(expected), std::string::npos)
            << merged.err;
        EXPECT_EQ(merged.out, "");
    }
}

// Resuming a finished folder writes nothing, so a folder on a read-only file system resumes too.
TEST_F(DataSetSafetyTest, ResumingAFinishedFolderRewritesNothing) {
    const Arguments sweep = kSweep + Arguments{"--quiet", "--out", "results", "set"};
    exited(0, sweep);
    const auto before = folderSnapshot(cwd.path() / "results");
    struct stat first {}, second {};
    ASSERT_EQ(::stat(cwd.file("results/dataset.json").c_str(), &first), 0);
    exited(0, sweep);
    ASSERT_EQ(::stat(cwd.file("results/dataset.json").c_str(), &second), 0);
    EXPECT_EQ(first.st_ino, second.st_ino) << "the data set file was written again";
    EXPECT_EQ(folderSnapshot(cwd.path() / "results"), before);
}

// Two curves of one name, or one named like a codec of the run, could not be told apart.
TEST_F(DataSetSafetyTest, ImportsOfOneNameOrNamedLikeACodecAreUsageErrors) {
    exited(0, kSweep + Arguments{"--quiet", "--out", "results", "set"});
    std::ofstream(cwd.file("a.csv")) << "name,bpp,psnr\nlearned,0.5,30\nlearned,1.0,33\n";
    std::ofstream(cwd.file("b.csv")) << "name,bpp,psnr\nlearned,0.4,30\nlearned,0.9,33\n";
    std::ofstream(cwd.file("c.csv")) << "name,bpp,psnr\najc,0.4,30\najc,0.9,33\n";
    for (const Arguments& arguments :
         {Arguments{"merge", "--import", "a.csv", "--import", "b.csv", "results"},
          Arguments{"merge", "--import", "c.csv", "results"},
          kSweep + Arguments{"--import", "a.csv", "--import", "b.csv", "--out", "other", "set"}}) {
        const CliRun result = exited(2, arguments);
        EXPECT_NE(result.err.find("--import: "), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_FALSE(fs::exists(cwd.path() / "other")) << "refused before the run";
}

// A folder's entries that look like pictures but are none are named, not silently left out.
TEST_F(DataSetSafetyTest, FolderEntriesThatAreNoPicturesAreNamedInANote) {
    fs::create_symlink(cwd.path() / "nowhere.png", cwd.path() / "set" / "gone.png");
    fs::create_symlink("/dev/null", cwd.path() / "set" / "device.png");
    fs::create_directory(cwd.path() / "set" / "folder.bmp");
    std::ofstream(cwd.file("set/notes.txt")) << "not a picture's name";
    const CliRun result = exited(0, kSweep + Arguments{"--json", "set"});
    for (const char* note : {"Left out of the data set: \"set/device.png\" (not a regular file)",
                             "Left out of the data set: \"set/folder.bmp\" (a folder)",
                             "Left out of the data set: \"set/gone.png\" (a link to nothing)"})
        EXPECT_NE(result.err.find(note), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("notes.txt"), std::string::npos) << "other files are no pictures to leave out";
    EXPECT_EQ(objectOf(result.out)["pictures"].toArray().size(), 3);
    EXPECT_EQ(exited(0, kSweep + Arguments{"--quiet", "set"}).err, "");
}

}  // namespace
}  // namespace brenlow::testing
