#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <regex>

#include "io/bitmap_file.h"
#include "measures/butteraugli.h"
#include "measures/measures.h"
#include "support/cli_runner.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

const char* const kCodecs[] = {"jpeg", "avc", "ajc"};

QJsonObject parsedObject(const std::string& text) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return document.object();
}

class ResearchCliTest : public ::testing::Test {
protected:
    // The sample in a folder of its own, the tool run there.
    CliRun runOnSample(std::vector<std::string> arguments) {
        copyInto(samplePath("astronaut.bmp"), cwd, "astronaut.bmp");
        arguments.push_back("astronaut.bmp");
        return runCli(arguments, cwd.path());
    }

    // A single command on a fresh copy of the sample, in a folder of its own.
    static QJsonObject singleRunJson(const std::string& command, const std::string& quality) {
        TempDir folder;
        copyInto(samplePath("astronaut.bmp"), folder, "astronaut.bmp");
        const CliRun run = runCli({command, "-q", quality, "--json", "astronaut.bmp"}, folder.path());
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return parsedObject(run.out);
    }

    TempDir cwd;
};

TEST_F(ResearchCliTest, SweepOfTheSampleMatchesTheSingleCommandsAtQuality80AndWritesNothing) {
    copyInto(samplePath("astronaut.bmp"), cwd, "astronaut.bmp");
    const auto before = folderSnapshot(cwd.path());
    const CliRun sweep = runCli({"sweep", "--json", "astronaut.bmp"}, cwd.path());
    ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
    EXPECT_EQ(folderSnapshot(cwd.path()), before);

    const QJsonObject result = parsedObject(sweep.out);
    const QJsonArray points = result["points"].toArray();
    ASSERT_EQ(points.size(), 27) << "three codecs at 10, 20, ..., 90";
    std::map<std::string, QJsonObject> at80;
    for (const QJsonValue& point : points) {
        const QJsonObject object = point.toObject();
        if (object["quality"].toInt() == 80) at80[object["codec"].toString().toStdString()] = object;
    }
    for (const char* codec : kCodecs) {
        SCOPED_TRACE(codec);
        const QJsonObject single = singleRunJson(codec, "80");
        ASSERT_EQ(at80.count(codec), 1u);
        const QJsonObject& point = at80[codec];
        EXPECT_EQ(point["report"].toString(), single["report"].toString());
        EXPECT_EQ(point["sizes"].toObject()["coded"], single["sizes"].toObject()["coded"]);
        EXPECT_EQ(point["sizes"].toObject()["original"], single["sizes"].toObject()["original"]);
        EXPECT_EQ(point["ratio"], single["ratio"]);
        EXPECT_EQ(point["measures"].toObject(), single["measures"].toObject());
        EXPECT_EQ(point["settings"].toObject(), single["codec_settings"].toObject());
    }
    const QJsonObject rates = result["bd_rate"].toObject();
    EXPECT_EQ(rates["anchor"].toString(), "jpeg");
    int ajcRows = 0;
    for (const QJsonValue& row : rates["rows"].toArray()) {
        if (row["codec"].toString() != "ajc") continue;
        ++ajcRows;
        EXPECT_TRUE(row["rate_percent"]["value"].isDouble()) << row["measure"].toString().toStdString();
    }
    EXPECT_EQ(ajcRows, 14) << "seven measures, each cubic and PCHIP";
}

