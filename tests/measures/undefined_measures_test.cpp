#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "measures/butteraugli.h"
#include "measures/measure_table.h"
#include "measures/undefined_measures.h"
#include "modules/module_loader.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

const MeasureRow& row(const char* key) { return *measureRowNamed(key); }

bool says(const std::string& reason, const std::string& part) { return reason.find(part) != std::string::npos; }

TEST(UndefinedMeasureReasonTest, AKnownSizeNamesTheLimitItFallsShortOfOrPasses) {
    EXPECT_TRUE(says(undefinedMeasureReason(row("ms_ssim_y"), 175, 300), "at least 176 x 176 pixels; these pictures are 175 x 300"));
    EXPECT_TRUE(says(undefinedMeasureReason(row("ms_ssim_y_db"), 300, 175), "176 x 176"));
    EXPECT_TRUE(says(undefinedMeasureReason(row("ssim_y"), 10, 40), "SSIM needs pictures of at least 11 x 11"));
    EXPECT_TRUE(says(undefinedMeasureReason(row("ssimulacra2"), 7, 7), "at least 8 x 8"));
    // At the least size the measure is defined: then it was not taken.
    EXPECT_EQ(undefinedMeasureReason(row("ms_ssim_y"), 176, 176), "MS-SSIM was not taken for these pictures.");
    EXPECT_EQ(undefinedMeasureReason(row("ciede2000"), 4, 4), "CIEDE2000 was not taken for these pictures.");
    if (!butteraugliAvailable()) {
        EXPECT_TRUE(says(undefinedMeasureReason(row("butteraugli_max"), 4000, 3000), "This build has no Butteraugli"));
        return;
    }
    EXPECT_TRUE(says(undefinedMeasureReason(row("butteraugli_3norm"), 4000, 3000),
                     "at most 4.2 megapixels, as it needs about 250 bytes of memory a pixel; these pictures are "
                     "4000 x 3000 (12.0 megapixels)"));
    EXPECT_EQ(undefinedMeasureReason(row("butteraugli_max"), 2048, 2048), "Butteraugli was not taken for these pictures.");
    EXPECT_TRUE(says(undefinedMeasureReason(row("butteraugli_max"), 7, 2000), "at least 8 x 8"));
}

TEST(UndefinedMeasureReasonTest, MegapixelsAloneAreCertainOnlyWhereTheLeastSquareCannotBeFilled) {
    EXPECT_TRUE(says(undefinedMeasureReason(row("ms_ssim_y"), 96.0 * 80 / 1e6), "176 x 176 pixels; these pictures are smaller"));
    // Half a megapixel may be a strip narrower than 176 pixels, or a run without MS-SSIM.
    EXPECT_TRUE(says(undefinedMeasureReason(row("ms_ssim_y"), 0.5), "may be narrower or lower than that, or it was not taken"));
    EXPECT_EQ(undefinedMeasureReason(row("psnr"), 0.5), "PSNR (RGB) was not taken for these pictures.");
    if (butteraugliAvailable()) {
        EXPECT_TRUE(says(undefinedMeasureReason(row("butteraugli_max"), 12.0), "these pictures have 12.0 megapixels"));
    }
}

// A build with Butteraugli whose JPEG XL module cannot be opened gives the module's reason, in the
// sweep's choices and in a figure's reason alike, not a header missing at build time. Run in a
// process of its own, where no module is open yet.
TEST(UndefinedMeasureReasonTest, AModuleThatCannotBeOpenedIsTheReasonButteraugliIsMissing) {
#ifndef BRENLOW_HAS_BUTTERAUGLI
    GTEST_SKIP() << "this build has no Butteraugli";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const testing::TempDir noModules;
    EXPECT_EXIT(
        {
            setenv(kModuleFolderVariable, noModules.path().c_str(), 1);
            const OptionalMeasure& butteraugli = *optionalMeasureNamed("butteraugli");
            std::cerr << butteraugli.whyUnavailable() << '\n' << undefinedMeasureReason(row("butteraugli_max"), 64, 64);
            std::exit(butteraugli.availableHere() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0),
        "Butteraugli is unavailable: the module brenlow_module_jxl\\.so could not be opened: [^\n]*\n"
        "Butteraugli is unavailable: the module brenlow_module_jxl\\.so could not be opened: ");
}

}  // namespace
}  // namespace brenlow
