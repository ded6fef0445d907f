// Every optional measure of the table is chosen, left out and taken later by its name alone: a
// measure added to the table is measured and left out without another list to change.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "jpeg/jpeg_bridge.h"
#include "measures/measure_table.h"
#include "measures/measures.h"
#include "measures/prepared_reference.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

// Large enough for MS-SSIM's five scales, small enough for Butteraugli to be quick.
const QImage& reference() {
    static const QImage picture = testing::patternBitmap(192, 184);
    return picture;
}

const QImage& decoded() {
    static const QImage picture = [] {
        QImage coded;
        LoadJpeg(coded, SaveAsJpeg(reference(), std::uint8_t{30}));
        return coded;
    }();
    return picture;
}

bool belongsTo(const MeasureRow& row, const OptionalMeasure& measure) {
    return row.group != nullptr && std::string(row.group) == measure.name;
}

class OptionalMeasureTest : public ::testing::TestWithParam<OptionalMeasure> {};

TEST_P(OptionalMeasureTest, TakenAloneOnlyItsRowsAndTheAlwaysTakenOnesAreMeasured) {
    const OptionalMeasure& measure = GetParam();
    const PictureMeasures m = measurePictures(reference(), decoded(), MeasureChoice::only({measure.name}));
    for (const MeasureRow& row : measureTable()) {
        const bool measured = row.group == nullptr || (belongsTo(row, measure) && measure.availableHere());
        EXPECT_EQ(std::isnan(row.of(m)), !measured) << row.key;
    }
}

TEST_P(OptionalMeasureTest, LeftOutOfEveryMeasureItAloneIsMissing) {
    const OptionalMeasure& measure = GetParam();
    const PictureMeasures every = measurePictures(reference(), decoded(), MeasureChoice::every());
    const PictureMeasures without =
        measurePictures(reference(), decoded(), MeasureChoice::every().take(measure.name, false));
    for (const MeasureRow& row : measureTable()) {
        if (belongsTo(row, measure)) {
            EXPECT_TRUE(std::isnan(row.of(without))) << row.key;
        } else if (std::isnan(row.of(every))) {
            EXPECT_TRUE(std::isnan(row.of(without))) << row.key;
        } else {
            EXPECT_EQ(row.of(without), row.of(every)) << row.key;
        }
    }
}

// The Measurements panel shows the usual measures first and takes the others afterwards.
TEST_P(OptionalMeasureTest, TakenLaterItGivesTheFiguresOfTakingItAtOnce) {
    const OptionalMeasure& measure = GetParam();
    const PreparedReference prepared(reference());
    ByteEnergies energies;
    const PictureMeasures atOnce = measurePictures(prepared, decoded(), MeasureChoice::every(), energies);
    PictureMeasures later = measurePictures(prepared, decoded(), MeasureChoice::none(), energies);
    addMeasures(prepared, decoded(), MeasureChoice::only({measure.name}), later);
    for (const MeasureRow& row : measureTable()) {
        if (row.group == nullptr || belongsTo(row, measure)) {
            if (std::isnan(row.of(atOnce))) {
                EXPECT_TRUE(std::isnan(row.of(later))) << row.key;
            } else {
                EXPECT_EQ(row.of(later), row.of(atOnce)) << row.key;
            }
        } else {
            EXPECT_TRUE(std::isnan(row.of(later))) << row.key << " was not asked for";
        }
    }
}

TEST_P(OptionalMeasureTest, TheDefaultChoiceIsTheTables) {
    const OptionalMeasure& measure = GetParam();
    EXPECT_EQ(MeasureChoice().takes(measure.name), measure.takenByDefault);
    const OptionalMeasure* named = optionalMeasureNamed(measure.name);
    ASSERT_NE(named, nullptr);
    EXPECT_STREQ(named->title, measure.title);
}

INSTANTIATE_TEST_SUITE_P(EveryOptionalMeasure, OptionalMeasureTest, ::testing::ValuesIn(optionalMeasures()),
                         [](const ::testing::TestParamInfo<OptionalMeasure>& info) {
                             return std::string(info.param.name);
                         });

// A name the table lacks is a mistake of the caller, not a measure quietly left out.
TEST(MeasureChoiceTest, ANameTheTableLacksIsRefused) {
    EXPECT_THROW((void)MeasureChoice().takes("no_such_measure"), std::invalid_argument);
    EXPECT_THROW(MeasureChoice().take("no_such_measure"), std::invalid_argument);
    EXPECT_EQ(optionalMeasureNamed("no_such_measure"), nullptr);
}

}  // namespace
}  // namespace brenlow