// An anchor codec in the sweep gives what its own command gives; the measures left out are null and
// take no row of delta rates, and the rates are taken against the anchor asked for.
TEST_F(ResearchCliTest, AnchorCodecPointsEqualTheCodeCommandAndTheChoiceOfMeasuresAndAnchorHolds) {
    const CliRun sweep = runOnSample({"sweep", "--codecs", "jpeg,webp", "--qualities", "40,60,80,90", "--anchor",
                                      "webp", "--measures", "ciede2000", "--json"});
    ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
    const QJsonObject result = parsedObject(sweep.out);
    QJsonObject webpAt80;
    for (const QJsonValue& point : result["points"].toArray())
        if (point["codec"].toString() == "webp" && point["quality"].toInt() == 80) webpAt80 = point.toObject();
    TempDir folder;
    copyInto(samplePath("astronaut.bmp"), folder, "astronaut.bmp");
    const CliRun code = runCli({"code", "--codec", "webp", "-q", "80", "--json", "astronaut.bmp"}, folder.path());
    ASSERT_EQ(code.exitCode, 0) << code.err;
    const QJsonObject single = parsedObject(code.out);
    EXPECT_EQ(webpAt80["report"].toString(), single["report"].toString());
    EXPECT_EQ(webpAt80["sizes"].toObject()["coded"], single["sizes"].toObject()["coded"]);
    const QJsonObject measures = webpAt80["measures"].toObject();
    EXPECT_EQ(measures["psnr"], single["measures"].toObject()["psnr"]);
    EXPECT_EQ(measures["ciede2000"], single["measures"].toObject()["ciede2000"]);
    EXPECT_TRUE(measures["ms_ssim_y"].isNull());
    EXPECT_TRUE(measures["butteraugli_max"].isNull());
    EXPECT_GT(webpAt80["timing"].toObject()["encode_seconds"].toDouble(), 0.0);
    EXPECT_GT(webpAt80["timing"].toObject()["decode_megapixels_per_second"].toDouble(), 0.0);

    const QJsonObject rates = result["bd_rate"].toObject();
    EXPECT_EQ(rates["anchor"].toString(), "webp");
    std::set<std::string> measured;
    for (const QJsonValue& row : rates["rows"].toArray()) {
        EXPECT_EQ(row["codec"].toString(), "jpeg");
        measured.insert(row["measure"].toString().toStdString());
    }
    EXPECT_EQ(measured, (std::set<std::string>{"psnr", "psnr_y", "ssim_y_db", "ciede2000"}));
}

TEST_F(ResearchCliTest, SweepCsvHasOneRowPerPointAndTheDeltaRatesOnStderr) {
    const CliRun run = runOnSample({"sweep", "--codecs", "jpeg,ajc", "--qualities", "30,60,90"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind("codec,quality,coded_size,", 0), 0u);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 7);
    EXPECT_NE(run.out.find("\r\najc,90,"), std::string::npos);
    EXPECT_NE(run.err.find("BD-rate ajc against jpeg on psnr, cubic: n/a"), std::string::npos) << "three points make no cubic";
    EXPECT_NE(run.err.find("BD-rate ajc against jpeg on psnr_y, pchip: +"), std::string::npos) << run.err;
}

TEST_F(ResearchCliTest, SweepRefusesBadCodecsAndQualitiesAsUsageErrors) {
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"--codecs", "png"}, {"--anchor", "png"}, {"--measures", "ms_ssim,psnr"}, {"--qualities", "0:90:10"}, {"--qualities", "90:10:10"},
          {"--qualities", "10,x"}, {"--qualities", "10:90"}, {"--qualities", "10:90:0"}}) {
        const CliRun run = runOnSample([&] {
            std::vector<std::string> arguments{"sweep"};
            arguments.insert(arguments.end(), options.begin(), options.end());
            return arguments;
        }());
        EXPECT_EQ(run.exitCode, 2) << options.back() << ": " << run.err;
        EXPECT_EQ(run.out, "");
    }
}

// Pictures of two sizes are measured over the area they share: said on stderr, and in the JSON.
// A sweep of one picture that a codec cannot take at all ends naming the picture, as a data set
// names it: the JPEG library's limit is 65500 pixels a side.
TEST_F(ResearchCliTest, ASinglePictureSweepThatCannotCodeThePictureNamesIt) {
    saveBitmapFile(patternBitmap(70000, 4), cwd.file("wide.bmp"));
    const CliRun sweep = runCli({"sweep", "--codecs", "jpeg", "--qualities", "50", "--measures", "none", "wide.bmp"},
                                cwd.path());
    EXPECT_EQ(sweep.exitCode, 1);
    EXPECT_TRUE(sweep.err.ends_with(": \"wide.bmp\"\n")) << sweep.err;
    EXPECT_EQ(std::count(sweep.err.begin(), sweep.err.end(), '\n'), 1) << sweep.err;
}

// compare reads its two pictures side by side. Qt's image plugins belong to the thread that made
// them: made on the reading thread, which ends first, they were freed at exit with that thread's
// data freed twice, and the heap the measures' threads had reused since was found corrupt (an
// abort after the figures, in a third of the runs on a busy machine). Four at a time, as a loaded
// machine runs them.
TEST_F(ResearchCliTest, ComparingTwoPngsEndsCleanlyHoweverBusyTheMachine) {
    ASSERT_TRUE(patternBitmap(64, 48).save(QString::fromStdString(cwd.file("a.png")), "PNG"));
    ASSERT_TRUE(patternBitmap(64, 48).mirrored(true, false).save(QString::fromStdString(cwd.file("b.png")), "PNG"));
    for (int round = 0; round < 10; ++round) {
        std::vector<CliProcess> runs;
        for (int run = 0; run < 4; ++run)
            runs.push_back(startCli({"compare", "--measures", "butteraugli", "a.png", "b.png"}, cwd.path()));
        for (const CliProcess& run : runs) EXPECT_EQ(waitForCli(run), 0) << "round " << round;
    }
}

