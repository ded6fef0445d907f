#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "catalogue/decoded_folder.h"
#include "experiments/kept_decoded.h"
#include "io/bitmap_file.h"
#include "measures/measures.h"
#include "support/cli_runner.h"
#include "support/dataset_pictures.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

QJsonObject jsonOf(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return QJsonDocument::fromJson(QByteArray::fromStdString(text.str())).object();
}

class KeptDecodedCliTest : public ::testing::Test {
protected:
    KeptDecodedCliTest() {
        fs::create_directory(cwd.path() / "set");
        const std::vector<std::string> pictures = makeSmallDataSet(cwd.file("set"));
        picture = fs::path(pictures[1]).filename().string();
    }

    // One picture, our JPEG and AVC and a library codec, at two qualities.
    CliRun sweep(const Arguments& extra) {
        return runCli(Arguments{"sweep", "--codecs", "jpeg,avc,webp", "--qualities", "40,80", "--measures", "ms_ssim",
                                "set/" + picture} +
                          extra,
                      cwd.path());
    }

    TempDir cwd;
    std::string picture;
};

// Every point of every codec keeps the picture it was measured from: its PSNR against the source is
// the point's. A rerun takes the items as they are; one whose picture went is made again.
TEST_F(KeptDecodedCliTest, EveryCodecsPointsKeepTheDecodedPictureTheyWereMeasuredFrom) {
    const CliRun first = sweep({"--out", "results", "--keep-decoded"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const QImage source = loadBitmapFile(cwd.file("set/" + picture));
    std::vector<fs::path> kept;
    for (const fs::directory_entry& entry : fs::directory_iterator(cwd.path() / "results")) {
        if (entry.path().filename() == "dataset.json" || entry.path().extension() != ".json") continue;
        const QJsonObject result = jsonOf(entry.path());
        const QJsonArray points = result["points"].toArray();
        ASSERT_EQ(points.size(), 2) << entry.path();
        for (const QJsonValue& value : points) {
            const QJsonObject point = value.toObject();
            const std::string file = point["decoded_file"].toString().toStdString();
            ASSERT_FALSE(file.empty()) << result["codec"].toString().toStdString() << " keeps no decoded picture";
            EXPECT_TRUE(fs::path(file).is_relative()) << file;
            const fs::path path = cwd.path() / "results" / file;
            EXPECT_EQ(fileSha256(path.string()), point["decoded_sha256"].toString().toStdString());
            const QImage decoded = loadDecodedPicture(path.string());
            EXPECT_DOUBLE_EQ(measurePictures(source, decoded).psnr, point["psnr"].toDouble()) << file;
            kept.push_back(path);
        }
    }
    ASSERT_EQ(kept.size(), 6u) << "three codecs, two qualities";

    const CliRun again = sweep({"--out", "results", "--keep-decoded"});
    EXPECT_NE(again.err.find("0 items made, 3 taken as they were"), std::string::npos) << again.err;
    fs::remove(kept.front());
    const CliRun remade = sweep({"--out", "results", "--keep-decoded"});
    EXPECT_NE(remade.err.find("1 items made, 2 taken as they were"), std::string::npos) << remade.err;
    EXPECT_TRUE(fs::exists(kept.front()));

    const CliRun withoutFolder = sweep({"--keep-decoded"});
    EXPECT_EQ(withoutFolder.exitCode, 2);
    EXPECT_NE(withoutFolder.err.find("name it with --out"), std::string::npos) << withoutFolder.err;
}

}  // namespace
}  // namespace brenlow::testing
