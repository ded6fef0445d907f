#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <regex>

#include "anchors/anchor_codec.h"
#include "support/cli_runner.h"
#include "io/bitmap_file.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

class AnchorCliTest : public ::testing::Test {
protected:
    AnchorCliTest() { copyInto(samplePath("astronaut.bmp"), cwd, "astronaut.bmp"); }

    CliRun run(std::vector<std::string> arguments) {
        arguments.push_back("astronaut.bmp");
        return runCli(arguments, cwd.path());
    }

    TempDir cwd;
};

TEST_F(AnchorCliTest, CodeWritesTheCodedFileAndItsDecodedBitmapAndReportsLikeTheJpegCommand) {
    const AnchorCodec* webp = anchorCodecNamed("webp");
    if (webp == nullptr) GTEST_SKIP() << "built without libwebp";
    const CliRun coded = run({"code", "--codec", "webp", "-q", "75"});
    ASSERT_EQ(coded.exitCode, 0) << coded.err;
    const Bytes file = readWholeFile(cwd.file("astronaut.webp"));
    const std::regex report("Ratio: [0-9.,]+; File size: " + std::to_string(file.size()) +
                            "; Original size: 786486 SNR_R=[0-9.,]+; SNR_G=[0-9.,]+; SNR_B=[0-9.,]+;\n");
    EXPECT_TRUE(std::regex_match(coded.out, report)) << coded.out;
    EXPECT_EQ(loadBitmapFile(cwd.file("astronaut~.bmp")), webp->decode(file));
    EXPECT_EQ(file, webp->encode(loadBitmapFile(cwd.file("astronaut.bmp")), 75));

    const CliRun json = run({"code", "--codec", "webp", "-q", "75", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    EXPECT_EQ(object["command"].toString(), "code");
    EXPECT_EQ(object["codec"].toString(), "webp");
    EXPECT_EQ(object["settings"].toString().toStdString(), webp->settings());
    EXPECT_EQ(object["report"].toString().toStdString() + "\n", coded.out);
    EXPECT_EQ(object["sizes"].toObject()["coded"].toInteger(), static_cast<qint64>(file.size()));
    EXPECT_EQ(object["parameters"].toObject()["quality"].toInt(), 75);
    EXPECT_GT(object["measures"].toObject()["psnr"].toDouble(), 30.0);
    EXPECT_EQ("libwebp " + object["versions"].toObject()["libwebp"].toString().toStdString(),
              webp->libraryVersion());
}

TEST_F(AnchorCliTest, OurCodecsRunAsTheirOwnCommands) {
    const CliRun viaCode = run({"code", "--codec", "avc", "-q", "60", "--divisor", "3", "--focus", "1"});
    ASSERT_EQ(viaCode.exitCode, 0) << viaCode.err;
    const std::string coded = fileBytes(cwd.file("astronaut.avc"));
    const CliRun own = run({"avc", "-q", "60", "--divisor", "3", "--focus", "1"});
    ASSERT_EQ(own.exitCode, 0) << own.err;
    EXPECT_EQ(viaCode.out, own.out);
    EXPECT_EQ(fileBytes(cwd.file("astronaut.avc")), coded);
}

TEST_F(AnchorCliTest, UnknownCodecsAndSettingsTheCodecDoesNotTakeAreUsageErrorsThatWriteNothing) {
    const auto before = folderSnapshot(cwd.path());
    const CliRun unknown = run({"code", "--codec", "png"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("jpeg, avc, ajc"), std::string::npos) << unknown.err;
    for (const AnchorCodec* codec : anchorCodecs()) EXPECT_NE(unknown.err.find(codec->name()), std::string::npos);
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"code", "--codec", "avc", "-q", "0"}, {"code", "--codec", "jpeg", "--divisor", "3"},
          {"code", "--codec", "ajc", "--focus", "3"}, {"code", "-q", "50"}}) {
        const CliRun refused = run(arguments);
        EXPECT_EQ(refused.exitCode, 2) << arguments[2] << ": " << refused.err;
    }
    EXPECT_EQ(folderSnapshot(cwd.path()), before);
}

}  // namespace
}  // namespace brenlow::testing
