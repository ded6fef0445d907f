#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "catalogue/codec_registry.h"
#include "io/file_io.h"
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

// A sweep names each curve by its codec string, keeps its settings beside every figure, and takes
// an anchor and a quality list by the curve's name or its codec and settings.
TEST_F(CodecSettingsCliTest, ASweepOfOneCodecAtTwoSettingsKeepsTwoCurvesWithTheirSettings) {
    const CliRun json = run({"sweep", "--measures", "none", "--qualities", "40,80", "--codecs",
                             "jpeg,jpeg:optimize=1:label=opt,avc:focus=0", "--qualities-for", "avc:focus=0=30,50,70",
                             "--anchor", "jpeg:optimize=1", "--json", "astronaut.bmp"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    const QJsonArray curves = object["parameters"]["curves"].toArray();
    ASSERT_EQ(curves.size(), 3);
    EXPECT_EQ(curves[1]["name"].toString(), "opt");
    EXPECT_EQ(curves[1]["settings"]["optimize"].toString(), "1");
    EXPECT_EQ(curves[2]["settings"].toObject(), (QJsonObject{{"divisor", "2"}, {"focus", "0"}}));
    EXPECT_EQ(curves[2]["qualities"].toArray(), (QJsonArray{30, 50, 70}));
    EXPECT_EQ(object["points"].toArray().size(), 2 + 2 + 3);
    EXPECT_EQ(object["bd_rate"]["anchor"].toString(), "opt") << "the anchor named by its codec and settings";
    const QJsonArray points = object["points"].toArray();
    EXPECT_LT(points[2]["sizes"]["coded"].toInteger(), points[0]["sizes"]["coded"].toInteger())
        << "optimised Huffman tables code the same quality in fewer bytes";

    const CliRun csv = run({"sweep", "--measures", "none", "--qualities", "50", "--codecs", "jpeg:subsampling=444",
                            "astronaut.bmp"});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_NE(csv.out.find("\r\njpeg:subsampling=444,50,"), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find(",optimize=0:subsampling=444,"), std::string::npos) << csv.out;
}

// A resumed run that spells a setting otherwise ("01" for "1") is the same run: nothing is made
// again, and the folder keeps the one spelling.
TEST_F(CodecSettingsCliTest, AResumeWithASettingSpelledOtherwiseTakesWhatWasMade) {
    const std::vector<std::string> sweep{"sweep", "--measures", "none", "--qualities", "50", "--out", "results", "-j", "1",
                                         "--codecs"};
    const CliRun first = run(sweep + std::vector<std::string>{"jpeg:optimize=1,avc:focus=2", "astronaut.bmp"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.err.find("2 items made, 0 taken"), std::string::npos) << first.err;
    const CliRun again = run(sweep + std::vector<std::string>{"jpeg:optimize=01,avc:focus=0002", "astronaut.bmp"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.err.find("0 items made, 2 taken as they were"), std::string::npos) << again.err;
    const QJsonObject manifest =
        QJsonDocument::fromJson(QByteArray::fromStdString(fileBytes(cwd.file("results/dataset.json")))).object();
    EXPECT_EQ(manifest["codecs"].toArray(), (QJsonArray{"jpeg:optimize=1", "avc:focus=2"}));
}

TEST_F(CodecSettingsCliTest, ASweepsCurvesAreCheckedBeforeAnyCoding) {
    struct Case {
        std::vector<std::string> arguments;
        const char* message;
    };
    for (const Case& c : {Case{{"--codecs", "jpeg,avif:speed=11"}, "takes speed 0-10, not \"11\""},
                          Case{{"--codecs", "webp:effort=3"}, "The codec webp has no setting \"effort\""},
                          Case{{"--codecs", "jpeg,jpeg:optimize=0"}, "are the same codec at the same settings"},
                          Case{{"--codecs", "jpeg", "--qualities-for", "avc=10,20"}, "\"avc\" is not one of the run's codecs: jpeg"},
                          Case{{"--codecs", "jpeg", "--qualities-for", "jpeg=90:10:10"}, "jpeg: "},
                          Case{{"--codecs", "jpeg:label=a", "--anchor", "jpeg:optimize=1"}, "is not one of the run's codecs: a"}}) {
        std::vector<std::string> arguments{"sweep", "--out", "results"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        arguments.push_back("astronaut.bmp");
        const CliRun refused = run(arguments);
        EXPECT_EQ(refused.exitCode, 2) << c.message;
        EXPECT_NE(refused.err.find(c.message), std::string::npos) << refused.err;
    }
    EXPECT_FALSE(fileExists(cwd.file("results"))) << "nothing is made for a run that is refused";
}

}  // namespace
}  // namespace brenlow::testing
