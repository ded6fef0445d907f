#include <gtest/gtest.h>

#include <QColorSpace>
#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "io/bitmap_file.h"
#include "io/error.h"
#include "measures/linear_planes.h"
#include "measures/positive_xyb.h"
#include "measures/recursive_gaussian.h"
#include "measures/ssimulacra2.h"
#include "measures/ssimulacra2_pooling.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

constexpr double kAgreement = 0.05;

struct ReferenceScore {
    std::string original, distorted;
    double score = 0.0;
};

std::vector<ReferenceScore> readScores(const std::string& csv) {
    std::ifstream in(csv);
    std::vector<ReferenceScore> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line.rfind("original,", 0) == 0) continue;
        std::istringstream fields(line);
        ReferenceScore row;
        std::string score;
        std::getline(fields, row.original, ',');
        std::getline(fields, row.distorted, ',');
        std::getline(fields, score);
        row.score = std::stod(score);
        rows.push_back(row);
    }
    return rows;
}

// The published tool reads a picture by what its file declares: these PNG files declare a plain
// gamma (0.45455), and so were read with it, the photographs' PNG copies too.
TransferCurve declaredCurve(const QImage& picture) {
    const QColorSpace space = picture.colorSpace();
    if (space.isValid() && space.transferFunction() == QColorSpace::TransferFunction::Gamma)
        return TransferCurve::power(static_cast<double>(space.gamma()));
    return TransferCurve::srgb();
}

QImage loadPicture(const std::string& path) {
    if (path.ends_with(".bmp")) return loadBitmapFile(path);
    return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_BGR888);
}

// A name.png of the list is found in the scores' folder, or else as name.bmp among the photographs.
std::string picturePath(const std::string& name, const std::string& scoresDir, const std::vector<std::string>& photos) {
    if (QFileInfo::exists(QString::fromStdString(scoresDir + "/" + name))) return scoresDir + "/" + name;
    const std::string bitmap = name.substr(0, name.rfind('.')) + ".bmp";
    for (const std::string& dir : photos)
        if (QFileInfo::exists(QString::fromStdString(dir + "/" + bitmap))) return dir + "/" + bitmap;
    return scoresDir + "/" + name;
}

// Every row of a list within kAgreement; how many rows there were and the largest difference.
std::pair<std::size_t, double> expectScoresOf(const std::string& scoresDir, const std::vector<std::string>& photos) {
    const std::vector<ReferenceScore> rows = readScores(scoresDir + "/ssimulacra2.csv");
    double largest = 0.0;
    for (const ReferenceScore& row : rows) {
        SCOPED_TRACE(row.original + " against " + row.distorted);
        const QImage original = loadPicture(picturePath(row.original, scoresDir, photos));
        const std::string distortedPath = picturePath(row.distorted, scoresDir, photos);
        const QImage distorted = loadPicture(distortedPath);
        const TransferCurve curve = declaredCurve(QImage(QString::fromStdString(distortedPath)));
        EXPECT_FALSE(original.isNull() || distorted.isNull());
        EXPECT_EQ(original.size(), distorted.size());
        const double score = ssimulacra2(original, distorted, curve);
        EXPECT_NEAR(score, row.score, kAgreement);
        largest = std::max(largest, std::abs(score - row.score));
    }
    return {rows.size(), largest};
}

TEST(Ssimulacra2ReferenceTest, EveryPublishedScoreOfTheSharedSet) {
    const std::string scores = BRENLOW_REFERENCE_SCORES_DIR;
    if (!QFileInfo::exists(QString::fromStdString(scores + "/ssimulacra2.csv")))
        GTEST_SKIP() << "no shared reference scores at " << scores;
    // The photographs themselves are the project's copies, byte for byte those of the shared corpus.
    const auto [rows, largest] = expectScoresOf(scores, {BRENLOW_TEST_DATA_DIR, BRENLOW_SAMPLES_DIR});
    EXPECT_EQ(rows, 17u);
    std::cout << rows << " scores, largest difference " << largest << "\n";
}

