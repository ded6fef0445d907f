#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "experiments/imported_curves.h"
#include "io/error.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

std::string written(const TempDir& dir, const std::string& name, const std::string& text) {
    std::ofstream(dir.file(name), std::ios::binary) << text;
    return dir.file(name);
}

std::vector<double> qualitiesOf(const std::vector<RatePoint>& points) {
    std::vector<double> qualities;
    for (const RatePoint& point : points) qualities.push_back(point.quality);
    return qualities;
}

TEST(ImportedCurveTest, ReadsPublishedJsonWithLinearMsSsimAlsoInDecibels) {
    const TempDir dir;
    const ImportedCurve curve = readImportedCurve(written(dir, "suite.json", R"({"name": "learned-a",
        "description": "ignored", "results": {"bpp": [0.25, 0.5, 1.0], "psnr": [30, 33, 36.5],
        "PSNR-Y": [31, 34, 38], "ms-ssim": [0.9, 0.99, 0.999], "lpips": [0.3, 0.2, 0.1]}})"));
    EXPECT_EQ(curve.name, "learned-a");
    ASSERT_EQ(curve.curves.size(), 4u) << "psnr, psnr_y, ms_ssim_y and ms_ssim_y_db; lpips is not ours";
    const std::vector<RatePoint>& psnr = curve.curves.at(CurveMeasure("psnr"));
    ASSERT_EQ(psnr.size(), 3u);
    EXPECT_EQ(psnr[1].rate, 0.5);
    EXPECT_EQ(psnr[2].quality, 36.5);
    EXPECT_EQ(qualitiesOf(curve.curves.at(CurveMeasure("psnr_y"))), (std::vector<double>{31, 34, 38}));
    const std::vector<double> decibels = qualitiesOf(curve.curves.at(CurveMeasure("ms_ssim_y_db")));
    ASSERT_EQ(decibels.size(), 3u);
    EXPECT_NEAR(decibels[0], 10.0, 1e-9);
    EXPECT_NEAR(decibels[1], 20.0, 1e-9);
    EXPECT_NEAR(decibels[2], 30.0, 1e-9);
}

TEST(ImportedCurveTest, ReadsCsvByColumnNameWithTheFileNameOrNameColumnAsName) {
    const TempDir dir;
    const ImportedCurve unnamed = readImportedCurve(
        written(dir, "codec-x.csv", "quality,bits_per_pixel,psnr,ssim_y_db,other\r\n10,0.2,29.5,9.1,a\r\n"
                                    "20,0.4,\"32.25\",n/a,b\r\n\r\n30,0.8,inf,14.0,c\r\n"));
    EXPECT_EQ(unnamed.name, "codec-x");
    ASSERT_EQ(unnamed.curves.size(), 2u);
    const std::vector<RatePoint>& psnr = unnamed.curves.at(CurveMeasure("psnr"));
    ASSERT_EQ(psnr.size(), 3u);
    EXPECT_EQ(psnr[1].rate, 0.4);
    EXPECT_EQ(psnr[1].quality, 32.25);
    EXPECT_TRUE(std::isinf(psnr[2].quality));
    EXPECT_TRUE(std::isnan(unnamed.curves.at(CurveMeasure("ssim_y_db"))[1].quality));

    const ImportedCurve named =
        readImportedCurve(written(dir, "points.txt", "name,bpp,ms_ssim_y\n\"codec, y\",0.5,0.99\n"));
    EXPECT_EQ(named.name, "codec, y");
    EXPECT_NEAR(named.curves.at(CurveMeasure("ms_ssim_y_db")).at(0).quality, 20.0, 1e-9);

    const ImportedCurve ours = readImportedCurve(written(dir, "aggregate.csv",
        "codec,quality,pictures,bits_per_pixel,psnr,psnr_pictures\r\nwebp,30,5,0.4,31.0,5\r\nwebp,60,5,0.8,34.0,5\r\n"));
    EXPECT_EQ(ours.name, "webp") << "one codec's rows of our own aggregate CSV";
    EXPECT_EQ(ours.curves.size(), 1u);
}