TEST_F(ResearchCliTest, CompareOfTwoSizesSaysSoAndGivesBothSizes) {
    saveBitmapFile(patternBitmap(40, 30), cwd.file("a.bmp"));
    saveBitmapFile(patternBitmap(36, 32), cwd.file("b.bmp"));
    saveBitmapFile(patternBitmap(40, 30).mirrored(true, false), cwd.file("c.bmp"));
    const CliRun differing = runCli({"compare", "a.bmp", "b.bmp", "--json", "--measures", "none"}, cwd.path());
    ASSERT_EQ(differing.exitCode, 0) << differing.err;
    EXPECT_NE(differing.err.find("\"a.bmp\" is 40 x 30, \"b.bmp\" 36 x 32; measured over the 36 x 30"),
              std::string::npos)
        << differing.err;
    const QJsonObject sizes = parsedObject(differing.out)["sizes"].toObject();
    EXPECT_EQ(sizes["reference"].toObject(), (QJsonObject{{"width", 40}, {"height", 30}}));
    EXPECT_EQ(sizes["compared"].toObject(), (QJsonObject{{"width", 36}, {"height", 32}}));
    EXPECT_EQ(sizes["measured"].toObject(), (QJsonObject{{"width", 36}, {"height", 30}}));
    const CliRun same = runCli({"compare", "a.bmp", "c.bmp", "--measures", "none"}, cwd.path());
    ASSERT_EQ(same.exitCode, 0) << same.err;
    EXPECT_EQ(same.err, "") << "pictures of one size need no word";
}

