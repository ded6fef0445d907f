// Figures, names and settings as they come back from files other people hand over: result
// folders, and the CSV tables written from them.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cfloat>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "catalogue/codec_curve.h"
#include "experiments/dataset_outcome.h"
#include "imaging/quality_metrics.h"
#include "measures/measures.h"
#include "results/dataset_store.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

namespace fs = std::filesystem;
using testing::messageOf;
using testing::TempDir;

// One point of JPEG at quality 50 on a picture of 100 x 100, as a run keeps it.
SweepPoint jpegPoint(const std::string& curve, std::uint64_t codedSize) {
    SweepPoint point;
    point.curve = curve;
    point.quality = 50;
    point.figures = makeFigures(30054, codedSize);
    point.measures.bitsPerPixel = bitsPerPixel(codedSize, 100, 100);
    point.measures.picture.psnr = 34.5;
    point.measures.picture.ssimLuma = -0.25;  // rare, but a measure may be negative
    point.megapixels = 0.01;
    return point;
}

StoredResult storedResult(const CodecCurve& curve, std::uint64_t codedSize) {
    StoredResult result;
    result.picture = "/pictures/a.png";
    result.curve = curve;
    result.parameters.qualities = {50};
    result.sweep.curves = {curve};
    result.sweep.points = {jpegPoint(curve.name, codedSize)};
    return result;
}

// The result file the folder keeps of the result.
std::string resultPath(const TempDir& folder, const StoredResult& result) {
    return folder.file(resultFileName(result.picture, result.curve.name));
}

QJsonObject jsonFile(const std::string& path) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(testing::fileBytes(path))).object();
}

void writeJsonFile(const std::string& path, const QJsonObject& object) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << QJsonDocument(object).toJson().toStdString();
}

// The file with one field of its one point given as the JSON text `value`.
void setPointField(const std::string& path, const QString& key, const std::string& value) {
    QJsonObject object = jsonFile(path);
    QJsonArray points = object["points"].toArray();
    QJsonObject point = points[0].toObject();
    point[key] = QJsonDocument::fromJson(QByteArray::fromStdString("[" + value + "]")).array()[0];
    points[0] = point;
    object["points"] = points;
    writeJsonFile(path, object);
}

// Numbers far beyond 64 bytes of digits are written whole, as printf writes them.
TEST(FormatMeasureTest, EveryFiniteNumberIsWrittenWholeHoweverLarge) {
    for (const double value : {1e200, 1e308, -DBL_MAX, DBL_MAX, 123.456}) {
        for (const int decimals : {0, 4, 6}) {
            char expected[400];
            std::snprintf(expected, sizeof expected, "%.*f", decimals, value);
            EXPECT_EQ(formatMeasure(value, decimals), expected) << value << " with " << decimals;
        }
    }
}

// A figure no pair of pictures can have is a fault of the file: it is refused, naming the file, the
// figure and what it can be, rather than carried into every table and report made from the folder.
TEST(StoredResultTest, FiguresNoPictureCanHaveAreRefusedNamingTheFileAndWhatTheyCanBe) {
    const TempDir folder;
    const StoredResult result = storedResult(defaultCurve(StillCodec::Jpeg), 1200);
    const std::string path = resultPath(folder, result);
    struct Case {
        const char* key;
        std::string value;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"psnr", "1e200", "psnr of the point at quality 50 as 1e+200, which it cannot be: it lies between 0 and 200, or inf"},
        {"psnr_y", "\"-inf\"", "psnr_y of the point at quality 50 as -inf"},
        {"ssim_y", "2", "between -1 and 1"},
        {"ciede2000", "-1", "ciede2000 of the point at quality 50 as -1"},
        {"bits_per_pixel", "1e308", "bits_per_pixel of the point at quality 50 as 1e+308"},
        {"bits_per_pixel", "-0.5", "bits_per_pixel of the point at quality 50 as -0.5"},
        {"ratio", "-3", "ratio of the point at quality 50 as -3"},
        {"encode_seconds", "-1", "a time in seconds of the point at quality 50 as -1"},
        {"target_bpp", "1e300", "target_bpp of the point at quality 50 as 1e+300"},
        {"coded_size", "-5", "coded_size of the point at quality 50 as -5, not a size in bytes"},
        {"coded_size", "1.5", "coded_size of the point at quality 50 as 1.5, not a size in bytes"},
        {"original_size", "\"big\"", "original_size of the point at quality 50 as no number"}};
    for (const Case& c : cases) {
        writeResult(folder.path().string(), result);
        ASSERT_NO_THROW(readResult(path));
        setPointField(path, c.key, c.value);
        const std::string message = messageOf([&] { readResult(path); });
        EXPECT_NE(message.find(c.expected), std::string::npos) << c.key << " " << c.value << ": " << message;
        EXPECT_NE(message.find(path), std::string::npos) << message;
    }
}

