#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>

#include "experiments/kept_decoded.h"
#include "report/comparison_choice.h"
#include "report/picture_comparisons.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

using testing::TempDir;

TEST(ComparisonChoiceTest, ACurveOffersAllOfFewPointsElseItsLowestMiddleAndHighest) {
    EXPECT_EQ(chosenPointPlaces(0), std::vector<std::size_t>{});
    EXPECT_EQ(chosenPointPlaces(2), (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(chosenPointPlaces(3), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(chosenPointPlaces(4), (std::vector<std::size_t>{0, 1, 3}));
    EXPECT_EQ(chosenPointPlaces(9), (std::vector<std::size_t>{0, 4, 8}));
}

TEST(ComparisonChoiceTest, CropsShrinkAsTheyGrowInNumberWithinTheirBounds) {
    EXPECT_EQ(cropSideFor(14), 256);
    EXPECT_EQ(cropSideFor(100000), 128);
    int previous = 256;
    for (std::size_t crops = 1; crops <= 2000; ++crops) {
        const int side = cropSideFor(crops);
        ASSERT_LE(side, previous) << crops;
        ASSERT_EQ(side % 16, 0) << crops;
        // Above the smallest side the crops keep under six megapixels in all.
        if (side > 128) {
            ASSERT_LE(static_cast<double>(crops) * side * side, 6.0e6) << crops;
        }
        previous = side;
    }
}

QImage greyPicture(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB888);
    picture.fill(QColor(120, 120, 120));
    return picture;
}

// Fills a square with a fine checkerboard: the most detailed part of an otherwise flat picture.
void addDetail(QImage& picture, QRect square) {
    for (int y = square.top(); y <= square.bottom(); ++y)
        for (int x = square.left(); x <= square.right(); ++x)
            picture.setPixelColor(x, y, (x + y) % 2 ? QColor(250, 250, 250) : QColor(10, 10, 10));
}

TEST(ComparisonChoiceTest, TheCropHoldsThePicturesMostDetailedPartElseItsCentre) {
    EXPECT_EQ(detailedCropRegion(greyPicture(600, 400), 256), QRect(172, 72, 256, 256));
    EXPECT_EQ(detailedCropRegion(greyPicture(100, 80), 256), QRect(0, 0, 100, 80));

    QImage detailed = greyPicture(640, 480);
    const QRect inside(400, 48, 96, 96);
    addDetail(detailed, inside);
    const QRect crop = detailedCropRegion(detailed, 256);
    EXPECT_EQ(crop.size(), QSize(256, 256));
    EXPECT_TRUE(crop.contains(inside)) << crop.x() << "," << crop.y();

    QImage corner = greyPicture(640, 480);
    addDetail(corner, QRect(600, 440, 40, 40));
    EXPECT_EQ(detailedCropRegion(corner, 256), QRect(384, 224, 256, 256));
}

// A data set of one picture and one curve of five points, each with its decoded picture kept.
struct KeptDataSet {
    TempDir dir;
    DataSetOutcome outcome;
    ReportContext context;

    explicit KeptDataSet(const std::string& pictureName, const std::string& curveName) {
        const QImage source = testing::patternBitmap(300, 200);
        const std::string sourceFile = dir.file("source.png");
        EXPECT_TRUE(source.save(QString::fromStdString(sourceFile)));
        CodecCurve curve;
        curve.name = curveName;
        PictureOutcome picture{pictureName, {}};
        for (int quality : {10, 30, 50, 70, 90}) {
            SweepPoint point;
            point.curve = curveName;
            point.quality = quality;
            point.measures.bitsPerPixel = quality / 40.0;
            QImage decoded = source;
            decoded.fill(QColor(quality, quality, quality));
            point.keptDecoded = keepDecodedPicture(dir.file("q" + std::to_string(quality) + ".png"), decoded);
            picture.sweep.points.push_back(point);
        }
        outcome.pictures = {pictureName};
        outcome.curves = {curve};
        outcome.outcomes = {picture};
        context.pictureFiles = {sourceFile};
    }
};

std::string between(const std::string& text, const std::string& start, const std::string& end) {
    const std::size_t from = text.find(start);
    if (from == std::string::npos) return {};
    const std::size_t begin = from + start.size();
    return text.substr(begin, text.find(end, begin) - begin);
}

QJsonObject dataIsland(const std::string& html) {
    const std::string json = between(html, "<script type=\"application/json\" id=\"comparison-data\">", "</script>");
    return QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
}

std::vector<std::string> offeredQualities(const QJsonObject& data) {
    std::vector<std::string> qualities;
    for (const QJsonValue point : data["pictures"].toArray().at(0).toObject()["points"].toArray())
        qualities.push_back(point.toObject()["quality"].toString().toStdString());
    return qualities;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(PictureComparisonsTest, StoredNamesStayTextInsideTheDataIsland) {
    const std::string hostile = "</script><script>alert(1)</script>&\xE2\x80\xA8";
    KeptDataSet set("<b>" + hostile, hostile);
    const std::string html = pictureComparisonsHtml(set.outcome, set.context);
    EXPECT_EQ(occurrences(html, "</script>"), 2u) << "only the data island and the viewer's script end";
    EXPECT_EQ(html.find("<script>alert"), std::string::npos);
    EXPECT_EQ(html.find("\xE2\x80\xA8"), std::string::npos);

    const QJsonObject data = dataIsland(html);
    const QJsonObject picture = data["pictures"].toArray().at(0).toObject();
    EXPECT_EQ(picture["name"].toString().toStdString(), "<b>" + hostile);
    EXPECT_EQ(picture["points"].toArray().at(0).toObject()["curve"].toString().toStdString(), hostile);
    EXPECT_EQ(offeredQualities(data), (std::vector<std::string>{"10", "50", "90"}));
}

TEST(PictureComparisonsTest, AChangedOrMissingKeptPictureIsListedWithItsReasonAndLeftOut) {
    KeptDataSet set("photo.png", "jpeg");
    std::ofstream(set.outcome.outcomes[0].sweep.points[0].keptDecoded.path, std::ios::app) << "more";
    std::filesystem::remove(set.outcome.outcomes[0].sweep.points[4].keptDecoded.path);
    const std::string html = pictureComparisonsHtml(set.outcome, set.context);
    EXPECT_EQ(offeredQualities(dataIsland(html)), (std::vector<std::string>{"50"}));
    const std::string omitted = between(html, "<ul class=\"comparison-omitted\">", "</ul>");
    EXPECT_NE(omitted.find("jpeg at quality 10: The decoded picture of this point has changed"), std::string::npos)
        << omitted;
    EXPECT_NE(omitted.find("jpeg at quality 90: The decoded picture of this point is missing"), std::string::npos)
        << omitted;
    EXPECT_NE(omitted.find("q90.png"), std::string::npos);
}

TEST(PictureComparisonsTest, NothingIsWrittenWithoutKeptPicturesAndASourceNotFoundIsSaidSo) {
    KeptDataSet set("photo.png", "jpeg");
    DataSetOutcome none = set.outcome;
    for (SweepPoint& point : none.outcomes[0].sweep.points) point.keptDecoded = {};
    EXPECT_EQ(pictureComparisonsHtml(none, set.context), "");

    set.context.pictureFiles = {""};
    const std::string html = pictureComparisonsHtml(set.outcome, set.context);
    EXPECT_TRUE(dataIsland(html)["pictures"].toArray().isEmpty());
    const std::string omitted = between(html, "<ul class=\"comparison-omitted\">", "</ul>");
    EXPECT_NE(omitted.find("photo.png: the picture&#39;s file is not found"), std::string::npos) << omitted;
}

}  // namespace
}  // namespace brenlow
