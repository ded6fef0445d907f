#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>

#include "io/bitmap_file.h"
#include "support/cli_runner.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

QJsonObject jsonFile(const fs::path& path) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(fileBytes(path.string()))).object();
}

void writeJsonFile(const fs::path& path, const QJsonObject& object) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << QJsonDocument(object).toJson().toStdString();
}

// Result folders handed over by someone else, resumed here: whatever they hold, a run writes and
// hashes only inside its --out, and a codec added or removed leaves the other codecs' items alone.
class HandedFolderTest : public ::testing::Test {
protected:
    HandedFolderTest() {
        fs::create_directory(cwd.path() / "set");
        saveBitmapFile(patternBitmap(48, 40), cwd.file("set/p1.bmp"));
        saveBitmapFile(patternBitmap(36, 44).mirrored(false, true), cwd.file("set/p2.bmp"));
        std::ofstream(cwd.file("codecs.json")) << "[" << codec("copy") << "," << codec("copy2") << "," << codec("..")
                                              << "]";
    }

    static std::string codec(const std::string& name) {
        return R"({"name": ")" + name + R"(", "encode": ["cp", "{input}", "{output}"], "decode": ["cp", "{input}",
            "{output}"], "format": "ppm", "extension": ".x", "quality": {"min": 0, "max": 100}})";
    }

    static Arguments sweep(const std::string& codecs, const std::string& folder) {
        return {"sweep", "--codec-file", "codecs.json", "--codecs", codecs, "--qualities", "3,6",
                "--measures", "none", "--out", folder, "set"};
    }

    CliRun exited(int status, const Arguments& arguments) {
        CliRun result = runCli(arguments, cwd.path());
        EXPECT_EQ(result.exitCode, status) << result.err;
        return result;
    }

    // The result file of the first picture with a curve.
    fs::path resultOf(const std::string& folder, const std::string& curve) {
        for (const fs::directory_entry& entry : fs::directory_iterator(cwd.path() / folder)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("p1.bmp-") && name.ends_with("-" + curve + ".json")) return entry.path();
        }
        ADD_FAILURE() << "no result of p1.bmp with " << curve << " in " << folder;
        return {};
    }

    TempDir cwd;
};

// The pictures' folder of a handed result folder is a link to a folder outside: the run replaces
// the link with a folder of its own and writes nothing through it.
TEST_F(HandedFolderTest, APicturesFolderThatIsALinkIsReplacedAndNeverWrittenThrough) {
    exited(0, sweep("copy", "results"));
    const fs::path results = cwd.path() / "results";
    fs::rename(results / "copy", cwd.path() / "elsewhere");
    for (const fs::directory_entry& entry : fs::directory_iterator(cwd.path() / "elsewhere"))
        std::ofstream(entry.path(), std::ios::trunc) << "someone else's file";
    fs::create_directory_symlink("../elsewhere", results / "copy");
    const auto before = folderSnapshot(cwd.path() / "elsewhere");

    const CliRun resumed = exited(0, sweep("copy", "results"));
    EXPECT_TRUE(contains(resumed.err, "2 items made, 0 taken")) << resumed.err;
    EXPECT_TRUE(folderSnapshot(cwd.path() / "elsewhere") == before) << "nothing outside the result folder is written";
    EXPECT_EQ(fs::symlink_status(results / "copy").type(), fs::file_type::directory);
    for (const QJsonValue& point : jsonFile(resultOf("results", "copy"))["points"].toArray())
        EXPECT_EQ(fs::symlink_status(results / point["decoded_file"].toString().toStdString()).type(),
                  fs::file_type::regular);
}

