#include "brenlow/measures.h"

#include <gtest/gtest.h>

#include <QColorSpace>
#include <cmath>

#include "brenlow/deltas.h"
#include "brenlow/requests.h"
#include "brenlow/tables.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

TEST(MeasureChoiceNamedTest, TakesTheNamedMeasuresAsMeasuresDoes) {
    EXPECT_EQ(measureChoiceNamed({}), MeasureChoice::none());
    EXPECT_EQ(measureChoiceNamed({"none"}), MeasureChoice::none());
    EXPECT_EQ(measureChoiceNamed({"ssimulacra2", "ms_ssim"}), MeasureChoice::only({"ms_ssim", "ssimulacra2"}));
    EXPECT_EQ(measureChoiceNamed(measureNamesOf(MeasureChoice())), MeasureChoice());
    const std::string message = testing::messageOf([] { measureChoiceNamed({"ms_ssim", "psnr_r"}); });
    EXPECT_EQ(message, "\"psnr_r\" is not one of ms_ssim, ciede2000, butteraugli, ssimulacra2, none");
    EXPECT_THROW(measureChoiceNamed({"ssim"}), UsageError);
}

// Qt's image plugins belong to the thread that makes them and must outlive it, so a pair whose
// second picture, read on a thread of its own, needs them has them made on the calling thread.
// (Each test runs in a process of its own: nothing has readied the readers before.)
TEST(ReadPicturePairTest, TheReadersThePictureReadAsideNeedsAreMadeOnTheCallingThread) {
    const testing::TempDir dir;
    saveBitmapFile(testing::patternBitmap(9, 5), dir.file("a.bmp"));
    ASSERT_TRUE(testing::patternBitmap(9, 5).save(QString::fromStdString(dir.file("b.png")), "PNG"));
    const auto [reference, compared] = readPicturePair(dir.file("a.bmp"), dir.file("b.png"));
    EXPECT_EQ(compared.size(), reference.size());
    EXPECT_EQ(imageReadersPreparedOn(), std::this_thread::get_id());
}

// A picture keeps the colours it declares on its way to the measures, as compare reads its files.
TEST(FrontDoorMeasuresTest, PicturesAreMeasuredInTheColoursTheyDeclare) {
    const QImage source = testing::patternBitmap(48, 40);
    QImage changed = source.copy();
    for (int y = 0; y < changed.height(); y += 3) changed.scanLine(y)[y % 48] ^= 0x55;
    const PictureMeasures plain =
        measurePictures(Picture::fromImage(source), Picture::fromImage(changed), MeasureChoice::only({"ciede2000"}));
    EXPECT_EQ(plain.ciede2000, measurePictures(source.convertToFormat(QImage::Format_BGR888),
                                               changed.convertToFormat(QImage::Format_BGR888),
                                               MeasureChoice::only({"ciede2000"}))
                                   .ciede2000);
    QImage wideSource = source, wideChanged = changed;
    wideSource.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
    wideChanged.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
    const PictureMeasures wide = measurePictures(Picture::fromImage(wideSource), Picture::fromImage(wideChanged),
                                                 MeasureChoice::only({"ciede2000"}));
    EXPECT_EQ(wide.psnr, plain.psnr);
    EXPECT_NE(wide.ciede2000, plain.ciede2000);
}

TEST(FrontDoorMeasuresTest, FiguresAreTheRecordsKeysAndValues) {
    PictureMeasures measures;
    measures.psnr = 31.5;
    measures.ssimLuma = 0.9;
    measures.psnrRed = std::numeric_limits<double>::infinity();
    measures.ssimulacra2 = std::numeric_limits<double>::quiet_NaN();
    const QJsonObject record = measuresJson(measures);
    const std::vector<MeasureFigure> figures = measureFigures(measures);
    ASSERT_EQ(figures.size(), static_cast<std::size_t>(record.size()));
    for (const MeasureFigure& figure : figures) {
        const QJsonValue recorded = record.value(QLatin1String(figure.key));
        EXPECT_EQ(measureValue(figure.value), recorded) << figure.key;
    }
    const auto ssimDb = std::find_if(figures.begin(), figures.end(),
                                     [](const MeasureFigure& f) { return std::string(f.key) == "ssim_y_db"; });
    ASSERT_NE(ssimDb, figures.end());
    EXPECT_DOUBLE_EQ(ssimDb->value, 10.0);
}

TEST(FrontDoorDeltasTest, TakesTheTablesDeltasByMeasureAndMethodName) {
    const std::vector<RatePoint> anchor{{0.25, 4.0}, {0.5, 3.0}, {1.0, 2.0}, {2.0, 1.0}};
    std::vector<RatePoint> halved = anchor;
    for (RatePoint& point : halved) point.rate /= 2;
    const CurveDeltas colour = curveDeltasNamed(anchor, halved, "ciede2000", "pchip");
    EXPECT_NEAR(colour.rate.value, -50.0, 1e-9);
    EXPECT_LT(colour.quality.value, 0.0);  // lower differences at the same rate
    const CurveDeltas cubic = curveDeltasNamed(anchor, halved, "psnr", "cubic");
    EXPECT_DOUBLE_EQ(cubic.rate.value, bjontegaardDeltaRate(anchor, halved, BdInterpolation::Cubic));

    EXPECT_EQ(testing::messageOf([&] { curveDeltasNamed(anchor, halved, "psnr", "akima"); }),
              "\"akima\" is not a way to draw the curves; those are pchip and cubic");
    EXPECT_THROW(curveDeltasNamed(anchor, halved, "psnr_r", "pchip"), UsageError);
}

}  // namespace
}  // namespace brenlow
