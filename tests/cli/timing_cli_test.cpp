#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>

#include "support/cli_runner.h"
#include "support/dataset_pictures.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> operator+(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const std::vector<std::string> kTimedSweep{"sweep", "--codecs", "jpeg", "--qualities", "50,90", "--measures", "none"};

QJsonObject timingOf(const std::string& jsonLine) {
    const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(jsonLine)).object();
    return object["parameters"].toObject()["timing"].toObject();
}

class TimingCliTest : public ::testing::Test {
protected:
    TimingCliTest() {
        fs::create_directory(cwd.path() / "set");
        makeSmallDataSet(cwd.file("set"));
    }

    CliRun succeeded(const std::vector<std::string>& arguments) {
        CliRun result = runCli(arguments, cwd.path());
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result;
    }

    TempDir cwd;
};

// Codings timed side by side share the cores whatever the timing runs: one picture's points under
// -j 2 as much as a data set's items. Each run says how it was timed.
TEST_F(TimingCliTest, CodingsTimedSideBySideAreWarnedOfAndEveryRunRecordsHowItWasTimed) {
    const CliRun shared = succeeded(kTimedSweep + std::vector<std::string>{"-j", "2", "--json", "set/a_astronaut.png"});
    EXPECT_NE(shared.err.find("Timing: 2 points ran at a time and shared the cores"), std::string::npos) << shared.err;
    const QJsonObject sharedTiming = timingOf(shared.out);
    EXPECT_TRUE(sharedTiming["shared_cores"].toBool());
    EXPECT_EQ(sharedTiming["conditions"][0]["codings_at_once"].toInt(), 2);
    EXPECT_EQ(sharedTiming["warnings"].toArray().size(), 1);

    const CliRun alone =
        succeeded(kTimedSweep + std::vector<std::string>{"-j", "1", "--timing-runs", "2", "--json", "set/a_astronaut.png"});
    EXPECT_EQ(alone.err.find("shared the cores"), std::string::npos) << alone.err;
    const QJsonObject timing = timingOf(alone.out);
    EXPECT_FALSE(timing["shared_cores"].toBool());
    ASSERT_EQ(timing["conditions"].toArray().size(), 1);
    const QJsonObject run = timing["conditions"][0].toObject();
    EXPECT_EQ(run["jobs"].toInt(), 1);
    EXPECT_EQ(run["codings_at_once"].toInt(), 1);
    EXPECT_EQ(run["timing_runs"].toInt(), 2);
    EXPECT_FALSE(run["processor"].toString().isEmpty());
    EXPECT_GT(run["cores"].toInt(), 0);
    for (const char* load : {"load_average_start", "load_average_end"}) {
        ASSERT_EQ(run[load].toArray().size(), 3) << load;
        EXPECT_GE(run[load][0].toDouble(-1.0), 0.0) << load;
    }
    // Coding alone in the process, its processor time is read on the process's clock, which any
    // thread a library codes on adds to.
    const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(alone.out)).object();
    const QJsonObject point = object["points"][0]["timing"].toObject();
    EXPECT_EQ(point["cpu_clock"].toString(), QStringLiteral("process"));

    const CliRun dataSet = succeeded(kTimedSweep + std::vector<std::string>{"-j", "2", "--quiet", "set"});
    EXPECT_EQ(dataSet.err.find("shared the cores"), std::string::npos) << "--quiet prints no notes";
    const CliRun items = succeeded(kTimedSweep + std::vector<std::string>{"-j", "2", "set"});
    EXPECT_NE(items.err.find("Timing: 2 items ran at a time and shared the cores"), std::string::npos) << items.err;
}

// Shards timed otherwise are each kept with their own conditions, and a merge and its report say
// that their times do not compare.
TEST_F(TimingCliTest, AMergeOfShardsTimedOtherwiseWarnsAndKeepsEachShardsConditions) {
    succeeded(kTimedSweep + std::vector<std::string>{"-j", "1", "--shard", "1/2", "--out", "s1", "set"});
    succeeded(kTimedSweep + std::vector<std::string>{"-j", "2", "--shard", "2/2", "--out", "s2", "set"});
    const CliRun merged = succeeded({"merge", "--json", "s1", "s2"});
    EXPECT_NE(merged.err.find("Timing: the items were timed under different conditions"), std::string::npos)
        << merged.err;
    EXPECT_NE(merged.err.find("shard 2/2"), std::string::npos) << merged.err;
    const QJsonArray runs = timingOf(merged.out)["conditions"].toArray();
    ASSERT_EQ(runs.size(), 2);
    int items = 0;
    for (const QJsonValue& run : runs) {
        const bool first = run["shard"].toString() == QStringLiteral("1/2");
        EXPECT_EQ(run["jobs"].toInt(), first ? 1 : 2);
        EXPECT_EQ(run["shared_cores"].toBool(), !first);
        items += run["items"].toInt();
    }
    EXPECT_EQ(items, 5) << "every item is counted under the run that timed it";

    succeeded({"report", "--html", "r.html", "s1", "s2"});
    const std::string html = fileBytes(cwd.file("r.html"));
    EXPECT_NE(html.find("How the times were taken"), std::string::npos);
    EXPECT_NE(html.find("Warning: Timing: the items were timed under different conditions"), std::string::npos);
    EXPECT_NE(html.find("encode, CPU (megapixels/s)"), std::string::npos);
    EXPECT_NE(html.find("<td>2/2</td>"), std::string::npos);
}

}  // namespace
}  // namespace brenlow::testing
