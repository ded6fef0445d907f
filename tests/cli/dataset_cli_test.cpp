#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <filesystem>
#include <fstream>
#include <thread>

#include <signal.h>
#include <sys/wait.h>

#include "experiments/dataset_outcome.h"
#include "experiments/sweep_report.h"
#include "results/dataset_store.h"
#include "support/cli_runner.h"
#include "support/dataset_pictures.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::vector<std::string> kSweep{"sweep",       "--codecs",   "jpeg,ajc", "--qualities",
                                      "30,50,70,90", "--measures", "ms_ssim"};

std::vector<std::string> operator+(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

class DataSetCliTest : public ::testing::Test {
protected:
    DataSetCliTest() {
        fs::create_directory(cwd.path() / "set");
        makeSmallDataSet(cwd.file("set"));
    }

    CliRun run(const std::vector<std::string>& arguments) { return runCli(arguments, cwd.path()); }

    CliRun succeeded(const std::vector<std::string>& arguments) {
        CliRun result = run(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result;
    }

    TempDir cwd;
};

TEST_F(DataSetCliTest, AFolderGivesOneRowPerPictureAndPointTheAggregateOnStderrAndNothingBesideThePictures) {
    const auto before = folderSnapshot(cwd.file("set"));
    const CliRun csv = succeeded(kSweep + std::vector<std::string>{"--aggregate-csv", "aggregate.csv", "set"});
    EXPECT_EQ(folderSnapshot(cwd.file("set")), before);
    EXPECT_EQ(csv.out.rfind("picture,codec,quality,coded_size,", 0), 0u);
    EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 1 + 5 * 2 * 4);
    EXPECT_NE(csv.out.find("\r\nset/a_astronaut.png,jpeg,30,"), std::string::npos);
    EXPECT_NE(csv.out.find("\r\nset/e_chelsea.bmp,ajc,90,"), std::string::npos);
    EXPECT_NE(csv.err.find("Aggregate of 5 pictures"), std::string::npos) << csv.err;
    EXPECT_NE(csv.err.find("BD-rate ajc against jpeg on psnr, pchip, per picture: mean "), std::string::npos);
    EXPECT_EQ(csv.err.find("points,"), std::string::npos) << "no progress when stderr is no terminal";

    const std::string aggregate = fileBytes(cwd.file("aggregate.csv"));
    EXPECT_EQ(aggregate.rfind("codec,quality,pictures,bits_per_pixel,psnr,psnr_pictures,", 0), 0u);
    EXPECT_NE(aggregate.find("\r\najc,70,5,"), std::string::npos);

    const CliRun pattern = succeeded(kSweep + std::vector<std::string>{"--quiet", "set/*.png", "set/d_coffee.ppm"});
    EXPECT_EQ(std::count(pattern.out.begin(), pattern.out.end(), '\n'), 1 + 3 * 2 * 4);
    EXPECT_NE(pattern.out.find("\r\nset/d_coffee.ppm,ajc,90,"), std::string::npos);
    EXPECT_EQ(pattern.err, "");
}

TEST_F(DataSetCliTest, TwoJobsPrintWhatOnePrintsAndTheJsonHoldsEveryPart) {
    const std::vector<std::string> json = kSweep + std::vector<std::string>{"--json", "set"};
    const QJsonObject one = withoutTimes(succeeded(json + std::vector<std::string>{"-j", "1"}).out);
    EXPECT_EQ(withoutTimes(succeeded(json + std::vector<std::string>{"-j", "2"}).out), one);
    EXPECT_EQ(withoutLastColumns(succeeded(kSweep + std::vector<std::string>{"-j", "1", "set"}).out,
                                 kSweepCsvTimingColumns),
              withoutLastColumns(succeeded(kSweep + std::vector<std::string>{"-j", "2", "set"}).out,
                                 kSweepCsvTimingColumns));

    EXPECT_EQ(one["pictures"].toArray().size(), 5);
    EXPECT_EQ(one["points"].toArray().size(), 40);
    EXPECT_EQ(one["points"].toArray()[39].toObject()["picture"].toString(), "set/e_chelsea.bmp");
    const QJsonArray aggregate = one["aggregate"].toArray();
    ASSERT_EQ(aggregate.size(), 8);
    EXPECT_EQ(aggregate[0].toObject()["counts"].toObject()["ms_ssim_y_db"].toInt(), 3);
    EXPECT_EQ(one["parameters"].toObject()["measures"].toArray(), (QJsonArray{"psnr", "ssim", "ms_ssim"}));
    const QJsonObject rates = one["bd_rate"].toObject();
    EXPECT_EQ(rates["aggregate"].toArray().size(), 8) << "psnr, psnr_y, ssim_y_db and ms_ssim_y_db, cubic and pchip";
    const QJsonObject psnr = rates["per_picture"].toObject()["ajc/psnr/pchip"].toObject()["rate_percent"].toObject();
    EXPECT_EQ(psnr["count"].toInt() + psnr["left_out"].toInt(), 5);
    EXPECT_EQ(psnr["per_picture"].toArray().size(), 5);
    EXPECT_LE(psnr["min"].toDouble(), psnr["median"].toDouble());
}

// Each delta over the pictures is named by its picture and has the keys of the aggregate's; each point
// says its curve's settings and the SSIM in dB the curves are drawn with.
TEST_F(DataSetCliTest, EachPicturesDeltaNamesItsPictureAndEachPointItsCurvesSettings) {
    const CliRun sweep = succeeded(std::vector<std::string>{"sweep", "--codecs", "jpeg,ajc:divisor=4,jpeg:subsampling=444",
                                                            "--qualities", "30,50,70,90", "--measures", "none",
                                                            "--json", "set"});
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(sweep.out)).object();
    std::map<QString, QJsonObject> curveSettings;
    for (const QJsonValue& curve : json["parameters"]["curves"].toArray())
        curveSettings[curve["name"].toString()] = curve["settings"].toObject();
    EXPECT_EQ(curveSettings["ajc:divisor=4"]["divisor"].toString(), "4");
    EXPECT_EQ(curveSettings["jpeg:subsampling=444"]["subsampling"].toString(), "444");
    for (const QJsonValue& point : json["points"].toArray()) {
        const QString curve = point["codec"].toString();
        EXPECT_EQ(point["settings"].toObject(), curveSettings.at(curve)) << curve.toStdString();
        const QJsonObject measures = point["measures"].toObject();
        EXPECT_NEAR(measures["ssim_y_db"].toDouble(), -10.0 * std::log10(1.0 - measures["ssim_y"].toDouble()), 1e-9);
    }

    const QJsonArray pictures = json["pictures"].toArray();
    const QJsonObject rates = json["bd_rate"].toObject();
    const QStringList aggregateKeys = rates["aggregate"][0]["rate_percent"].toObject().keys();
    const QJsonObject perPicture = rates["per_picture"].toObject();
    ASSERT_EQ(perPicture.size(), rates["aggregate"].toArray().size());
    for (const QString& key : perPicture.keys()) {
        SCOPED_TRACE(key.toStdString());
        const QJsonObject row = perPicture[key].toObject();
        EXPECT_EQ(row["codec"].toString() + "/" + row["measure"].toString() + "/" + row["interpolation"].toString(), key);
        for (const char* delta : {"rate_percent", "quality_delta"}) {
            const QJsonArray values = row[delta]["per_picture"].toArray();
            const QJsonArray each = row[delta]["pictures"].toArray();
            ASSERT_EQ(each.size(), pictures.size());
            for (int i = 0; i < each.size(); ++i) {
                QJsonObject named = each[i].toObject();
                EXPECT_EQ(named.take("picture"), pictures[i]);
                EXPECT_EQ(named.keys(), aggregateKeys);
                EXPECT_EQ(named["value"], values[i]);
            }
        }
    }
}

