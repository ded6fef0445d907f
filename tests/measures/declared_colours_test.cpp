#include <gtest/gtest.h>

#include <QColorSpace>
#include <QImage>
#include <cmath>

#include "io/bitmap_file.h"
#include "measures/butteraugli.h"
#include "measures/colour_difference.h"
#include "measures/linear_srgb.h"
#include "measures/measures.h"
#include "measures/ssimulacra2.h"
#include "measures/still_measures.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

QImage declaring(QImage picture, const QColorSpace& space) {
    picture.setColorSpace(space);
    return picture;
}

QImage oneColour(uchar red, uchar green, uchar blue) {
    QImage picture(1, 1, QImage::Format_BGR888);
    uchar* bgr = picture.scanLine(0);
    bgr[0] = blue, bgr[1] = green, bgr[2] = red;
    return picture;
}

std::array<float, 3> linearOf(const QImage& picture) {
    std::array<float, 3> rgb{};
    LinearSrgbConversion(picture.colorSpace()).convertRow(picture.constScanLine(0), 1, rgb.data());
    return rgb;
}

// A PNG's gAMA of 0.45455 means the exponent 100000 / 45455, a gAMA of 1 linear code values,
// and a wide-gamut green lies outside sRGB: its red comes out below 0, not clipped.
TEST(LinearSrgbConversionTest, ConvertsWhatThePictureDeclares) {
    const QColorSpace gamma = QColorSpace(QColorSpace::Primaries::SRgb, static_cast<float>(1 / 0.45455));
    const std::array<float, 3> grey = linearOf(declaring(oneColour(128, 64, 200), gamma));
    EXPECT_NEAR(grey[0], std::pow(128 / 255.0, 100000.0 / 45455), 2e-6);
    EXPECT_NEAR(grey[1], std::pow(64 / 255.0, 100000.0 / 45455), 2e-6);
    EXPECT_NEAR(grey[2], std::pow(200 / 255.0, 100000.0 / 45455), 2e-6);

    const std::array<float, 3> linear =
        linearOf(declaring(oneColour(51, 102, 255), QColorSpace(QColorSpace::Primaries::SRgb, 1.0F)));
    EXPECT_NEAR(linear[0], 0.2F, 1e-5);
    EXPECT_NEAR(linear[1], 0.4F, 1e-5);
    EXPECT_NEAR(linear[2], 1.0F, 1e-5);

    const std::array<float, 3> green = linearOf(declaring(oneColour(0, 255, 0), QColorSpace(QColorSpace::AdobeRgb)));
    EXPECT_LT(green[0], -0.1F);
    EXPECT_GT(green[1], 0.95F);

    // Untagged and sRGB pictures keep the sRGB curve itself.
    const std::array<float, 3> srgb = linearOf(oneColour(255, 10, 0));
    EXPECT_EQ(srgb[0], 1.0F);
    EXPECT_FLOAT_EQ(srgb[1], static_cast<float>(10 / 255.0 / 12.92));
    EXPECT_EQ(srgb[2], 0.0F);
}

QImage photograph() { return loadBitmapFile(testing::samplePath("astronaut.bmp")).copy(96, 96, 160, 128); }

QImage noisy(const QImage& picture) {
    QImage copy = picture.copy();
    for (int y = 0; y < copy.height(); ++y) {
        uchar* row = copy.scanLine(y);
        for (int x = 0; x < 3 * copy.width(); ++x) row[x] = static_cast<uchar>(std::clamp(row[x] + (x * 7 + y * 13) % 17 - 8, 0, 255));
    }
    return copy;
}

// The same code values declared as Adobe RGB are other colours than as sRGB: the measures in
// linear light or a perceptual space see a difference where the code values have none.
TEST(DeclaredColoursTest, EqualCodesDeclaredDifferentlyDiffer) {
    const QImage untagged = photograph();
    const QImage adobe = declaring(untagged, QColorSpace(QColorSpace::AdobeRgb));
    const PictureMeasures m = measurePictures(untagged, adobe, MeasureChoice::every());
    EXPECT_TRUE(std::isinf(m.psnr));
    EXPECT_EQ(m.ssimLuma, 1.0);
    EXPECT_GT(m.ciede2000, 1.0);
    EXPECT_LT(m.ssimulacra2, 99.0);
    if (butteraugliAvailable()) {
        EXPECT_GT(m.butteraugliMax, 0.5);
    }
}

// Linear-light sRGB floats of a whole untagged picture, top row first.
ButteraugliPixels linearPixels(const QImage& picture) {
    const LinearSrgbConversion conversion{QColorSpace()};
    ButteraugliPixels pixels;
    pixels.linear.resize(3 * static_cast<std::size_t>(picture.width()) * picture.height());
    for (int y = 0; y < picture.height(); ++y)
        conversion.convertRow(picture.constScanLine(y), picture.width(), pixels.linear.data() + 3 * y * picture.width());
    return pixels;
}

// What tagged pictures are measured through: the library reads floats as linear sRGB, so a pair
// given to it as converted floats measures as the same pair of sRGB bytes.
TEST(DeclaredColoursTest, ButteraugliOfLinearFloatsIsThatOfTheBytes) {
    if (!butteraugliAvailable()) GTEST_SKIP() << "built without libjxl's Butteraugli";
    const QImage source = photograph();
    const QImage distorted = noisy(source);
    const ButteraugliDistance bytes = butteraugliDistance({source, distorted, source.width(), source.height()});
    const ButteraugliReference reference{source.width(), source.height(), linearPixels(source)};
    const ButteraugliDistance floats = butteraugliDistance(reference, linearPixels(distorted));
    EXPECT_NEAR(floats.max, bytes.max, 0.002 * bytes.max);
    EXPECT_NEAR(floats.threeNorm, bytes.threeNorm, 0.002 * bytes.threeNorm);
    EXPECT_GT(bytes.max, 0.5);
}

// A decoded picture is in its source's encoding when its pixels came back untagged: a run's figures
// for it are those of the pair declared alike.
TEST(DeclaredColoursTest, DecodedPictureTakesItsSourcesColours) {
    const QImage source = declaring(photograph(), QColorSpace(QColorSpace::ProPhotoRgb));
    const QImage decoded = noisy(photograph());
    const StillMeasures run = measureStill(source, decoded, 1000, MeasureChoice::every());
    const QImage declaredAlike = declaring(decoded, source.colorSpace());
    const PictureMeasures alike = measurePictures(source, declaredAlike, MeasureChoice::every());
    EXPECT_EQ(run.picture.ssimulacra2, alike.ssimulacra2);
    EXPECT_EQ(run.picture.ciede2000, alike.ciede2000);
    if (butteraugliAvailable()) {
        EXPECT_EQ(run.picture.butteraugliMax, alike.butteraugliMax);
    }
    EXPECT_NE(run.picture.ssimulacra2, ssimulacra2(photograph(), decoded));

    // A decoder that converted the colours and says so is taken at its word.
    const QImage converted = declaring(decoded, QColorSpace(QColorSpace::SRgb));
    EXPECT_EQ(measureStill(source, converted, 1000, MeasureChoice::every()).picture.ssimulacra2,
              ssimulacra2(source, converted));
}

}  // namespace
}  // namespace brenlow