TEST(Ssimulacra2ReferenceTest, ScoresShippedWithTheTests) {
    const auto [rows, largest] =
        expectScoresOf(std::string(BRENLOW_TEST_DATA_DIR) + "/ssimulacra2", {BRENLOW_TEST_DATA_DIR, BRENLOW_SAMPLES_DIR});
    EXPECT_EQ(rows, 6u);
    std::cout << rows << " scores, largest difference " << largest << "\n";
}

QImage chelsea() { return loadBitmapFile(std::string(BRENLOW_TEST_DATA_DIR) + "/chelsea.bmp"); }

QImage chelseaBlurred() {
    return loadPicture(std::string(BRENLOW_TEST_DATA_DIR) + "/ssimulacra2/chelsea-blur.png");
}

TEST(Ssimulacra2Test, IdenticalPicturesScore100) {
    for (const QImage& picture : {chelsea(), testing::patternBitmap(8, 8), testing::patternBitmap(97, 33)})
        EXPECT_EQ(ssimulacra2(picture, picture), 100.0) << picture.width() << " x " << picture.height();
}

TEST(Ssimulacra2Test, UndefinedBelowEightPixelsEitherWay) {
    const auto score = [](int width, int height) {
        const QImage picture = testing::patternBitmap(width, height);
        return ssimulacra2(picture, picture.copy().transformed(QTransform().scale(-1, 1)));
    };
    EXPECT_TRUE(std::isnan(score(7, 100)));
    EXPECT_TRUE(std::isnan(score(100, 7)));
    EXPECT_TRUE(std::isfinite(score(8, 8)));
    EXPECT_LT(score(8, 8), 100.0);
}

TEST(Ssimulacra2Test, RefusesOtherFormats) {
    const QImage picture = testing::patternBitmap(16, 16);
    EXPECT_THROW(ssimulacra2(picture.convertToFormat(QImage::Format_RGB32), picture), Error);
    EXPECT_THROW(ssimulacra2(picture, picture.convertToFormat(QImage::Format_Grayscale8)), Error);
}

TEST(Ssimulacra2Test, CommonAreaIsTheBottomLeftCorner) {
    // The test picture lacks the source's top row and right column, as an odd-sized source's does.
    const QImage source = chelsea();
    const QImage test = chelseaBlurred().copy(0, 1, 450, 299);
    EXPECT_EQ(ssimulacra2(source, test), ssimulacra2(source.copy(0, 1, 450, 299), test));
}

TEST(Ssimulacra2Test, EvenSizedPicturesScoreTheSameTurnedUpsideDownOrMirrored) {
    // 256 x 128 halves evenly down to the coarsest scale, so only a blur that is off centre or
    // a border taken differently at one side could tell the orientations apart by more than the
    // float rounding, which follows the direction of the passes.
    const QImage source = chelsea().copy(100, 50, 256, 128);
    const QImage test = chelseaBlurred().copy(100, 50, 256, 128);
    const double upright = ssimulacra2(source, test);
    EXPECT_LT(upright, 90.0);
    // The blurred copy declares a gamma, which a turned picture must keep to mean the same colours.
    const auto turned = [](const QImage& picture, const QTransform& flip) {
        QImage made = picture.transformed(flip);
        made.setColorSpace(picture.colorSpace());
        return made;
    };
    for (const auto& [horizontal, vertical] : {std::pair{false, true}, std::pair{true, false}, std::pair{true, true}}) {
        const QTransform flip = QTransform().scale(horizontal ? -1 : 1, vertical ? -1 : 1);
        EXPECT_NEAR(ssimulacra2(turned(source, flip), turned(test, flip)), upright, 0.02);
    }
}