TEST_F(DataSetCliTest, AResumedRunMakesOnlyTheMissingItemsAndPrintsWhatAWholeRunPrints) {
    const std::vector<std::string> sweep = kSweep + std::vector<std::string>{"--out", "results", "--json", "set"};
    const CliRun whole = succeeded(sweep);
    EXPECT_NE(whole.err.find("10 items made, 0 taken as they were"), std::string::npos) << whole.err;
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(cwd.path() / "results"))
        files.push_back(entry.path());
    ASSERT_EQ(files.size(), 11u) << "ten items and the manifest";
    std::sort(files.begin(), files.end());
    fs::remove(files[0]);
    fs::remove(files[5]);

    const CliRun resumed = succeeded(sweep);
    EXPECT_NE(resumed.err.find("2 items made, 8 taken as they were"), std::string::npos) << resumed.err;
    EXPECT_EQ(withoutTimes(resumed.out), withoutTimes(whole.out));
    const auto timingAt = [](const std::string& line, int point) {
        return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object()["points"][point]["timing"];
    };
    EXPECT_EQ(timingAt(resumed.out, 20), timingAt(whole.out, 20)) << "an item taken as it was keeps its timings";
}

// A timed run says how it was timed, and only items that really ran side by side are said to
// have shared the cores: one picture codes its points in turn whatever -j says.
TEST_F(DataSetCliTest, TimedRunsSayHowTheyWereTimedAndGiveProcessorTimesAndMedianSpeeds) {
    const std::vector<std::string> timed{"sweep", "--codecs", "jpeg", "--qualities", "50,90", "--measures", "none",
                                         "--timing-runs", "2", "-j", "2", "--json"};
    const CliRun one = succeeded(timed + std::vector<std::string>{"set/a_astronaut.png"});
    EXPECT_NE(one.err.find("Timing: each point coded and decoded 2 times, a picture's points one after another, "
                           "each codec on 1 thread"),
              std::string::npos)
        << one.err;
    EXPECT_EQ(one.err.find("shared the cores"), std::string::npos) << one.err;
    const QJsonObject single = QJsonDocument::fromJson(QByteArray::fromStdString(one.out)).object();
    EXPECT_EQ(single["parameters"]["timing"]["runs"].toInt(), 2);
    EXPECT_EQ(single["parameters"]["timing"]["threads_per_codec"].toInt(), 1);
    const QJsonObject point = single["points"][1]["timing"].toObject();
    EXPECT_EQ(point["runs"].toInt(), 2);
    EXPECT_GT(point["encode_cpu_seconds"].toDouble(), 0.0);
    EXPECT_NE(point["clock"].toString().indexOf("CPU seconds"), -1);

    const CliRun alone = succeeded(timed + std::vector<std::string>{"--out", "alone", "set/a_astronaut.png"});
    EXPECT_EQ(alone.err.find("shared the cores"), std::string::npos) << "one item has no other to share with";

    const CliRun all = succeeded(timed + std::vector<std::string>{"--aggregate-csv", "aggregate.csv", "set"});
    EXPECT_NE(all.err.find("Timing: 2 items ran at a time and shared the cores"), std::string::npos) << all.err;
    const QJsonObject dataSet = QJsonDocument::fromJson(QByteArray::fromStdString(all.out)).object();
    EXPECT_EQ(dataSet["parameters"]["timing"]["runs"].toInt(), 2);
    const QJsonObject speed = dataSet["aggregate"][1]["timing"].toObject();
    EXPECT_EQ(speed["pictures"].toInt(), 5);
    EXPECT_GT(speed["median_encode_megapixels_per_second"].toDouble(), 0.0);
    const std::string aggregate = fileBytes(cwd.file("aggregate.csv"));
    EXPECT_EQ(aggregate.rfind("codec,quality,pictures,bits_per_pixel,psnr,psnr_pictures,", 0), 0u);
    EXPECT_NE(aggregate.find(",ms_ssim_y_db_of_mean,median_encode_megapixels_per_second,"
                             "median_decode_megapixels_per_second,timed_pictures\r\njpeg,50,5,"),
              std::string::npos)
        << aggregate;
}

