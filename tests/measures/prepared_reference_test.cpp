// One preparation of a reference shared by many measured pictures, areas and threads must give
// every figure bit for bit as a preparation made afresh for each picture does.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "io/bitmap_file.h"
#include "jpeg/jpeg_bridge.h"
#include "measures/measures.h"
#include "measures/prepared_reference.h"
#include "measures/reference_shelf.h"

namespace brenlow {
namespace {

const MeasureChoice kEveryMeasure = MeasureChoice::every();

QImage throughJpeg(const QImage& picture, int quality) {
    QImage decoded;
    LoadJpeg(decoded, SaveAsJpeg(picture, static_cast<std::uint8_t>(quality)));
    return decoded;
}

QImage photo(const char* name) { return loadBitmapFile(std::string(BRENLOW_TEST_DATA_DIR) + "/" + name); }

// The same double, NaN included: n/a must stay n/a.
void expectSame(double shared, double fresh, const char* measure) {
    if (std::isnan(fresh)) {
        EXPECT_TRUE(std::isnan(shared)) << measure;
    } else {
        EXPECT_EQ(shared, fresh) << measure;
    }
}

struct Figure {
    double PictureMeasures::*member;
    const char* name;
};
constexpr Figure kFigures[] = {
    {&PictureMeasures::psnrRed, "psnr_r"},        {&PictureMeasures::psnrGreen, "psnr_g"},
    {&PictureMeasures::psnrBlue, "psnr_b"},       {&PictureMeasures::psnr, "psnr"},
    {&PictureMeasures::psnrLuma, "psnr_y"},       {&PictureMeasures::ssimLuma, "ssim_y"},
    {&PictureMeasures::msSsimLuma, "ms_ssim_y"},  {&PictureMeasures::msSsimLumaDb, "ms_ssim_y_db"},
    {&PictureMeasures::ciede2000, "ciede2000"},   {&PictureMeasures::butteraugliMax, "butteraugli_max"},
    {&PictureMeasures::butteraugli3Norm, "butteraugli_3norm"}, {&PictureMeasures::ssimulacra2, "ssimulacra2"}};

void expectSameMeasures(const PictureMeasures& shared, const PictureMeasures& fresh) {
    for (const Figure& figure : kFigures) expectSame(shared.*figure.member, fresh.*figure.member, figure.name);
}

// What a sweep measures against one reference: its codings at a few qualities, and one a row and a
// column short, as an odd-sized AVC source's decoded picture is.
std::vector<QImage> testsOf(const QImage& reference) {
    std::vector<QImage> tests{throughJpeg(reference, 20), throughJpeg(reference, 85)};
    if (reference.width() > 1 && reference.height() > 1)
        tests.push_back(throughJpeg(reference, 50).copy(0, 1, reference.width() - 1, reference.height() - 1));
    tests.push_back(reference);
    return tests;
}

TEST(PreparedReferenceTest, SharedPreparationGivesEveryFigureOfAFreshOne) {
    // Odd sides; 7 and 9 leave Butteraugli and SSIMULACRA 2 n/a below 8 and SSIM below 11; 8 x 8 is
    // the smallest SSIMULACRA 2 with its 4 x 4 second scale; 176 the smallest MS-SSIM.
    const QImage chelsea = photo("chelsea.bmp");
    const QImage coffee = photo("coffee.bmp");
    struct Case {
        const QImage* picture;
        int width, height;
    };
    for (const Case& c : std::vector<Case>{{&chelsea, 451, 300}, {&coffee, 400, 300}, {&coffee, 177, 131},
                                           {&chelsea, 176, 176}, {&coffee, 7, 9}, {&chelsea, 8, 8},
                                           {&coffee, 9, 12}, {&chelsea, 33, 7}, {&coffee, 1, 1}}) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const QImage reference = c.picture->copy(3, 2, c.width, c.height);
        const PreparedReference prepared(reference);
        const std::vector<QImage> tests = testsOf(reference);
        // Twice round, so that the second round finds every area's parts made.
        for (int round = 0; round < 2; ++round)
            for (const QImage& test : tests) {
                ByteEnergies shared, fresh;
                expectSameMeasures(measurePictures(prepared, test, kEveryMeasure, shared),
                                   measurePictures(reference, test, kEveryMeasure, fresh));
                EXPECT_EQ(snrOfEnergies(shared).red, snrOfEnergies(fresh).red);
            }
    }
}

TEST(PreparedReferenceTest, ThreadsSharingOnePreparationGetTheFiguresOfOne) {
    const QImage reference = photo("coffee.bmp").copy(0, 0, 240, 180);
    const std::vector<QImage> tests = testsOf(reference);
    std::vector<PictureMeasures> alone;
    for (const QImage& test : tests) alone.push_back(measurePictures(reference, test, kEveryMeasure));
    const PreparedReference prepared(reference);
    std::vector<PictureMeasures> together(tests.size());
    {
        // Every thread asks for every area at once, so that the parts are made while others wait.
        std::vector<std::jthread> threads;
        for (std::size_t i = 0; i < tests.size(); ++i)
            threads.emplace_back([&, i] {
                ByteEnergies energies;
                together[i] = measurePictures(prepared, tests[i], kEveryMeasure, energies);
            });
    }
    for (std::size_t i = 0; i < tests.size(); ++i) expectSameMeasures(together[i], alone[i]);
}

TEST(PreparedReferencesTest, PicturesOfTheSamePixelsShareOnePreparation) {
    PreparedReferences references;
    const QImage first = photo("chelsea.bmp");
    const QImage readAgain = photo("chelsea.bmp");
    QImage oneByteOff = readAgain.copy();
    oneByteOff.scanLine(100)[7] ^= 1;
    const PreparedReference& prepared = references.of(first);
    EXPECT_EQ(&references.of(first), &prepared);
    EXPECT_EQ(&references.of(readAgain), &prepared);
    EXPECT_NE(&references.of(oneByteOff), &prepared);
    EXPECT_NE(&references.of(first.copy(0, 0, 450, 300)), &prepared);
    EXPECT_EQ(&references.of(readAgain), &prepared);
}

TEST(ReferenceShelfTest, HoldsOnlyThePicturesInFlightAndTheLatest) {
    ReferenceShelf shelf;
    {
        const ReferenceShelf::Lease a = shelf.lease(0);
        const ReferenceShelf::Lease b = shelf.lease(0);
        EXPECT_EQ(a.references(), b.references());  // the picture's items share its preparations
    }
    EXPECT_EQ(shelf.held(), 1U);  // its next item may still come
    std::shared_ptr<PreparedReferences> second;
    {
        const ReferenceShelf::Lease running = shelf.lease(1);
        second = running.references();
        EXPECT_EQ(shelf.held(), 1U);  // picture 0 is done once picture 1 starts
        {
            const ReferenceShelf::Lease next = shelf.lease(2);
            EXPECT_EQ(shelf.held(), 2U);  // picture 1 still runs
        }
        EXPECT_EQ(shelf.held(), 2U);
    }
    EXPECT_EQ(shelf.held(), 1U);
    EXPECT_EQ(second.use_count(), 1);  // freed by the shelf: only this test holds it
    for (std::size_t picture = 3; picture < 200; ++picture) {
        const ReferenceShelf::Lease lease = shelf.lease(picture);
        EXPECT_LE(shelf.held(), 2U);
    }
}

}  // namespace
}  // namespace brenlow