TEST(ImportedCurveTest, RefusesBrokenFilesNamingTheFileAndTheFault) {
    const TempDir dir;
    const std::vector<std::pair<std::string, std::string>> files{
        {"a.json", R"({"name": "x", "results": {"bpp": [0.5, 1.0], "psnr": [30)"},
        {"b.json", R"({"name": "x", "results": {"bpp": [0.5, 1.0], "psnr": [30, 33, 36]}})"},
        {"c.json", R"({"name": "x", "results": {"psnr": [30, 33]}})"},
        {"d.json", R"({"name": "x", "results": {"bpp": [0.5, 1.0], "psnr": [30, "high"]}})"},
        {"e.json", R"({"name": "x", "results": {"bpp": [0.5, 1.0], "lpips": [0.3, 0.2]}})"},
        {"f.json", R"([1, 2, 3])"},
        {"g.csv", "psnr,ssim_y\n30,0.9\n"},
        {"h.csv", "bpp,psnr\n0.5,30\n1.0\n"},
        {"i.csv", "bpp,psnr\n0.5,thirty\n"},
        {"j.csv", "bpp,psnr\n"},
        {"k.csv", "codec,bpp,psnr\nwebp,0.5,30\navif,0.6,31\n"}};
    const std::vector<std::string> faults{"not JSON",      "\"psnr\" has 3 values and its \"bpp\" 2",
                                          "have no \"bpp\"", "other than a number",
                                          "no measure",    "no \"results\" object",
                                          "no \"bpp\"",    "line 3 has 1 fields and its header 2",
                                          "\"thirty\"",    "no points",
                                          "names \"avif\" after \"webp\""};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string path = written(dir, files[i].first, files[i].second);
        const std::string message = messageOf([&] { readImportedCurve(path); });
        EXPECT_NE(message.find(faults[i]), std::string::npos) << files[i].first << ": " << message;
        EXPECT_NE(message.find(path), std::string::npos) << message;
    }
    const std::string missing = dir.file("none.json");
    EXPECT_NE(messageOf([&] { readImportedCurve(missing); }).find(missing), std::string::npos);
}

// A curve a report could only draw as nan, or that squashes the data set's curves into a corner.
TEST(ImportedCurveTest, RefusesCurvesWithoutAUsablePointOrWithRatesOutOfRange) {
    const TempDir dir;
    const std::vector<std::pair<std::string, std::string>> files{
        {"zero.csv", "bpp,psnr\n0,30\n0,31\n"},
        {"negative.json", R"({"name": "x", "results": {"bpp": [-1, -2], "psnr": [30, 31]}})"},
        {"null.json", R"({"name": "x", "results": {"bpp": [null, null], "psnr": [30, 31]}})"},
        {"empty.json", R"({"name": "x", "results": {"bpp": [], "psnr": []}})"},
        {"undefined.csv", "bpp,psnr\n0.5,n/a\n1.0,\n"},
        {"huge.csv", "bpp,psnr\n0.5,30\n100,60\n"},
        {"minus.csv", "bpp,psnr\n0.5,30\n1.0,-inf\n"}};
    const std::vector<std::string> faults{"no usable point", "no usable point", "no usable point", "no usable point",
                                          "no usable point", "above 64",        "-inf"};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string path = written(dir, files[i].first, files[i].second);
        const std::string message = messageOf([&] { readImportedCurve(path); });
        EXPECT_NE(message.find(faults[i]), std::string::npos) << files[i].first << ": " << message;
        EXPECT_NE(message.find(path), std::string::npos) << message;
    }
    const ImportedCurve some = readImportedCurve(written(dir, "some.csv", "bpp,psnr\n0,29\n0.5,30\n1.0,33\n"));
    EXPECT_EQ(some.curves.at(CurveMeasure("psnr")).size(), 2u) << "the point at 0 bits per pixel is left out";
}