// Killed once a few items are filed, the run leaves only whole files; run again, it makes the rest.
TEST_F(DataSetCliTest, ARunKilledHalfWayIsFinishedByTheSameCommand) {
    const std::vector<std::string> sweep{"sweep", "--codecs", "jpeg,ajc", "--qualities", "10:90:10", "--measures",
                                         "none",  "-j",       "1",        "--json",      "set",      "--out"};
    const CliProcess process = startCli(sweep + std::vector<std::string>{"results"}, cwd.path());
    const auto filed = [&] {
        std::error_code error;
        int count = 0;
        for (fs::directory_iterator it(cwd.path() / "results", error), end; !error && it != end; it.increment(error))
            count += it->path().extension() == ".json" ? 1 : 0;
        return count;
    };
    bool ended = false;
    while (filed() < 4 && !(ended = waitpid(process.pid, nullptr, WNOHANG) != 0)) std::this_thread::sleep_for(1ms);
    if (!ended) {
        kill(process.pid, SIGKILL);
        waitForCli(process);
    }
    const int done = filed() - 1;
    if (done >= 10) GTEST_SKIP() << "the run ended before it could be stopped";

    const CliRun resumed = succeeded(sweep + std::vector<std::string>{"results"});
    EXPECT_NE(resumed.err.find(std::to_string(10 - done) + " items made, " + std::to_string(done) + " taken"),
              std::string::npos)
        << resumed.err;
    const CliRun whole = succeeded(sweep + std::vector<std::string>{"again"});
    EXPECT_EQ(withoutTimes(resumed.out), withoutTimes(whole.out));
    EXPECT_EQ(std::count_if(fs::directory_iterator(cwd.path() / "results"), fs::directory_iterator(),
                            [](const fs::directory_entry& entry) { return entry.path().extension() == ".json"; }),
              11);
}