TEST_F(ResearchCliTest, JsonOfACodingCommandCarriesItsReportLineFilesAndEveryMeasure) {
    const CliRun plain = runOnSample({"avc"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    const std::string avcFile = fileBytes(cwd.file("astronaut.avc"));
    const CliRun run = runOnSample({"avc", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(fileBytes(cwd.file("astronaut.avc")), avcFile) << "--json changes only what is printed";
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1);

    const QJsonObject object = parsedObject(run.out);
    EXPECT_EQ(object["command"].toString(), "avc");
    EXPECT_EQ(object["input"].toString(), "astronaut.bmp");
    EXPECT_EQ(object["parameters"].toObject(), (QJsonObject{{"quality", 80}, {"divisor", 2.5}, {"focus", 2}}));
    EXPECT_EQ(object["report"].toString().toStdString() + "\n", plain.out);
    EXPECT_EQ(object["sizes"].toObject()["original"].toInt(), 786486);
    EXPECT_EQ(object["sizes"].toObject()["coded"].toInt(), static_cast<int>(avcFile.size()));
    EXPECT_EQ(object["coded_file"].toString(), "astronaut.avc");
    const QJsonObject measures = object["measures"].toObject();
    EXPECT_EQ(measures.keys(),
              QStringList({"bits_per_pixel", "butteraugli_3norm", "butteraugli_max", "ciede2000", "ms_ssim_y",
                           "ms_ssim_y_db", "psnr", "psnr_b", "psnr_g", "psnr_r", "psnr_y", "ssim_y", "ssim_y_db", "ssimulacra2"}));
    EXPECT_DOUBLE_EQ(measures["bits_per_pixel"].toDouble(), 8.0 * static_cast<double>(avcFile.size()) / (512 * 512));
    EXPECT_GE(object["seconds"].toDouble(), 0.0);
    EXPECT_EQ(object["versions"].toObject()["libjpeg"].toString().left(2), "62");
    EXPECT_FALSE(object["versions"].toObject()["qt"].toString().isEmpty());
}

TEST_F(ResearchCliTest, JsonOfTheAjcCommandMeasuresAlthoughItsReportLineHasNoRatios) {
    const QJsonObject object = singleRunJson("ajc", "50");
    EXPECT_EQ(object["parameters"].toObject(), (QJsonObject{{"quality", 50}, {"divisor", 2.5}}));
    EXPECT_FALSE(object["report"].toString().contains("SNR"));
    EXPECT_GT(object["measures"].toObject()["psnr"].toDouble(), 20.0);
}

TEST_F(ResearchCliTest, CompareMeasuresTheSecondPictureAgainstTheFirst) {
    const QImage reference = patternBitmap(40, 30);
    QImage changed = reference;
    changed.scanLine(3)[2] = static_cast<uchar>(changed.scanLine(3)[2] ^ 0x10);
    saveBitmapFile(reference, cwd.file("a.bmp"));
    saveBitmapFile(changed, cwd.file("b.bmp"));

    const CliRun same = runCli({"compare", "a.bmp", "a.bmp"}, cwd.path());
    const std::string noButteraugli = butteraugliAvailable() ? "0.0000" : "n/a";
    EXPECT_EQ(same.out, "PSNR_R=inf; PSNR_G=inf; PSNR_B=inf; PSNR=inf; PSNR_Y=inf; SSIM_Y=1.00000; MS-SSIM_Y=n/a; "
                        "MS-SSIM_Y_dB=n/a; CIEDE2000=0.0000; BUTTERAUGLI_MAX=" + noButteraugli +
                            "; BUTTERAUGLI_3NORM=" + noButteraugli + "; SSIMULACRA2=n/a;\n");

    const PictureMeasures m = measurePictures(reference, changed);
    const CliRun differ = runCli({"compare", "a.bmp", "b.bmp"}, cwd.path());
    EXPECT_EQ(differ.out, "PSNR_R=" + formatMeasure(m.psnrRed, 3) + "; PSNR_G=inf; PSNR_B=inf; PSNR=" +
                              formatMeasure(m.psnr, 3) + "; PSNR_Y=" + formatMeasure(m.psnrLuma, 3) +
                              "; SSIM_Y=" + formatMeasure(m.ssimLuma, 5) +
                              "; MS-SSIM_Y=n/a; MS-SSIM_Y_dB=n/a; CIEDE2000=" + formatMeasure(m.ciede2000, 4) +
                              "; BUTTERAUGLI_MAX=" + formatMeasure(m.butteraugliMax, 4) +
                              "; BUTTERAUGLI_3NORM=" + formatMeasure(m.butteraugli3Norm, 4) + "; SSIMULACRA2=n/a;\n");

    // SSIMULACRA 2 only when asked for: 100 for the same picture, undefined below 8 pixels a side.
    const CliRun scored = runCli({"compare", "a.bmp", "a.bmp", "--measures", "ssimulacra2"}, cwd.path());
    EXPECT_NE(scored.out.find("; CIEDE2000=n/a; BUTTERAUGLI_MAX=n/a; BUTTERAUGLI_3NORM=n/a; SSIMULACRA2=100.0000;\n"),
              std::string::npos)
        << scored.out;
    saveBitmapFile(patternBitmap(7, 30), cwd.file("narrow.bmp"));
    const CliRun narrow = runCli({"compare", "narrow.bmp", "narrow.bmp", "--measures", "ssimulacra2"}, cwd.path());
    EXPECT_NE(narrow.out.find("SSIMULACRA2=n/a;"), std::string::npos) << narrow.out;

    const QJsonObject json = parsedObject(runCli({"compare", "--json", "a.bmp", "b.bmp"}, cwd.path()).out);
    EXPECT_EQ(json["measures"].toObject()["psnr_g"].toString(), "inf");
    EXPECT_DOUBLE_EQ(json["measures"].toObject()["psnr_r"].toDouble(), m.psnrRed);
    EXPECT_TRUE(json["measures"].toObject()["ms_ssim_y"].isNull()) << "below 176 x 176";
    EXPECT_DOUBLE_EQ(json["measures"].toObject()["ciede2000"].toDouble(), m.ciede2000);
    EXPECT_EQ(json["compared"].toString(), "b.bmp");

    const CliRun fewer = runCli({"compare", "--measures", "none", "a.bmp", "b.bmp"}, cwd.path());
    EXPECT_EQ(fewer.out.substr(0, fewer.out.find(" MS-SSIM")), differ.out.substr(0, differ.out.find(" MS-SSIM")));
    EXPECT_NE(fewer.out.find("CIEDE2000=n/a; BUTTERAUGLI_MAX=n/a;"), std::string::npos) << fewer.out;
    EXPECT_EQ(runCli({"compare", "--measures", "psnr", "a.bmp", "b.bmp"}, cwd.path()).exitCode, 2);

    EXPECT_EQ(runCli({"compare", "a.bmp"}, cwd.path()).exitCode, 2);
    const CliRun missing = runCli({"compare", "a.bmp", "none.bmp"}, cwd.path());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err, "");
}

}  // namespace
}  // namespace brenlow::testing
