#include <gtest/gtest.h>

#include <QColorSpace>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <string>

#include "io/bitmap_file.h"
#include "jpeg/jpeg_bridge.h"
#include "support/cli_runner.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

QJsonObject jsonOf(const CliRun& run) { return QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object(); }

void saveAs(QImage picture, const QColorSpace& colours, const std::string& path) {
    picture.setColorSpace(colours);
    ASSERT_TRUE(picture.save(QString::fromStdString(path), "PNG")) << path;
}

// The same code values, untagged and declared Adobe RGB: the measures of colour see other colours
// and say which encodings they read, the code-value measures give the same figures.
TEST(ColourCliTest, CompareMeasuresThePicturesInTheColoursTheyDeclareAndSaysWhich) {
    TempDir data;
    const QImage source = loadBitmapFile(samplePath("astronaut.bmp")).copy(64, 64, 160, 128);
    QImage coded;
    LoadJpeg(coded, SaveAsJpeg(source, 30));
    saveAs(source, QColorSpace(), data.file("plain.png"));
    saveAs(coded, QColorSpace(), data.file("plain-q30.png"));
    saveAs(source, QColorSpace(QColorSpace::AdobeRgb), data.file("wide.png"));
    saveAs(coded, QColorSpace(QColorSpace::AdobeRgb), data.file("wide-q30.png"));
    const Arguments compare{"compare", "--json", "--measures", "ssimulacra2,ciede2000,butteraugli"};
    const CliRun plain = runCli(compare + Arguments{"plain.png", "plain-q30.png"}, data.path());
    const CliRun wide = runCli(compare + Arguments{"wide.png", "wide-q30.png"}, data.path());
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    ASSERT_EQ(wide.exitCode, 0) << wide.err;

    const QJsonObject plainJson = jsonOf(plain), wideJson = jsonOf(wide);
    EXPECT_EQ(plainJson["colour_encodings"].toObject(),
              (QJsonObject{{"reference", "sRGB (untagged)"}, {"compared", "sRGB (untagged)"}}));
    const QString adobe = "ICC profile \"" + QColorSpace(QColorSpace::AdobeRgb).description() + "\"";
    EXPECT_EQ(wideJson["colour_encodings"].toObject(), (QJsonObject{{"reference", adobe}, {"compared", adobe}}));
    EXPECT_EQ(wideJson["butteraugli_intensity_target"].toDouble(), 255.0);

    const QJsonObject p = plainJson["measures"].toObject(), w = wideJson["measures"].toObject();
    EXPECT_EQ(w["psnr"], p["psnr"]);
    EXPECT_EQ(w["ssim_y"], p["ssim_y"]);
    EXPECT_GT(std::abs(w["ssimulacra2"].toDouble() - p["ssimulacra2"].toDouble()), 0.1);
    EXPECT_GT(std::abs(w["ciede2000"].toDouble() - p["ciede2000"].toDouble()), 0.05);
}

// A data set says each picture's encoding, from its run and again from the result files a resumed
// run takes, and measures each picture in it: the same code values declared otherwise score otherwise.
TEST(ColourCliTest, ADataSetSaysEachPicturesEncodingFreshAndResumed) {
    TempDir data;
    const QImage source = loadBitmapFile(samplePath("astronaut.bmp")).copy(64, 64, 160, 128);
    saveAs(source, QColorSpace(), data.file("plain.png"));
    saveAs(source, QColorSpace(QColorSpace::AdobeRgb), data.file("wide.png"));
    const Arguments sweep{"sweep",   "--codecs", "jpeg",         "--qualities", "30",     "--measures", "ssimulacra2",
                          "--out",   "results",  "--keep-decoded", "--json",      "plain.png", "wide.png"};
    const QString adobe = "ICC profile \"" + QColorSpace(QColorSpace::AdobeRgb).description() + "\"";
    const QJsonObject expected{{"plain.png", "sRGB (untagged)"}, {"wide.png", adobe}};
    for (const char* run : {"fresh", "resumed"}) {
        const CliRun made = runCli(sweep, data.path());
        ASSERT_EQ(made.exitCode, 0) << run << ": " << made.err;
        const QJsonObject json = jsonOf(made);
        EXPECT_EQ(json["colour_encodings"].toObject(), expected) << run;
        QJsonObject scores;
        for (const QJsonValue& point : json["points"].toArray())
            scores[point["picture"].toString()] = point["measures"]["ssimulacra2"];
        EXPECT_GT(std::abs(scores["plain.png"].toDouble() - scores["wide.png"].toDouble()), 0.1) << run;
    }
    // The decoded pictures kept for other tools declare their source's colours.
    int keptWide = 0, keptPlain = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(data.path() / "results")) {
        if (entry.path().extension() != ".png") continue;
        const QImage kept(QString::fromStdString(entry.path().string()));
        const std::string name = entry.path().filename().string();
        if (name.starts_with("wide")) {
            ++keptWide;
            EXPECT_EQ(kept.colorSpace(), QColorSpace(QColorSpace::AdobeRgb)) << name;
        } else if (name.starts_with("plain")) {
            ++keptPlain;
            EXPECT_FALSE(kept.colorSpace().isValid()) << name;
        }
    }
    EXPECT_EQ(keptWide, 1);
    EXPECT_EQ(keptPlain, 1);
}

// What every measure takes of a 16-bit picture and of one with transparent pixels is said the same
// way by every command that reads them, once per file.
TEST(ColourCliTest, SixteenBitAndTransparentPicturesAreNotedByEveryCommand) {
    TempDir data;
    fs::create_directory(data.path() / "set");
    const QImage picture = patternBitmap(64, 48);
    ASSERT_TRUE(picture.convertToFormat(QImage::Format_RGBX64).save(QString::fromStdString(data.file("set/deep.png"))));
    QImage clear = picture.convertToFormat(QImage::Format_ARGB32);
    clear.setPixel(3, 4, qRgba(10, 20, 30, 0));
    ASSERT_TRUE(clear.save(QString::fromStdString(data.file("set/clear.png"))));
    const std::string deep = "Note: \"set/deep.png\" holds 16 bits per channel; every measure takes it rounded to 8 bits "
                             "(the nearest whole number to value x 255 / 65535)\n";
    const std::string transparent =
        "Note: \"set/clear.png\" has transparent pixels; every measure takes the colours stored in them as they are "
        "and leaves the alpha channel out (nothing is composited onto a background)\n";
    const auto count = [](const std::string& err, const std::string& note) {
        std::size_t found = 0;
        for (std::size_t at = err.find(note); at != std::string::npos; at = err.find(note, at + 1)) ++found;
        return found;
    };
    const CliRun compare = runCli({"compare", "--measures", "none", "set/deep.png", "set/clear.png"}, data.path());
    ASSERT_EQ(compare.exitCode, 0) << compare.err;
    const CliRun sweep = runCli({"sweep", "--codecs", "jpeg", "--qualities", "50,80", "--measures", "none", "set"},
                                data.path());
    ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
    for (const CliRun* run : {&compare, &sweep}) {
        EXPECT_EQ(count(run->err, deep), 1u) << run->err;
        EXPECT_EQ(count(run->err, transparent), 1u) << run->err;
    }
}

}  // namespace
}  // namespace brenlow::testing