TEST_F(DataSetCliTest, ShardsRunByGnuParallelMergeIntoTheWholeRun) {
    if (std::system("parallel --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "GNU parallel is not installed";
    const CliRun whole = succeeded(kSweep + std::vector<std::string>{"--out", "whole", "--json", "set"});
    std::string command = "cd '" + cwd.path().string() + "' && parallel --halt now,fail=1 '" BRENLOW_CLI_PATH;
    for (const std::string& argument : kSweep) command += " " + argument;
    command += " --quiet --shard {}/3 --out shard{} set' ::: 1 2 3";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    const std::vector<std::string> merge{"merge", "shard1", "shard2", "shard3"};
    EXPECT_EQ(withoutTimes(succeeded(merge + std::vector<std::string>{"--json"}).out), withoutTimes(whole.out));
    EXPECT_EQ(withoutLastColumns(succeeded(merge).out, kSweepCsvTimingColumns),
              withoutLastColumns(succeeded({"merge", "whole"}).out, kSweepCsvTimingColumns));
    const QJsonObject againstAjc =
        QJsonDocument::fromJson(
            QByteArray::fromStdString(succeeded(merge + std::vector<std::string>{"--anchor", "ajc", "--json"}).out))
            .object();
    EXPECT_EQ(againstAjc["bd_rate"].toObject()["anchor"].toString(), "ajc");
    EXPECT_EQ(againstAjc["bd_rate"].toObject()["aggregate"].toArray()[0].toObject()["codec"].toString(), "jpeg");
}

// Shard folders with a failed item, and what merge printed of them when it held the data set whole:
// read a picture at a time, it prints every byte the same (the JSON's seconds aside).
TEST_F(DataSetCliTest, AMergePrintsEveryByteItPrintedWhenItHeldTheDataSetWhole) {
    const fs::path golden = testDataPath("merge_golden");
    for (const char* shard : {"shard1", "shard2"}) fs::copy(golden / shard, cwd.path() / shard);
    const std::vector<std::string> shards{"shard1", "shard2"};
    const auto expected = [&](const char* name) { return fileBytes((golden / name).string()); };

    const CliRun text = run(std::vector<std::string>{"merge", "--aggregate-csv", "aggregate.csv"} + shards);
    EXPECT_EQ(text.exitCode, 3) << "two items failed";
    EXPECT_EQ(text.out, expected("merge.csv"));
    EXPECT_EQ(text.err, expected("merge.err"));
    EXPECT_EQ(fileBytes(cwd.file("aggregate.csv")), expected("aggregate.csv"));

    const CliRun quiet = run(std::vector<std::string>{"merge", "--anchor", "ajc", "--quiet"} + shards);
    EXPECT_EQ(quiet.out, expected("merge_quiet.csv"));
    EXPECT_EQ(quiet.err, expected("merge_quiet.err"));

    const auto withoutSeconds = [](std::string json) {
        const std::size_t at = json.find("\"seconds\":");
        if (at != std::string::npos) json.erase(at, json.find_first_of(",}", at) - at);
        return json;
    };
    const CliRun json = run(std::vector<std::string>{"merge", "--json"} + shards);
    EXPECT_EQ(withoutSeconds(json.out), withoutSeconds(expected("merge.json")));
}

// A run into a result folder prints from there what a run held in memory prints, and so does the
// merge of its shards: rows, notes, failed items and the aggregate file, the clock's columns aside.
TEST_F(DataSetCliTest, ARunIntoAFolderPrintsWhatARunHeldInMemoryPrints) {
    std::ofstream(cwd.file("set/f_cut.png"), std::ios::binary) << fileBytes(cwd.file("set/a_astronaut.png")).substr(0, 200);
    const auto untimedNotes = [](const std::string& err) {
        std::string kept;
        std::istringstream lines(err);
        for (std::string line; std::getline(lines, line);)
            if (!line.starts_with("Timing") && line.find("items made") == std::string::npos) kept += line + "\n";
        return kept;
    };
    const CliRun inMemory = run(kSweep + std::vector<std::string>{"--aggregate-csv", "memory.csv", "set"});
    EXPECT_EQ(inMemory.exitCode, 3) << inMemory.err;
    EXPECT_NE(inMemory.err.find("2 items failed"), std::string::npos) << inMemory.err;
    for (const char* shard : {"1/2", "2/2"})
        run(kSweep + std::vector<std::string>{"--quiet", "--shard", shard, "--out", std::string("shard") + shard[0], "set"});
    const std::vector<CliRun> filed{
        run(kSweep + std::vector<std::string>{"--aggregate-csv", "filed.csv", "--out", "results", "set"}),
        run({"merge", "--aggregate-csv", "merged.csv", "shard1", "shard2"})};
    for (const CliRun& each : filed) {
        EXPECT_EQ(each.exitCode, 3) << each.err;
        EXPECT_EQ(withoutLastColumns(each.out, kSweepCsvTimingColumns),
                  withoutLastColumns(inMemory.out, kSweepCsvTimingColumns));
        EXPECT_EQ(untimedNotes(each.err), untimedNotes(inMemory.err));
    }
    for (const char* file : {"filed.csv", "merged.csv"})
        EXPECT_EQ(withoutLastColumns(fileBytes(cwd.file(file)), kAggregateCsvTimingColumns),
                  withoutLastColumns(fileBytes(cwd.file("memory.csv")), kAggregateCsvTimingColumns))
            << file;
}

// Runs the command in `folder` with its stdout in a pipe; once the first line is read (the command
// then waits on the full pipe, long before its last rows), calls `meanwhile`, then reads the rest.
// Returns the exit code and what followed the first line, stderr included.
std::pair<int, std::string> runPipedWhile(const fs::path& folder, const std::string& arguments,
                                          const std::function<void()>& meanwhile) {
    const std::string command = "cd '" + folder.string() + "' && " BRENLOW_CLI_PATH " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {-1, "popen failed"};
    char line[8192];
    const bool started = std::fgets(line, sizeof line, pipe) != nullptr;
    if (started) meanwhile();
    std::string rest;
    while (std::fgets(line, sizeof line, pipe) != nullptr) rest += line;
    const int status = pclose(pipe);
    return {started && WIFEXITED(status) ? WEXITSTATUS(status) : -1, rest};
}

// The rows of a run into a result folder, and of a merge, are read from the folder as they are
// printed: results removed while the first rows wait in the pipe are missed, which a data set held
// whole before the first row would not notice. Rows far beyond what a pipe holds keep the last
// picture unread meanwhile.
TEST_F(DataSetCliTest, ARunAndAMergeReadTheirPicturesFromTheFolderAsTheirRowsArePrinted) {
    fs::create_directory(cwd.path() / "many");
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(patternBitmap(16 + i % 3, 16).save(QString::fromStdString(cwd.file("many/p" + std::to_string(i + 10) + ".png"))));
    std::string qualities;
    for (int quality = 5; quality <= 95; quality += 5) qualities += (qualities.empty() ? "" : ",") + std::to_string(quality);
    const std::string sweep = "sweep --codecs jpeg --qualities " + qualities + " --measures none --quiet --out results many";
    ASSERT_EQ(runPipedWhile(cwd.path(), sweep, [] {}).first, 0);
    const std::string last = cwd.file("results/") + resultFileName("many/p49.png", "jpeg");
    const std::string kept = fileBytes(last);
    for (const std::string& command : {sweep, std::string("merge --quiet results")}) {
        SCOPED_TRACE(command);
        const auto [code, rest] = runPipedWhile(cwd.path(), command, [&] { fs::remove(last); });
        EXPECT_EQ(code, 1);
        EXPECT_NE(rest.find("lack picture \"many/p49.png\" with codec jpeg"), std::string::npos) << rest.substr(rest.size() - std::min<std::size_t>(rest.size(), 400));
        std::ofstream(last, std::ios::binary) << kept;
    }
}

TEST_F(DataSetCliTest, MergeRefusesMixedParametersAndNamesAMissingItem) {
    succeeded(kSweep + std::vector<std::string>{"--quiet", "--shard", "1/2", "--out", "one", "set"});
    succeeded({"sweep", "--codecs", "jpeg,ajc", "--qualities", "30,50,70,80", "--measures", "ms_ssim", "--quiet",
               "--shard", "2/2", "--out", "two", "set"});
    const CliRun mixed = run({"merge", "one", "two"});
    EXPECT_EQ(mixed.exitCode, 1);
    EXPECT_NE(mixed.err.find("other parameters (qualities)"), std::string::npos) << mixed.err;
    EXPECT_EQ(mixed.out, "");

    const CliRun missing = run({"merge", "one"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("lack picture \"set/a_astronaut.png\" with codec ajc"), std::string::npos)
        << missing.err;

    for (const char* shard : {"0/3", "4/3", "1/0", "2", "a/b"})
        EXPECT_EQ(run(kSweep + std::vector<std::string>{"--shard", shard, "--out", "x", "set"}).exitCode, 2) << shard;
    const CliRun noFolder = run(kSweep + std::vector<std::string>{"--shard", "1/2", "set"});
    EXPECT_EQ(noFolder.exitCode, 2) << "a usage error like every other";
    EXPECT_NE(noFolder.err.find("result folder"), std::string::npos) << noFolder.err;
}

}  // namespace
}  // namespace brenlow::testing