TEST(RecursiveGaussianTest, ImpulseResponseIsACentredGaussianOfSigmaOneAndAHalf) {
    const RecursiveGaussian gauss(1.5);
    ASSERT_EQ(gauss.radius(), 5);
    std::vector<float> line(41, 0.0f), out(41);
    line[20] = 1.0f;
    gauss.blurLine(line.data(), 41, out.data());
    double sum = 0.0, variance = 0.0;
    for (int k = -20; k <= 20; ++k) {
        const double value = out[static_cast<std::size_t>(20 + k)];
        sum += value;
        variance += value * k * k;
        if (std::abs(k) > 5) {
            EXPECT_NEAR(value, 0.0, 1e-6) << "outside the radius at " << k;
        }
        EXPECT_NEAR(value, out[static_cast<std::size_t>(20 - k)], 1e-6) << "asymmetric at " << k;
        EXPECT_NEAR(value, std::exp(-k * k / 4.5) / std::sqrt(2 * M_PI * 2.25), 0.005) << k;
    }
    EXPECT_NEAR(sum, 1.0, 1e-5);
    EXPECT_NEAR(variance, 2.25, 1e-3);
}

std::vector<float> impulseResponse(const RecursiveGaussian& gauss, int size, int at) {
    std::vector<float> line(static_cast<std::size_t>(size), 0.0f), response(static_cast<std::size_t>(size));
    line[static_cast<std::size_t>(at)] = 1.0f;
    gauss.blurLine(line.data(), size, response.data());
    return response;
}

TEST(RecursiveGaussianTest, PlaneBlurIsTheLineBlurAcrossAndDown) {
    // An impulse's blur is the outer product of the line's responses, by the pass down the
    // columns as much as by the one along the rows.
    const RecursiveGaussian gauss(1.5);
    FloatPlane impulse(23, 19), out;
    for (int r = 0; r < 19; ++r) std::fill_n(impulse.row(r), 23, 0.0f);
    impulse.row(3)[11] = 1.0f;
    gauss.blur(impulse, out);
    const std::vector<float> alongRows = impulseResponse(gauss, 23, 11), downColumns = impulseResponse(gauss, 19, 3);
    for (int r = 0; r < 19; ++r)
        for (int c = 0; c < 23; ++c)
            EXPECT_NEAR(out.row(r)[c], downColumns[static_cast<std::size_t>(r)] * alongRows[static_cast<std::size_t>(c)],
                        1e-7)
                << r << ", " << c;
}

TEST(RecursiveGaussianTest, OutsideThePlaneCountsAsZero) {
    const RecursiveGaussian gauss(1.5);
    FloatPlane flat(30, 30), out;
    std::fill(flat.row(0), flat.row(0) + 900, 1.0f);
    gauss.blur(flat, out);
    EXPECT_NEAR(out.row(15)[15], 1.0f, 1e-5);
    EXPECT_NEAR(out.row(0)[15], out.row(15)[0], 1e-6);
    EXPECT_GT(out.row(0)[0], 0.25f);
    EXPECT_LT(out.row(0)[0], out.row(0)[15] * out.row(0)[15] + 1e-5f);
}

TEST(LinearPlanesTest, HalvingRepeatsALastOddRowAndColumn) {
    ColourPlanes planes;
    for (FloatPlane& plane : planes) plane.resize(3, 3);
    const float values[3][3] = {{0, 4, 8}, {12, 16, 20}, {24, 28, 32}};
    for (int r = 0; r < 3; ++r) std::copy_n(values[r], 3, planes[1].row(r));
    const ColourPlanes half = halvedPlanes(planes);
    ASSERT_EQ(half[1].width(), 2);
    ASSERT_EQ(half[1].height(), 2);
    EXPECT_EQ(half[1].row(0)[0], 8.0f);
    EXPECT_EQ(half[1].row(0)[1], 14.0f);
    EXPECT_EQ(half[1].row(1)[0], 26.0f);
    EXPECT_EQ(half[1].row(1)[1], 32.0f);
}

TEST(LinearPlanesTest, TopRowFirstAndTheBottomLeftCornerTaken) {
    QImage picture(4, 3, QImage::Format_BGR888);
    picture.fill(Qt::black);
    picture.setPixelColor(0, 0, Qt::white);  // top row: outside the bottom-left 2 x 2
    picture.setPixelColor(0, 1, Qt::red);
    const ColourPlanes planes = linearPlanesOf(picture, 2, 2);
    EXPECT_EQ(planes[0].row(0)[0], 1.0f);
    EXPECT_EQ(planes[1].row(0)[0], 0.0f);
    EXPECT_EQ(planes[0].row(1)[0], 0.0f);
}

