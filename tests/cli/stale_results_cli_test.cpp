#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include "experiments/sweep_report.h"
#include "support/cli_runner.h"
#include "support/dataset_pictures.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A codec in Python whose decoder quantises every sample to STEP: editing the step changes what it
// decodes, as a researcher's edit of a script's filter does, while its commands stay the same.
const char* const kQuantiser = R"(import sys
STEP = 16
mode, source, target = sys.argv[1], sys.argv[2], sys.argv[3]
data = open(source, 'rb').read()
if mode == 'decode':
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        start = at
        while not data[at:at + 1].isspace():
            at += 1
        fields.append(data[start:at])
    at += 1
    data = data[:at] + bytes(min(255, (b // STEP) * STEP + STEP // 2) for b in data[at:])
open(target, 'wb').write(data)
)";

class StaleResultsCliTest : public ::testing::Test {
protected:
    StaleResultsCliTest() {
        fs::create_directory(cwd.path() / "set");
        makeSmallDataSet(cwd.file("set"));
    }

    CliRun exited(int code, const Arguments& arguments) {
        CliRun result = runCli(arguments, cwd.path());
        EXPECT_EQ(result.exitCode, code) << result.err;
        return result;
    }

    void writeFile(const std::string& name, const std::string& text) { std::ofstream(cwd.file(name)) << text; }

    // The quantiser's description, with `extra` keys after its own.
    void describeQuantiser(const std::string& extra = {}) {
        const std::string script = cwd.file("quantise.py");
        writeFile("quantise.json", R"({"name": "quant", "encode": ["python3", ")" + script +
                                       R"(", "encode", "{input}", "{output}"], "decode": ["python3", ")" + script +
                                       R"(", "decode", "{input}", "{output}"], "format": "ppm", "extension": ".q",
                                       "quality": {"min": 1, "max": 9})" +
                                       extra + "}");
    }

    TempDir cwd;
};

const Arguments kQuantSweep{"sweep", "--codec-file", "quantise.json", "--codecs", "quant", "--qualities", "3,6",
                            "--measures", "none", "--out", "results", "set/a_astronaut.png", "set/d_coffee.ppm"};

// The figures of a resumed run are those a fresh run gives, whatever was edited since: the script
// its commands name, the program they run, or the version its description states.
TEST_F(StaleResultsCliTest, AnEditedScriptOrProgramOrVersionRemakesTheCodecsItemsAndSaysWhatChanged) {
    if (!onPath("python3")) GTEST_SKIP() << "python3 is not installed";
    writeFile("quantise.py", kQuantiser);
    describeQuantiser();
    const CliRun first = exited(0, kQuantSweep);
    EXPECT_TRUE(contains(first.err, "2 items made, 0 taken")) << first.err;
    const CliRun resumed = exited(0, kQuantSweep);
    EXPECT_TRUE(contains(resumed.err, "0 items made, 2 taken")) << "nothing changed: " << resumed.err;
    EXPECT_FALSE(contains(resumed.err, "has changed")) << resumed.err;

    std::string edited = kQuantiser;
    edited.replace(edited.find("STEP = 16"), 9, "STEP = 64");
    writeFile("quantise.py", edited);
    const CliRun afterEdit = exited(0, kQuantSweep);
    EXPECT_TRUE(contains(afterEdit.err, "2 items made, 0 taken")) << afterEdit.err;
    EXPECT_TRUE(contains(afterEdit.err, "The codec \"quant\" has changed since its results in \"results\" were made (file " +
                                            cwd.file("quantise.py") + ")"))
        << afterEdit.err;
    const CliRun fresh = exited(0, Arguments(kQuantSweep.begin(), kQuantSweep.end() - 4) +
                                       Arguments{"--out", "fresh", "set/a_astronaut.png", "set/d_coffee.ppm"});
    const auto figures = [](const CliRun& run) { return withoutLastColumns(run.out, kSweepCsvTimingColumns); };
    EXPECT_EQ(figures(afterEdit), figures(fresh)) << "the edited script's figures, not the old ones";
    EXPECT_NE(figures(first), figures(fresh));

    // What cannot be seen in the files is said by the description's version.
    describeQuantiser(R"(, "version": "model 2")");
    const CliRun versioned = exited(0, kQuantSweep);
    EXPECT_TRUE(contains(versioned.err, "2 items made, 0 taken")) << versioned.err;
    EXPECT_TRUE(contains(versioned.err, "(version model 2)")) << versioned.err;
    EXPECT_TRUE(contains(exited(0, kQuantSweep).err, "0 items made, 2 taken"));

    // Shards of one run made while the script changed are not merged as one.
    const Arguments shard(kQuantSweep.begin(), kQuantSweep.end() - 4);
    exited(0, shard + Arguments{"--out", "s1", "--shard", "1/2", "set/a_astronaut.png", "set/d_coffee.ppm"});
    writeFile("quantise.py", kQuantiser);
    exited(0, shard + Arguments{"--out", "s2", "--shard", "2/2", "set/a_astronaut.png", "set/d_coffee.ppm"});
    const CliRun merged = exited(1, {"merge", "s1", "s2"});
    EXPECT_TRUE(contains(merged.err, "(library versions (quant fingerprint: file " + cwd.file("quantise.py") + "))"))
        << merged.err;

    // The program a command runs, as it is found on the PATH.
    const std::string copier = cwd.file("copier");
    std::ofstream(copier) << "#!/bin/sh\ncp \"$1\" \"$2\"\n";
    ::chmod(copier.c_str(), 0755);
    writeFile("copy.json", R"({"name": "copier", "encode": ["copier", "{input}", "{output}"], "decode": ["copier",
        "{input}", "{output}"], "format": "ppm", "extension": ".c", "quality": {"min": 1, "max": 9}})");
    const Arguments copySweep{"sweep", "--codec-file", "copy.json", "--codecs", "copier", "--qualities", "3",
                              "--measures", "none", "--out", "copied", "set/a_astronaut.png"};
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", (cwd.path().string() + ":" + path).c_str(), 1);
    EXPECT_TRUE(contains(exited(0, copySweep).err, "1 items made, 0 taken"));
    EXPECT_TRUE(contains(exited(0, copySweep).err, "0 items made, 1 taken"));
    std::ofstream(copier, std::ios::app) << "true\n";
    const CliRun reprogrammed = exited(0, copySweep);
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_TRUE(contains(reprogrammed.err, "1 items made, 0 taken")) << reprogrammed.err;
    EXPECT_TRUE(contains(reprogrammed.err, "(program " + copier + ")")) << reprogrammed.err;
}

