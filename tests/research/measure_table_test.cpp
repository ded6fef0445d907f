#include "research/measure_table.h"

#include <gtest/gtest.h>

#include <QJsonObject>
#include <set>

#include "research/research_json.h"
#include "research/sweep_report.h"

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
    EXPECT_EQ(static_cast<std::size_t>(json.size()), keys.size());
    next = 1.0;
    for (const MeasureRow& row : measureTable()) EXPECT_EQ(json[QLatin1String(row.key)].toDouble(), next++) << row.key;

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
    for (const MeasureGroup group : slowMeasureGroups()) {
        SCOPED_TRACE(measureGroupName(group));
        MeasureChoice choice;
        takeGroup(group, choice, false);
        EXPECT_FALSE(groupTaken(group, choice));
        takeGroup(group, choice, true);
        EXPECT_TRUE(groupTaken(group, choice));
        for (const MeasureGroup other : slowMeasureGroups()) {
            MeasureChoice none{false, false, false, false};
            takeGroup(group, none, true);
            EXPECT_EQ(groupTaken(other, none), other == group);
        }
    }
    EXPECT_TRUE(groupTaken(MeasureGroup::Always, MeasureChoice{false, false, false, false}));
}

}  // namespace
}  // namespace brenlow