TEST(LinearPlanesTest, TheSrgbCurveOrTheDeclaredPower) {
    QImage grey(1, 1, QImage::Format_BGR888);
    grey.fill(QColor(128, 10, 255));
    const struct {
        TransferCurve curve;
        float red, green, blue;
    } cases[] = {
        {TransferCurve::srgb(), 0.21586050f, 0.00303527f, 1.0f},
        {TransferCurve::power(1 / 0.45455), 0.21952305f, 0.00080472f, 1.0f},
    };
    for (const auto& expected : cases) {
        const ColourPlanes planes = linearPlanesOf(grey, 1, 1, expected.curve);
        EXPECT_NEAR(planes[0].row(0)[0], expected.red, 1e-7) << expected.curve.exponent;
        EXPECT_NEAR(planes[1].row(0)[0], expected.green, 1e-7) << expected.curve.exponent;
        EXPECT_EQ(planes[2].row(0)[0], expected.blue) << expected.curve.exponent;
    }
}

TEST(PositiveXybTest, NeutralsSitAtTheCentreAndTheGamutWithinThePublishedRanges) {
    const auto xybOf = [](int red, int green, int blue) {
        QImage pixel(1, 1, QImage::Format_BGR888);
        pixel.setPixelColor(0, 0, QColor(red, green, blue));
        ColourPlanes xyb;
        positiveXybOf(linearPlanesOf(pixel, 1, 1), xyb);
        return std::array<float, 3>{xyb[0].row(0)[0], xyb[1].row(0)[0], xyb[2].row(0)[0]};
    };
    float previousY = 0.0f;
    for (int grey : {0, 1, 64, 128, 254, 255}) {
        const std::array<float, 3> xyb = xybOf(grey, grey, grey);
        EXPECT_NEAR(xyb[0], 0.42f, 1e-6) << grey;
        EXPECT_NEAR(xyb[2], 0.55f, 1e-6) << grey;
        EXPECT_GE(xyb[1], previousY) << grey;
        previousY = xyb[1];
    }
    EXPECT_NEAR(xybOf(0, 0, 0)[1], 0.01f, 1e-6);
    EXPECT_NEAR(xybOf(255, 255, 255)[1], 0.855308f, 2e-6);
    float lowX = 1, highX = 0, lowB = 1, highB = 0;
    for (int code = 0; code < 8; ++code) {
        const std::array<float, 3> xyb = xybOf(code & 1 ? 255 : 0, code & 2 ? 255 : 0, code & 4 ? 255 : 0);
        lowX = std::min(lowX, xyb[0]), highX = std::max(highX, xyb[0]);
        lowB = std::min(lowB, xyb[2]), highB = std::max(highB, xyb[2]);
    }
    EXPECT_NEAR(lowX, 0.204594f, 2e-6);
    EXPECT_NEAR(highX, 0.813402f, 2e-6);
    EXPECT_NEAR(lowB, 0.272295f, 2e-6);
    EXPECT_NEAR(highB, 0.938012f, 2e-6);
}

TEST(Ssimulacra2PoolingTest, NoErrorScores100AndMoreErrorLess) {
    EXPECT_EQ(pooledScore(std::vector<ScaleNorms>(6)), 100.0);
    EXPECT_EQ(pooledScore({}), 100.0);
    std::vector<ScaleNorms> scales(6);
    double previous = 100.0;
    for (double error : {0.001, 0.01, 0.05}) {
        scales[2][1].ssim[0] = error;  // the luma's 1:4 scale, which the published weights weigh most
        const double score = pooledScore(scales);
        EXPECT_LT(score, previous) << error;
        previous = score;
    }
}

}  // namespace
}  // namespace brenlow