// What spreadsheets write: a byte-order mark before the header, a plus sign before a number.
TEST(ImportedCurveTest, ReadsAByteOrderMarkAndPlusSigns) {
    const TempDir dir;
    const ImportedCurve curve =
        readImportedCurve(written(dir, "sheet.csv", "\xEF\xBB\xBF" "bpp,psnr\r\n+0.5,+30\r\n1.0,+inf\r\n"));
    const std::vector<RatePoint>& psnr = curve.curves.at(CurveMeasure("psnr"));
    ASSERT_EQ(psnr.size(), 2u);
    EXPECT_EQ(psnr[0].rate, 0.5);
    EXPECT_EQ(psnr[0].quality, 30.0);
    EXPECT_TRUE(std::isinf(psnr[1].quality) && psnr[1].quality > 0);
}

// A measure no pair of pictures can have is a fault of the file, refused naming the file, the value
// and what the measure can be; a name our aggregate CSV kept from a spreadsheet reads as it was.
TEST(ImportedCurveTest, RefusesMeasuresOutsideWhatTheyCanBeAndReadsNamesAsTheAggregateWroteThem) {
    const TempDir dir;
    const std::vector<std::pair<std::string, std::string>> files{
        {"huge.json", R"({"name": "x", "results": {"bpp": [0.5, 1.0], "psnr": [30, 1e200]}})"},
        {"ssim.csv", "bpp,ssim\n0.5,0.9\n1.0,1.5\n"},
        {"colour.csv", "bpp,ciede2000\n0.5,-2\n"}};
    const std::vector<std::string> faults{"1e+200, which no psnr reaches: it lies between 0 and 200, or inf",
                                          "1.5, which no ssim_y reaches: it lies between -1 and 1",
                                          "-2, which no ciede2000 reaches: it lies between 0 and 200"};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string path = written(dir, files[i].first, files[i].second);
        const std::string message = messageOf([&] { readImportedCurve(path); });
        EXPECT_NE(message.find(faults[i]), std::string::npos) << files[i].first << ": " << message;
        EXPECT_NE(message.find(path), std::string::npos) << message;
    }
    const std::string aggregate = written(dir, "aggregate.csv", "codec,quality,bits_per_pixel,psnr\r\n"
                                                                "'-3.2,50,0.5,30\r\n'-3.2,70,1.0,33\r\n");
    EXPECT_EQ(readImportedCurve(aggregate).name, "-3.2");
}

// A data set whose anchor curve is given by hand, as a sweep's aggregate would hold it.
DataSetOutcome outcomeWithJpegCurve(const std::vector<RatePoint>& curve) {
    DataSetOutcome outcome;
    outcome.curves = defaultCurves({StillCodec::Jpeg});
    outcome.parameters.measures = MeasureChoice::none();
    const std::size_t psnr = 0;
    for (std::size_t i = 0; i < curve.size(); ++i) {
        AggregatePoint point;
        point.curve = "jpeg";
        point.quality = static_cast<int>(10 * (i + 1));
        point.pictures = 1;
        point.bitsPerPixel = curve[i].rate;
        point.means.assign(curveMeasures().size(), std::nan(""));
        point.counts.assign(curveMeasures().size(), 1);
        point.means[psnr] = curve[i].quality;
        outcome.aggregate.push_back(point);
    }
    return outcome;
}