// Sizes beyond 4 GiB are kept whole through the figures, the result file and the CSV; the report
// line of a normal size keeps its bytes.
TEST(StoredResultTest, CodedSizesBeyondThirtyTwoBitsAreKeptWhole) {
    const TempDir folder;
    const std::uint64_t huge = 4294967396ull;  // 2^32 + 100
    const StoredResult result = storedResult(defaultCurve(StillCodec::Jpeg), huge);
    writeResult(folder.path().string(), result);
    const std::optional<StoredResult> read = readResult(resultPath(folder, result));
    ASSERT_TRUE(read);
    const SweepPoint& point = read->sweep.points.at(0);
    EXPECT_EQ(point.figures.codedSize, huge);
    EXPECT_NE(sweepCsvRow(point, "").find(",50,4294967396,30054,"), std::string::npos) << sweepCsvRow(point, "");
    EXPECT_EQ(shortReportLine(makeFigures(30054, 1200)), "Ratio: 25.045; File size: 1200; Original size: 30054");
}

// Settings written by hand in a handed folder ("01") mean what the run's own ("1") mean.
TEST(StoredResultTest, SettingsAreReadInTheirCanonicalForm) {
    const TempDir folder;
    const StoredResult result = storedResult(curveNamed("jpeg:optimize=1:label=tables"), 1200);
    writeResult(folder.path().string(), result);
    const std::string path = resultPath(folder, result);
    QJsonObject object = jsonFile(path);
    QJsonObject curve = object["curve"].toObject();
    curve["settings"] = QJsonObject{{"optimize", "01"}, {"subsampling", "420"}};
    object["curve"] = curve;
    writeJsonFile(path, object);
    const std::optional<StoredResult> read = readResult(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->curve, result.curve);
}

// Text a spreadsheet would run as a formula gets a leading quote in every CSV, quoted as CSV
// needs; numbers, negative ones too, stay numbers.
TEST(CsvCellTest, TextThatASpreadsheetWouldRunIsNeutralisedAndNumbersStayNumbers) {
    EXPECT_EQ(csvField("=1+2"), "'=1+2");
    EXPECT_EQ(csvField("+1"), "'+1");
    EXPECT_EQ(csvField("-3.2"), "'-3.2");
    EXPECT_EQ(csvField("@SUM(A1)"), "'@SUM(A1)");
    EXPECT_EQ(csvField("\tx"), "'\tx");
    EXPECT_EQ(csvField("\rx"), "\"'\rx\"");
    EXPECT_EQ(csvField("=a,\"b\""), "\"'=a,\"\"b\"\"\"");
    EXPECT_EQ(csvField("a=b-c"), "a=b-c");

    const CodecCurve curve = curveNamed("jpeg:label=-3.2");
    const SweepPoint point = jpegPoint(curve.name, 1200);
    const std::string row = sweepCsvRow(point, curve.settingsText());
    EXPECT_EQ(row.rfind("'-3.2,50,1200,", 0), 0u) << row;
    EXPECT_NE(row.find(",-0.250000,"), std::string::npos) << "a negative SSIM stays a number: " << row;

    PictureOutcome picture;
    picture.picture = "=HYPERLINK(\"http://x\")";
    picture.sweep.curves = {curve};
    picture.sweep.points = {point};
    DataSetParameters parameters;
    parameters.qualities = {50};
    const DataSetOutcome outcome = makeDataSetOutcome({picture.picture}, {curve}, parameters, {picture});
    const std::string points = dataSetCsv(outcome);
    EXPECT_NE(points.find("\r\n\"'=HYPERLINK(\"\"http://x\"\")\",'-3.2,50,"), std::string::npos) << points;
    const std::string aggregate = aggregateCsv(outcome);
    EXPECT_NE(aggregate.find("\r\n'-3.2,50,1,0.960000,"), std::string::npos) << aggregate;
}

}  // namespace
}  // namespace brenlow