// A curve is made again on asking, over its own files, while the others are taken as they are.
TEST_F(StaleResultsCliTest, RemakeMakesTheNamedCurvesAgainOverTheirFilesAndRefusesWhatItCannotDo) {
    writeFile("copy.json", R"({"name": "copy", "encode": ["cp", "{input}", "{output}"], "decode": ["cp", "{input}",
        "{output}"], "format": "ppm", "extension": ".c", "quality": {"min": 1, "max": 9}})");
    const Arguments sweep{"sweep", "--codec-file", "copy.json", "--codecs", "jpeg:label=plain,copy", "--qualities",
                          "3,6", "--measures", "none", "--out", "results", "set/a_astronaut.png", "set/d_coffee.ppm"};
    const CliRun first = exited(0, sweep);
    EXPECT_TRUE(contains(first.err, "4 items made, 0 taken")) << first.err;
    const auto before = folderSnapshot(cwd.path() / "results");

    const CliRun remade = exited(0, sweep + Arguments{"--remake", "copy"});
    EXPECT_TRUE(contains(remade.err, "2 items made, 2 taken as they were in \"results\", 2 made again as asked"))
        << remade.err;
    const auto after = folderSnapshot(cwd.path() / "results");
    EXPECT_TRUE(addedNames(before, after).empty() && addedNames(after, before).empty()) << "no file made or deleted";
    std::size_t rewritten = 0;
    for (const auto& [name, bytes] : before) {
        if (contains(name, "-plain.json")) {
            EXPECT_EQ(bytes, after.at(name)) << name << " is taken as it was";
        }
        if (contains(name, "-copy.json") && bytes != after.at(name)) ++rewritten;
    }
    EXPECT_EQ(rewritten, 2u) << "the copy curve's results are filed anew";

    // A curve is named as --anchor names one: by its codec and settings too.
    const CliRun both = exited(0, sweep + Arguments{"--remake", "jpeg", "--remake", "copy"});
    EXPECT_TRUE(contains(both.err, "4 items made, 0 taken as they were in \"results\", 4 made again as asked"))
        << both.err;
    EXPECT_TRUE(contains(exited(0, sweep).err, "0 items made, 4 taken")) << "asked once, not for good";

    const CliRun unknown = exited(2, sweep + Arguments{"--remake", "webp"});
    EXPECT_TRUE(contains(unknown.err, "--remake: \"webp\" is not one of the run's codecs: plain, copy")) << unknown.err;
    const CliRun noFolder = exited(2, Arguments(sweep.begin(), sweep.end() - 4) +
                                          Arguments{"set/a_astronaut.png", "--remake", "copy"});
    EXPECT_TRUE(contains(noFolder.err, "--remake")) << noFolder.err;
}

}  // namespace
}  // namespace brenlow::testing
