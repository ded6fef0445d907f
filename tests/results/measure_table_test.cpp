#include "measures/measure_table.h"

#include <gtest/gtest.h>

#include <QJsonObject>
#include <set>

#include "experiments/sweep_report.h"
#include "results/research_json.h"

namespace brenlow {
namespace {

// Every writer lists what the table lists, each measure once: a row added to the table reaches
// the JSON, the CSV and the result files without another list to change.
TEST(MeasureTableTest, EveryWriterListsEveryRowOnce) {
    std::set<std::string> keys;
    PictureMeasures measures;
    double next = 1.0;
    for (const MeasureRow& row : measureTable()) {
        EXPECT_TRUE(keys.insert(row.key).second) << row.key << " twice";
        EXPECT_EQ(measureRowNamed(row.key), &row);
        measures.*row.value = next++;
    }
    const QJsonObject json = measuresJson(measures);
    EXPECT_EQ(static_cast<std::size_t>(json.size()), keys.size() + 1) << "and the SSIM in dB curves take";
    next = 1.0;
    for (const MeasureRow& row : measureTable()) EXPECT_EQ(json[QLatin1String(row.key)].toDouble(), next++) << row.key;
    measures.ssimLuma = 0.99;
    EXPECT_DOUBLE_EQ(measuresJson(measures)["ssim_y_db"].toDouble(), 20.0);

    const std::string header = sweepCsvHeader();
    for (const std::string& key : keys) {
        const std::string column = "," + key + ",";
        const std::size_t at = header.find(column);
        ASSERT_NE(at, std::string::npos) << key;
        EXPECT_EQ(header.find(column, at + 1), std::string::npos) << key << " twice in the CSV";
    }
    EXPECT_EQ(measureRowNamed("no_such_measure"), nullptr);
}

TEST(MeasureTableTest, EachSlowGroupIsChosenAndLeftOutOnItsOwn) {
    for (const OptionalMeasure& measure : optionalMeasures()) {
        SCOPED_TRACE(measure.name);
        MeasureChoice choice;
        choice.take(measure.name, false);
        EXPECT_FALSE(choice.takes(measure.name));
        choice.take(measure.name, true);
        EXPECT_TRUE(choice.takes(measure.name));
        for (const OptionalMeasure& other : optionalMeasures()) {
            MeasureChoice none = MeasureChoice::none();
            none.take(measure.name, true);
            EXPECT_EQ(none.takes(other.name), &other == &measure);
        }
    }
    for (const MeasureRow& row : measureTable())
        EXPECT_EQ(row.takenBy(MeasureChoice::none()), row.group == nullptr) << row.key;
}

// Curves read the same table: the keys, order and default delta measures that stored results,
// reports and scripts already rely on, and a dB scale that reads the linear measure it is made of.
TEST(MeasureTableTest, CurvesPlotTheTableRowsInTheirOrder) {
    std::vector<std::string> keys, compared;
    for (CurveMeasure measure : curveMeasures()) keys.push_back(measureKey(measure));
    for (CurveMeasure measure : deltaMeasures()) compared.push_back(measureKey(measure));
    EXPECT_EQ(keys, (std::vector<std::string>{"psnr", "psnr_y", "ssim_y", "ssim_y_db", "ms_ssim_y", "ms_ssim_y_db",
                                              "ciede2000", "butteraugli_max", "butteraugli_3norm", "ssimulacra2"}));
    EXPECT_EQ(compared, (std::vector<std::string>{"psnr", "psnr_y", "ssim_y_db", "ms_ssim_y_db", "ciede2000",
                                                  "butteraugli_max", "butteraugli_3norm", "ssimulacra2"}));
    for (std::size_t i = 0; i < curveMeasures().size(); ++i) EXPECT_EQ(curveMeasures()[i].index(), i);

    SweepPoint point;
    point.measures.picture.ssimLuma = 0.99;
    point.measures.picture.butteraugliMax = 2.5;
    EXPECT_DOUBLE_EQ(measureOf(point, CurveMeasure("ssim_y_db")), 20.0);
    EXPECT_DOUBLE_EQ(measureOf(point, CurveMeasure("butteraugli_max")), 2.5);
    EXPECT_FALSE(higherIsBetter(CurveMeasure("butteraugli_max")));
    EXPECT_EQ(linearOf(CurveMeasure("ssim_y_db")), CurveMeasure("ssim_y"));
    EXPECT_EQ(linearOf(CurveMeasure("ms_ssim_y_db")), CurveMeasure("ms_ssim_y"));
    EXPECT_EQ(linearOf(CurveMeasure("psnr")), std::nullopt);
    EXPECT_EQ(curveMeasureNamed("psnr_r"), std::nullopt);  // measured, but no curve plots a channel
    EXPECT_THROW(CurveMeasure("no_such_measure"), std::invalid_argument);
}

// A group left out takes its curves out of the delta rates, the dB scale of SSIM staying with SSIM.
TEST(MeasureTableTest, DeltaMeasuresFollowTheGroupsTaken) {
    MeasureChoice fewest = MeasureChoice::none();
    std::vector<std::string> keys;
    for (CurveMeasure measure : deltaMeasuresTaken(fewest)) keys.push_back(measureKey(measure));
    EXPECT_EQ(keys, (std::vector<std::string>{"psnr", "psnr_y", "ssim_y_db"}));
    fewest.take("butteraugli");
    EXPECT_EQ(deltaMeasuresTaken(fewest).size(), 5u);
}

}  // namespace
}  // namespace brenlow