// A curve named "." or "..", by a label or by its codec's description, keeps its decoded pictures
// inside the result folder (".." put them in the folder's parent).
TEST_F(HandedFolderTest, CurvesNamedDotOrDotDotKeepTheirPicturesInsideTheResultFolder) {
    for (const char* codecs : {"..", "copy:label=..", "copy:label=."}) {
        SCOPED_TRACE(codecs);
        fs::remove_all(cwd.path() / "runs");
        fs::create_directory(cwd.path() / "runs");
        exited(0, sweep(codecs, "runs/results"));
        const fs::path results = cwd.path() / "runs/results";
        std::vector<std::string> kept;
        for (const fs::directory_entry& entry : fs::directory_iterator(results)) {
            const std::string name = entry.path().filename().string();
            if (!name.ends_with(".json") || name == "dataset.json") continue;
            for (const QJsonValue& point : jsonFile(entry.path())["points"].toArray())
                kept.push_back(point["decoded_file"].toString().toStdString());
        }
        ASSERT_EQ(kept.size(), 4u);
        for (const std::string& file : kept) {
            EXPECT_FALSE(fs::path(file).is_absolute() || *fs::path(file).begin() == "..") << "outside the folder: " << file;
            EXPECT_TRUE(fs::is_regular_file(results / file)) << file;
        }
        EXPECT_EQ(folderSnapshot(cwd.path() / "runs").size(), folderSnapshot(results).size() + 1)
            << "the folder of the results holds nothing else";
    }
}

// A result's decoded_file may name a file outside the folder, or a huge sparse file: the item is
// made again, and no file is read whole to hash it (a terabyte ended the run with std::bad_alloc).
TEST_F(HandedFolderTest, AKeptPictureOutsideTheFolderOrOfImplausibleSizeIsMadeAgain) {
    const Arguments run = sweep("copy", "results");
    exited(0, run);
    const fs::path file = resultOf("results", "copy");
    const QJsonObject made = jsonFile(file);
    const fs::path kept = cwd.path() / "results" / made["points"][0]["decoded_file"].toString().toStdString();
    const auto recordAsKept = [&](const std::string& decoded) {
        QJsonArray points = made["points"].toArray();
        QJsonObject first = points[0].toObject();
        first["decoded_file"] = QString::fromStdString(decoded);
        points.replace(0, first);
        QJsonObject result = made;
        result["points"] = points;
        writeJsonFile(file, result);
    };
    const fs::path huge = cwd.path() / "huge.png";
    std::ofstream{huge};
    fs::resize_file(huge, std::uintmax_t{1} << 40);
    fs::copy_file(kept, cwd.path() / "moved.png");
    for (const std::string& outside : {std::string("../moved.png"), (cwd.path() / "moved.png").string(), huge.string()}) {
        SCOPED_TRACE(outside);
        recordAsKept(outside);
        const CliRun resumed = exited(0, run);
        EXPECT_TRUE(contains(resumed.err, "1 items made, 1 taken")) << resumed.err;
        EXPECT_EQ(jsonFile(file)["points"][0]["decoded_file"].toString(), made["points"][0]["decoded_file"].toString());
    }
    writeJsonFile(file, made);
    fs::resize_file(kept, std::uintmax_t{1} << 40);
    const CliRun resumed = exited(0, run);
    EXPECT_TRUE(contains(resumed.err, "1 items made, 1 taken")) << resumed.err;
    EXPECT_LT(fs::file_size(kept), 1u << 20) << "the picture is kept again";
}

// Each result records the commands of its own codec only: a codec described by commands that is
// added to a finished folder makes only its own items, and one removed remakes nothing.
TEST_F(HandedFolderTest, ACodecAddedOrRemovedLeavesTheOtherCodecsItemsAlone) {
    EXPECT_TRUE(contains(exited(0, sweep("jpeg,copy", "results")).err, "4 items made, 0 taken"));
    const CliRun added = exited(0, sweep("jpeg,copy,copy2", "results"));
    EXPECT_TRUE(contains(added.err, "2 items made, 4 taken")) << added.err;
    const CliRun removed = exited(0, sweep("jpeg,copy2", "results"));
    EXPECT_TRUE(contains(removed.err, "0 items made, 4 taken")) << removed.err;

    // Results written while every item recorded every described codec's commands are still taken.
    const fs::path file = resultOf("results", "jpeg");
    QJsonObject old = jsonFile(file);
    QJsonObject parameters = old["parameters"].toObject();
    QJsonObject versions = parameters["versions"].toObject();
    versions["copy commands"] = "encode: cp {input} {output}; decode: cp {input} {output}; ppm pictures, .x files";
    parameters["versions"] = versions;
    old["parameters"] = parameters;
    writeJsonFile(file, old);
    const CliRun resumed = exited(0, sweep("jpeg,copy2", "results"));
    EXPECT_TRUE(contains(resumed.err, "0 items made, 4 taken")) << resumed.err;
    exited(0, {"merge", "--quiet", "results"});
}

}  // namespace
}  // namespace brenlow::testing
