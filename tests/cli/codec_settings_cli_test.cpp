#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "io/file_io.h"
#include "research/codec_registry.h"
#include "support/cli_runner.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

class CodecSettingsCliTest : public ::testing::Test {
protected:
    CodecSettingsCliTest() { copyInto(samplePath("astronaut.bmp"), cwd, "astronaut.bmp"); }

    CliRun run(const std::vector<std::string>& arguments) { return runCli(arguments, cwd.path()); }

    Bytes codedBy(const std::vector<std::string>& arguments, const std::string& output) {
        const CliRun coded = run(arguments);
        EXPECT_EQ(coded.exitCode, 0) << coded.err;
        return readWholeFile(cwd.file(output));
    }

    TempDir cwd;
};

TEST_F(CodecSettingsCliTest, CodecsListsEveryCodecOfTheRegistryWithItsSettings) {
    const CliRun listed = run({"codecs", "--json"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const QJsonArray codecs = QJsonDocument::fromJson(QByteArray::fromStdString(listed.out))["codecs"].toArray();
    ASSERT_EQ(codecs.size(), static_cast<qsizetype>(codecRegistry().size()));
    for (qsizetype i = 0; i < codecs.size(); ++i) {
        const CodecEntry& entry = codecRegistry()[static_cast<std::size_t>(i)];
        const QJsonObject codec = codecs[i].toObject();
        EXPECT_EQ(codec["name"].toString().toStdString(), entry.name);
        EXPECT_EQ(codec["settings"].toArray().size(), static_cast<qsizetype>(entry.settings.size())) << entry.name;
        EXPECT_FALSE(codec["library"].toString().isEmpty());
    }
    const CliRun text = run({"codecs"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("  subsampling=420, 422, 444 (default 420)"), std::string::npos) << text.out;
}

// The codecs' own commands and `code` with the same settings write the same bytes.
TEST_F(CodecSettingsCliTest, SettingsInTheCodecNameCodeAsTheCommandsOptionsDo) {
    EXPECT_EQ(codedBy({"code", "--codec", "avc:divisor=3:focus=4", "-q", "60", "astronaut.bmp"}, "astronaut.avc"),
              codedBy({"avc", "--divisor", "3", "--focus", "4", "-q", "60", "astronaut.bmp"}, "astronaut.avc"));
    EXPECT_EQ(codedBy({"code", "--codec", "ajc:divisor=5", "-q", "60", "astronaut.bmp"}, "astronaut.ajc"),
              codedBy({"ajc", "--divisor", "5", "-q", "60", "astronaut.bmp"}, "astronaut.ajc"));
    const Bytes plainJpeg = codedBy({"jpeg", "-q", "60", "astronaut.bmp"}, "astronaut.jpg");
    EXPECT_EQ(codedBy({"code", "--codec", "jpeg:optimize=0:subsampling=420", "-q", "60", "astronaut.bmp"},
                      "astronaut.jpg"),
              plainJpeg);
    const Bytes optimized = codedBy({"code", "--codec", "jpeg:optimize=1", "-q", "60", "astronaut.bmp"}, "astronaut.jpg");
    EXPECT_LT(optimized.size(), plainJpeg.size());

    const CliRun json = run({"code", "--codec", "jpeg:subsampling=444", "-q", "60", "--json", "astronaut.bmp"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const QJsonObject settings = QJsonDocument::fromJson(QByteArray::fromStdString(json.out))["codec_settings"].toObject();
    EXPECT_EQ(settings, (QJsonObject{{"optimize", "0"}, {"subsampling", "444"}}));
}

TEST_F(CodecSettingsCliTest, AWrongCodecKeyOrValueIsAUsageErrorThatSaysWhatIsAllowed) {
    struct Case {
        std::vector<std::string> arguments;
        const char* message;
    };
    for (const Case& c : {Case{{"--codec", "jpeg:quality=5"}, "The codec jpeg has no setting \"quality\"; it takes optimize, subsampling"},
                          Case{{"--codec", "jpeg:subsampling=411"}, "The codec jpeg takes subsampling 420, 422, 444, not \"411\""},
                          Case{{"--codec", "avc:focus=1001"}, "The codec avc takes focus 0-1000, not \"1001\""},
                          Case{{"--codec", "ajc:focus=1"}, "The codec ajc has no setting \"focus\""},
                          Case{{"--codec", "jpg"}, "\"jpg\" is not a codec of this build; there are jpeg, avc, ajc"},
                          Case{{"--codec", "avc:divisor=3", "--divisor", "3"}, "the divisor is given twice"}}) {
        std::vector<std::string> arguments{"code"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        arguments.push_back("astronaut.bmp");
        const CliRun refused = run(arguments);
        EXPECT_EQ(refused.exitCode, 2) << c.message;
        EXPECT_NE(refused.err.find(c.message), std::string::npos) << refused.err;
    }
    EXPECT_FALSE(fileExists(cwd.file("astronaut.jpg")));
}

}  // namespace
}  // namespace brenlow::testing