TEST(ImportedDeltaTableTest, ACurveAtNineTenthsOfTheAnchorsRateSavesTenPerCentOnEveryFit) {
    const std::vector<RatePoint> jpeg{{0.3, 28.0}, {0.6, 31.5}, {1.1, 34.0}, {1.9, 37.2}, {3.0, 40.1}};
    ImportedCurve cheaper{"cheaper", {}, {}};
    for (const RatePoint& point : jpeg) cheaper.curves[CurveMeasure("psnr")].push_back({point.rate * 0.9, point.quality});
    cheaper.curves[CurveMeasure("ms_ssim_y_db")] = {{0.5, 10.0}, {1.0, 14.0}};  // the data set took no MS-SSIM
    const DataSetOutcome outcome = outcomeWithJpegCurve(jpeg);

    const std::vector<DeltaRow> rows = importedDeltaTable(outcome, "jpeg", {cheaper});
    ASSERT_EQ(rows.size(), 2u) << "psnr with the cubic fit and PCHIP: the data set took no MS-SSIM";
    for (const DeltaRow& row : rows) {
        EXPECT_EQ(row.curve, "cheaper");
        EXPECT_EQ(row.measure, CurveMeasure("psnr"));
        EXPECT_NEAR(row.rate.value, -10.0, 1e-6) << interpolationName(row.interpolation);
        EXPECT_GT(row.quality.value, 0.0);
    }
    EXPECT_TRUE(importedDeltaTable(outcome, "avc", {cheaper}).empty()) << "avc was not swept";
}

// Published MS-SSIM curves average the linear value over the pictures. Two pictures far apart in
// MS-SSIM make the mean of their dB and the dB of their mean differ; an import made from the anchor's
// own mean linear values at nine tenths of its rates must then save exactly ten per cent, as it does
// on PSNR, and never flip sign.
TEST(ImportedDeltaTableTest, ALinearMsSsimImportIsComparedWithTheDbOfTheMeanLinearValue) {
    DataSetOutcome outcome;
    outcome.curves = defaultCurves({StillCodec::Jpeg});
    outcome.parameters.measures = MeasureChoice::only({"ms_ssim"});
    const double rates[] = {0.3, 0.6, 1.1, 1.9, 3.0};
    for (const double floor : {0.80, 0.99}) {
        PictureOutcome picture{"p" + std::to_string(floor), {}};
        for (std::size_t i = 0; i < std::size(rates); ++i) {
            SweepPoint point;
            point.curve = "jpeg";
            point.quality = static_cast<int>(10 * (i + 1));
            point.measures.bitsPerPixel = rates[i];
            point.measures.picture.psnr = 28.0 + 3.0 * static_cast<double>(i);
            point.measures.picture.msSsimLuma = floor + (1.0 - floor) * (0.2 + 0.15 * static_cast<double>(i));
            point.measures.picture.msSsimLumaDb = ssimDecibels(point.measures.picture.msSsimLuma);
            picture.sweep.points.push_back(point);
        }
        outcome.outcomes.push_back(picture);
    }
    outcome.aggregate = aggregatePoints(outcome.outcomes, outcome.curves);

    ImportedCurve published{"published", {}, {}};
    const std::vector<RatePoint> meanLinear = aggregateCurve(outcome, "jpeg", CurveMeasure("ms_ssim_y"));
    const std::vector<RatePoint> psnr = aggregateCurve(outcome, "jpeg", CurveMeasure("psnr"));
    for (std::size_t i = 0; i < meanLinear.size(); ++i) {
        published.curves[CurveMeasure("ms_ssim_y_db")].push_back({meanLinear[i].rate * 0.9, ssimDecibels(meanLinear[i].quality)});
        published.curves[CurveMeasure("psnr")].push_back({psnr[i].rate * 0.9, psnr[i].quality});
    }
    published.decibelsOfMeanLinear.insert(CurveMeasure("ms_ssim_y_db"));
    ASSERT_GT(std::abs(aggregateCurve(outcome, "jpeg", CurveMeasure("ms_ssim_y_db"))[2].quality -
                       aggregateCurveOfMeanLinear(outcome, "jpeg", CurveMeasure("ms_ssim_y_db"))[2].quality),
              1.0)
        << "the two ways of averaging must differ for the test to mean anything";

    for (const DeltaRow& row : importedDeltaTable(outcome, "jpeg", {published})) {
        SCOPED_TRACE(std::string(measureKey(row.measure)) + " " + interpolationName(row.interpolation));
        EXPECT_NEAR(row.rate.value, -10.0, 1e-6);
        EXPECT_EQ(row.decibelsOfMeanLinear, row.measure == CurveMeasure("ms_ssim_y_db"));
    }
}

}  // namespace
}  // namespace brenlow::testing
