#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include <QCryptographicHash>
#include <QImage>
#include <chrono>
#include <csignal>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include "experiments/sweep_report.h"
#include "io/bitmap_file.h"
#include "io/file_io.h"
#include "jpeg/jpeg_bridge.h"
#include "support/cli_runner.h"
#include "support/dataset_pictures.h"
#include "support/test_support.h"

#ifndef BRENLOW_EXAMPLE_CODECS_DIR
#error "BRENLOW_EXAMPLE_CODECS_DIR must name examples/codecs"
#endif

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

QJsonObject jsonFile(const std::string& path) { return QJsonDocument::fromJson(QByteArray::fromStdString(fileBytes(path))).object(); }

// The one result file in `folder` whose name holds `part`.
std::string resultFile(const fs::path& folder, const std::string& part) {
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (contains(entry.path().filename().string(), part)) return entry.path().string();
    return {};
}

class CommandCodecCliTest : public ::testing::Test {
protected:
    CommandCodecCliTest() {
        fs::create_directory(cwd.path() / "set");
        pictures = makeSmallDataSet(cwd.file("set"));
    }

    CliRun run(const Arguments& arguments) { return runCli(arguments, cwd.path()); }

    CliRun exited(int code, const Arguments& arguments) {
        CliRun result = run(arguments);
        EXPECT_EQ(result.exitCode, code) << result.err;
        return result;
    }

    // A fake codec program: a shell script of the test's (Brenlow itself runs no shell).
    std::string script(const std::string& name, const std::string& body) {
        const std::string path = cwd.file(name);
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        ::chmod(path.c_str(), 0755);
        return path;
    }

    void writeFile(const std::string& name, const std::string& text) { std::ofstream(cwd.file(name)) << text; }

    // A codec whose programs are `encoder` and `decoder`, each called as PROGRAM INPUT OUTPUT.
    static std::string codec(const std::string& name, const std::string& encoder, const std::string& decoder) {
        return R"({"name": ")" + name + R"(", "encode": [")" + encoder + R"(", "{input}", "{output}"], "decode": [")" +
               decoder + R"(", "{input}", "{output}"], "format": "ppm", "extension": ".x", "quality": {"min": 0,
               "max": 100}})";
    }

    TempDir cwd;
    std::vector<std::string> pictures;
};

const std::string kWebpTools = std::string(BRENLOW_EXAMPLE_CODECS_DIR) + "/webp-tools.json";

TEST_F(CommandCodecCliTest, ADescribedCodecStandsBesideTheAnchorsInASweepItsResultsAndTheReport) {
    if (!onPath("cwebp") || !onPath("dwebp")) GTEST_SKIP() << "cwebp and dwebp are not installed (scripts/install-deps.sh)";
    const CliRun listed = exited(0, {"codecs", "--codec-file", kWebpTools});
    EXPECT_TRUE(contains(listed.out, "webp-m6 (WebP, method 6 (cwebp and dwebp), .webp): quality 0-100, commands from " +
                                         kWebpTools))
        << listed.out;
    EXPECT_TRUE(contains(listed.out, "  method=0-6 (default 6)")) << listed.out;

    const Arguments sweep{"sweep", "--codec-file", kWebpTools, "--codecs", "jpeg,webp,avif,webp-m6,webp-m6:method=0",
                          "--qualities", "30,50,70,90", "--measures", "ms_ssim", "--out", "results", "set"};
    const CliRun swept = exited(0, sweep);
    for (const char* row : {"\r\nset/a_astronaut.png,webp-m6,30,", "\r\nset/e_chelsea.bmp,webp-m6:method=0,90,",
                            "\r\nset/a_astronaut.png,avif,50,"})
        EXPECT_TRUE(contains(swept.out, row)) << row;
    EXPECT_TRUE(contains(swept.out, ",method=0,")) << "the settings column names the curve's settings";
    for (const char* line : {"BD-rate webp-m6 against jpeg on psnr, cubic: -", "BD-rate webp-m6 against jpeg on ms_ssim_y_db",
                             "BD-rate webp-m6:method=0 against jpeg on psnr_y, pchip, per picture: mean -"})
        EXPECT_TRUE(contains(swept.err, line)) << line << "\n" << swept.err;

    // Its points keep the processor time of each call beside the wall time, and say so.
    const QJsonObject stored = jsonFile(resultFile(cwd.path() / "results", "-webp-m6.json"));
    ASSERT_FALSE(stored.isEmpty());
    EXPECT_EQ(stored["curve"].toObject()["codec"].toString(), "webp-m6");
    EXPECT_TRUE(stored["points"].toArray()[0].toObject().contains("encode_cpu_seconds"));
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(exited(0, sweep + Arguments{"--json"}).out)).object();
    const QString text = QString::fromUtf8(QJsonDocument(json).toJson());
    EXPECT_TRUE(text.contains("wall and CPU (user + system")) << "the timing says what it measured";

    // The folder's figures are read back without the description file; its codec is named as it was.
    const CliRun merged = exited(0, {"merge", "--quiet", "results"});
    EXPECT_EQ(withoutLastColumns(merged.out, kSweepCsvTimingColumns), withoutLastColumns(swept.out, kSweepCsvTimingColumns));
    exited(0, {"report", "--codec-file", kWebpTools, "--html", "report.html", "results"});
    const std::string html = fileBytes(cwd.file("report.html"));
    EXPECT_TRUE(contains(html, "<td>webp-m6:method=0</td><td>webp-m6</td><td>method=0</td>")) << "the curves' table";
    EXPECT_TRUE(contains(html, "commands from " + kWebpTools));
}

// Fields of a CSV line without quoted commas, as the sweep writes the points' numbers.
std::vector<std::string> csvFieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
    return fields;
}

// A codec run by commands is coded to size too: its encoder alone is probed for the quality, and each
// quality step here adds 100 bytes (2/3 bit per pixel of 40 x 30), so the highest quality within the
// target lies less than a step below it.
TEST_F(CommandCodecCliTest, SizeTargetsFindTheHighestQualityWithinTheTargetForACodecRunByCommands) {
    const std::string padded = script("padded", "{ cat \"$1\"; head -c $(($3 * 100)) /dev/zero; } > \"$2\"");
    const std::string unpadded = script("unpadded", "head -c $(($(wc -c < \"$1\") - $3 * 100)) \"$1\" > \"$2\"");
    writeFile("padded.json", R"({"name": "padded", "encode": [")" + padded + R"(", "{input}", "{output}", "{quality}"],
        "decode": [")" + unpadded + R"(", "{input}", "{output}", "{quality}"], "format": "ppm", "extension": ".pad",
        "quality": {"min": 1, "max": 90}})");
    saveBitmapFile(patternBitmap(40, 30), cwd.file("small.bmp"));
    const CliRun swept = exited(0, {"sweep", "--codec-file", "padded.json", "--codecs", "padded", "--bpp", "1,40,60",
                                    "--measures", "none", "--quiet", "small.bmp"});
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(swept.out);
    std::string line;
    std::getline(lines, line);
    const std::vector<std::string> header = csvFieldsOf(line.substr(0, line.size() - 1));
    const auto column = [&](const std::string& name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    while (std::getline(lines, line)) rows.push_back(csvFieldsOf(line));
    ASSERT_EQ(rows.size(), 3u) << swept.out;
    EXPECT_EQ(rows[0][column("quality")], "1") << "below even the lowest quality's size";
    EXPECT_EQ(rows[0][column("target_missed")], "1");
    for (std::size_t target : {1u, 2u}) {
        const double wanted = std::stod(rows[target][column("target_bits_per_pixel")]);
        const double reached = std::stod(rows[target][column("bits_per_pixel")]);
        EXPECT_EQ(rows[target][column("target_missed")], "0");
        EXPECT_LE(reached, wanted);
        EXPECT_GT(reached + 800.0 / 1200.0, wanted) << "a quality higher would have fitted too";
    }
    EXPECT_NE(rows[1][column("quality")], rows[2][column("quality")]);
}

TEST_F(CommandCodecCliTest, EveryFailingCallIsAFailedItemNamingCodecPictureQualityAndStderrAndTheRunGoesOn) {
    const std::string exits = script("exits", "echo 'encoder: no licence for this picture' >&2\nexit 1");
    const std::string sleeps = script("sleeps", "sleep 30");
    const std::string shrinks = script("shrinks", "printf 'P6\\n2 2\\n255\\n' > \"$2\"; head -c 12 /dev/zero >> \"$2\"");
    const auto codec = [](const std::string& name, const std::string& encoder, const std::string& decoder) {
        return R"({"name": ")" + name + R"(", "encode": [")" + encoder + R"(", "{input}", "{output}"], "decode": [")" +
               decoder + R"(", "{input}", "{output}"], "format": "ppm", "extension": ".x", "quality": {"min": 0,
               "max": 100}, "time_limit": 0.5})";
    };
    writeFile("failing.json", "[" + codec("exits", exits, "cp") + "," + codec("sleeps", sleeps, "cp") + "," +
                                  codec("shrinks", "cp", shrinks) + "]");
    const CliRun swept = exited(3, {"sweep", "--codec-file", "failing.json", "--codecs", "jpeg,exits,sleeps,shrinks",
                                    "--qualities", "40,80", "--measures", "none", "--quiet", "set/a_astronaut.png",
                                    "set/e_chelsea.bmp"});
    EXPECT_TRUE(contains(swept.out, "\r\nset/e_chelsea.bmp,jpeg,80,")) << "the other items are made";
    EXPECT_TRUE(contains(swept.err, "6 items failed, left out of every figure:")) << swept.err;
    const struct {
        const char* curve;
        const char* cause;
    } failures[] = {
        {"exits", "the encode command \"" },
        {"exits", "exited with status 1; its stderr ended:\nencoder: no licence for this picture"},
        {"sleeps", "ran past its time limit of 0.5 s"},
        {"shrinks", "the decoded picture is 2 x 2 pixels, the source "},
    };
    for (const auto& failure : failures) {
        for (const char* picture : {"set/a_astronaut.png", "set/e_chelsea.bmp"}) {
            const std::string intro = "  " + std::string(failure.curve) + " on \"" + picture + "\": The codec \"" +
                                      failure.curve + "\" (failing.json) at quality 40: ";
            const std::size_t at = swept.err.find(intro);
            ASSERT_NE(at, std::string::npos) << intro << "\n" << swept.err;
            const std::size_t end = swept.err.find("\n  ", at + 1);
            EXPECT_TRUE(contains(swept.err.substr(at, end - at), failure.cause)) << failure.cause;
        }
    }
}

TEST_F(CommandCodecCliTest, CodeWithADescribedCodecWritesItsFileBesideThePictureAndReports) {
    writeFile("copy.json", R"({"name": "copy", "encode": ["cp", "{input}", "{output}"], "decode": ["cp", "{input}",
        "{output}"], "format": "bmp", "extension": ".cpy", "quality": {"min": 1, "max": 9}})");
    copyInto(testDataPath("chelsea.bmp"), cwd, "x.bmp");
    const CliRun coded = exited(0, {"code", "--codec-file", "copy.json", "--codec", "copy", "-q", "5", "x.bmp"});
    // The codec's file is a copy of the bitmap it was given: as large as the picture's own.
    const std::string size = std::to_string(fs::file_size(cwd.file("x.bmp")));
    EXPECT_TRUE(contains(coded.out, "; File size: " + size + "; Original size: " + size + " SNR_R=")) << coded.out;
    EXPECT_EQ(fileBytes(cwd.file("x.cpy")), fileBytes(cwd.file("x.bmp")));
    EXPECT_TRUE(fs::exists(cwd.file("x~.bmp")));
    const CliRun json = exited(0, {"code", "--json", "--codec-file", "copy.json", "--codec", "copy", "-q", "5", "x.bmp"});
    EXPECT_TRUE(contains(json.out, "\"library\":\"commands from copy.json\"")) << json.out;
    EXPECT_TRUE(contains(exited(2, {"code", "--codec-file", "copy.json", "--codec", "copy", "-q", "10", "x.bmp"}).err,
                         "copy takes qualities between 1 and 9"));
    EXPECT_TRUE(contains(exited(2, {"code", "--codec", "copy", "x.bmp"}).err, "\"copy\" is not a codec of this build"));
}

// A codec whose files end in .bmp would code x.bmp into x~.bmp and then write the decoded bitmap
// over it: refused before coding, naming the file.
TEST_F(CommandCodecCliTest, CodeRefusesACodedFileThatTheDecodedBitmapWouldReplace) {
    writeFile("bitmaps.json", R"({"name": "bitmaps", "encode": ["cp", "{input}", "{output}"], "decode": ["cp",
        "{input}", "{output}"], "format": "bmp", "extension": ".bmp", "quality": {"min": 1, "max": 9}})");
    copyInto(testDataPath("chelsea.bmp"), cwd, "x.bmp");
    const CliRun refused = exited(1, {"code", "--codec-file", "bitmaps.json", "--codec", "bitmaps", "-q", "5", "x.bmp"});
    EXPECT_TRUE(contains(refused.err, "Refusing to code \"x.bmp\"")) << refused.err;
    EXPECT_TRUE(contains(refused.err, "\"x~.bmp\"")) << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_FALSE(fs::exists(cwd.file("x~.bmp")));
    EXPECT_EQ(fileBytes(cwd.file("x.bmp")), fileBytes(testDataPath("chelsea.bmp")));
    // A picture of another type has outputs of two names.
    patternBitmap(40, 30).save(QString::fromStdString(cwd.file("y.png")));
    exited(0, {"code", "--codec-file", "bitmaps.json", "--codec", "bitmaps", "-q", "5", "y.png"});
    EXPECT_TRUE(fs::exists(cwd.file("y.bmp")) && fs::exists(cwd.file("y~.bmp")));
}

// A coded file larger than the memory the tool may use is copied beside the picture, holes and all.
TEST_F(CommandCodecCliTest, CodeCopiesACodedFileOfAnySizeWithinAMemoryLimit) {
    if (kAddressSanitizer) GTEST_SKIP() << "address-space limits do not apply under AddressSanitizer";
    constexpr std::uint64_t kCodedBytes = 3ull << 30;
    const std::string encoder = script("huge", "truncate -s " + std::to_string(kCodedBytes) + " \"$2\"");
    const std::string decoder = script("fixed", "cp '" + cwd.file("x.bmp") + "' \"$2\"");
    writeFile("huge.json", R"({"name": "huge", "encode": [")" + encoder + R"(", "{input}", "{output}"], "decode": [")" +
                               decoder + R"(", "{input}", "{output}"], "format": "bmp", "extension": ".huge",
                               "quality": {"min": 1, "max": 9}})");
    copyInto(testDataPath("chelsea.bmp"), cwd, "x.bmp");
    CliLimits limits;
    limits.addressSpaceBytes = 2ull << 30;
    const CliRun coded = runCli({"code", "--codec-file", "huge.json", "--codec", "huge", "-q", "5", "x.bmp"}, cwd.path(), limits);
    EXPECT_EQ(coded.exitCode, 0) << coded.err;
    EXPECT_TRUE(contains(coded.out, "; File size: " + std::to_string(kCodedBytes) + ";")) << coded.out;
    ASSERT_TRUE(fs::exists(cwd.file("x.huge")));
    EXPECT_EQ(fs::file_size(cwd.file("x.huge")), kCodedBytes);
    struct stat copied {};
    ::stat(cwd.file("x.huge").c_str(), &copied);
    EXPECT_LT(copied.st_blocks * 512, 1 << 20) << "the holes stay holes";
}

// A result folder records each described codec's commands, so results of other commands are not reused.
TEST_F(CommandCodecCliTest, ResultsMadeByOtherCommandsAreMadeAgain) {
    const auto describe = [this](const std::string& format) {
        writeFile("copy.json", R"({"name": "copy", "encode": ["cp", "{input}", "{output}"], "decode": ["cp", "{input}",
            "{output}"], "format": ")" + format + R"(", "extension": ".cpy", "quality": {"min": 1, "max": 9}})");
    };
    const Arguments sweep{"sweep", "--codec-file", "copy.json", "--codecs", "copy", "--qualities", "3,6",
                          "--measures", "none", "--out", "results", "set/a_astronaut.png", "set/d_coffee.ppm"};
    describe("ppm");
    EXPECT_TRUE(contains(exited(0, sweep).err, "2 items made, 0 taken"));
    EXPECT_TRUE(contains(exited(0, sweep).err, "0 items made, 2 taken"));
    describe("bmp");
    const CliRun again = exited(0, sweep);
    EXPECT_TRUE(contains(again.err, "2 items made, 0 taken")) << again.err;
    EXPECT_TRUE(contains(fileBytes(cwd.file("results/dataset.json")), "\"copy commands\": \"encode: cp {input} {output}"));
}

// A folder of decoded pictures made by hand from the webp anchor's own outputs.
void decodedByHand(const fs::path& root, const std::vector<std::string>& pictures,
                   const std::vector<int>& qualities, const std::function<CliRun(const Arguments&)>& run) {
    for (int quality : qualities) {
        fs::create_directories(root / std::to_string(quality));
        for (const std::string& picture : pictures) {
            const fs::path source(picture);
            const fs::path work = root.parent_path() / ("work" + source.extension().string());
            fs::copy_file(source, work, fs::copy_options::overwrite_existing);
            EXPECT_EQ(run({"code", "--codec", "webp", "-q", std::to_string(quality), work.string()}).exitCode, 0);
            const fs::path into = root / std::to_string(quality);
            fs::rename(root.parent_path() / "work~.bmp", into / (source.stem().string() + ".bmp"));
            fs::rename(root.parent_path() / "work.webp", into / (source.stem().string() + ".webp"));
        }
    }
}

TEST_F(CommandCodecCliTest, EvaluatingTheAnchorsOwnDecodedPicturesGivesItsFiguresToTheLastDigit) {
    const std::vector<int> qualities{30, 60, 90};
    exited(0, {"sweep", "--codecs", "webp", "--qualities", "30,60,90", "--measures",
               "ms_ssim,ciede2000,butteraugli,ssimulacra2", "--quiet", "--out", "swept", "set"});
    std::vector<std::string> absolute;
    for (const std::string& picture : pictures) absolute.push_back((cwd.path() / "set" / fs::path(picture).filename()).string());
    decodedByHand(cwd.path() / "decoded", absolute, qualities, [this](const Arguments& a) { return run(a); });
    const CliRun evaluated = exited(0, {"evaluate", "--reference", "set", "--decoded", "decoded", "--name", "by-hand",
                                        "--out", "evaluated"});
    EXPECT_TRUE(contains(evaluated.out, "\r\nset/a_astronaut.png,by-hand,60,")) << evaluated.out;

    for (const std::string& picture : pictures) {
        const std::string stem = fs::path(picture).filename().string();
        const QJsonArray anchor = jsonFile(resultFile(cwd.path() / "swept", stem + "-")).value("points").toArray();
        const QJsonArray byHand = jsonFile(resultFile(cwd.path() / "evaluated", stem + "-")).value("points").toArray();
        ASSERT_EQ(byHand.size(), 3) << stem;
        for (qsizetype i = 0; i < 3; ++i) {
            QJsonObject a = anchor[i].toObject(), b = byHand[i].toObject();
            for (const char* clock : {"encode_seconds", "decode_seconds", "timing_runs", "encode_seconds_spread",
                                      "decode_seconds_spread", "encode_cpu_seconds", "decode_cpu_seconds", "cpu_clock"})
                a.remove(clock), b.remove(clock);
            for (const char* kept : {"label", "decoded_file", "decoded_sha256"}) b.remove(kept);
            EXPECT_EQ(a, b) << stem << " at " << qualities[static_cast<std::size_t>(i)];
        }
    }
    // Merged with the anchor's run, the curve lies on the anchor's.
    const CliRun merged = exited(0, {"merge", "--anchor", "webp", "swept", "evaluated"});
    EXPECT_TRUE(contains(merged.err, "BD-rate by-hand against webp on psnr, pchip: 0.00 %, BD-psnr 0.0000")) << merged.err;
}

TEST_F(CommandCodecCliTest, EvaluateTakesLambdasAndSizesAndNamesEveryPictureItCannotMeasure) {
    const std::string a = "set/a_astronaut.png", e = "set/e_chelsea.bmp";
    const auto point = [&](const std::string& label) {
        fs::create_directories(cwd.path() / "decoded" / label);
        return cwd.path() / "decoded" / label;
    };
    // Lambdas: no whole numbers, so the points are numbered in the labels' order.
    for (const char* label : {"0.0130", "0.0018", "0.0067"}) {
        const fs::path folder = point(label);
        fs::copy_file(cwd.file(a), folder / "a_astronaut.png");
        std::ofstream(folder / "sizes.csv") << "picture,bytes\na_astronaut.png,1000\nb_other,5\n";
    }
    fs::copy_file(cwd.file(e), point("0.0018") / "e_chelsea.bmp");
    writeFile("decoded/0.0018/e_chelsea.j2k", "x");
    fs::copy_file(cwd.file(a), point("0.0067") / "e_chelsea.png");
    writeFile("decoded/0.0130/e_chelsea.ppm", "P6\n1 1\n255\n");

    const CliRun evaluated = exited(3, {"evaluate", "--reference", "set", "--decoded", "decoded", "--name", "learned",
                                        "--measures", "none", "--out", "lambdas"});
    const QJsonArray points =
        jsonFile(resultFile(cwd.path() / "lambdas", "a_astronaut.png-")).value("points").toArray();
    ASSERT_EQ(points.size(), 3);
    const char* labels[] = {"0.0018", "0.0067", "0.0130"};
    for (qsizetype i = 0; i < 3; ++i) {
        EXPECT_EQ(points[i].toObject()["quality"].toInt(), i + 1);
        EXPECT_EQ(points[i].toObject()["label"].toString(), labels[i]);
        EXPECT_EQ(points[i].toObject()["coded_size"].toInt(), 1000) << "the size from sizes.csv";
        EXPECT_EQ(points[i].toObject()["psnr"].toString(), "inf") << "the reference itself, decoded";
    }
    for (const char* reason : {"learned on \"set/b_astronaut.bmp\": the point \"0.0018\" (decoded/0.0018) has no "
                               "decoded picture b_astronaut.png, .ppm or .bmp",
                               "learned on \"set/e_chelsea.bmp\": the point \"0.0018\" (decoded/0.0018): sizes.csv has "
                               "no line for e_chelsea",
                               "4 items failed"})
        EXPECT_TRUE(contains(evaluated.err, reason)) << reason << "\n" << evaluated.err;

    // Without sizes.csv the coded file beside the picture gives the size; a picture of another size is named.
    fs::remove_all(cwd.path() / "decoded");
    fs::copy_file(cwd.file(e), point("40") / "e_chelsea.bmp");
    writeFile("decoded/40/e_chelsea.j2k", "12345");
    fs::copy_file(cwd.file(a), point("40") / "a_astronaut.png");
    writeFile("decoded/40/a_astronaut.bin", "123");
    fs::copy_file(cwd.file(a), point("40") / "b_astronaut.png");
    writeFile("decoded/40/b_astronaut.bin", "123");
    writeFile("decoded/40/c_chelsea.png", "not a picture");
    writeFile("decoded/40/c_chelsea.bin", "123");
    const CliRun sized = exited(3, {"evaluate", "--reference", "set", "--decoded", "decoded", "--name", "learned",
                                    "--measures", "none"});
    EXPECT_TRUE(contains(sized.out, "\r\nset/e_chelsea.bmp,learned,40,5,")) << sized.out;
    EXPECT_TRUE(contains(sized.out, "\r\nset/a_astronaut.png,learned,40,3,")) << sized.out;
    for (const char* reason : {"The decoded picture of the point \"40\" is 256 x 256 pixels, the reference 200 x 160",
                               "c_chelsea.png", "d_coffee", "3 items failed"})
        EXPECT_TRUE(contains(sized.err, reason)) << reason << "\n" << sized.err;
    EXPECT_TRUE(contains(exited(2, {"evaluate", "--reference", "set", "--decoded", "decoded", "--name", "jpeg"}).err,
                         "\"jpeg\" is the name of a codec"));
}

// Decoded pictures are found by stem, and a label of digits is the point's quality: two reference
// pictures of one stem, or a label that is no quality, are refused before anything is measured or
// written (both were measured, against one decoded picture or as one quality twice).
TEST_F(CommandCodecCliTest, EvaluateRefusesReferencesOfOneStemAndLabelsThatAreNoQuality) {
    const fs::path point = cwd.path() / "decoded" / "5";
    fs::create_directories(point);
    std::ofstream sizes(point / "sizes.csv");
    for (const std::string& picture : pictures) {
        fs::copy_file(picture, point / fs::path(picture).filename());
        sizes << fs::path(picture).stem().string() << ",100\n";
    }
    sizes.close();
    const Arguments evaluate{"evaluate", "--reference", "set", "--decoded", "decoded", "--name", "learned",
                             "--measures", "none", "--out", "evaluated"};
    fs::copy(point, cwd.path() / "decoded" / "4294967301");
    const CliRun label = exited(1, evaluate);
    EXPECT_EQ(label.err, "The point \"4294967301\" is no quality: a whole-number label lies from -1000000000 to "
                         "1000000000: \"decoded/4294967301\"\n");
    fs::remove_all(cwd.path() / "decoded" / "4294967301");
    fs::copy_file(cwd.file("set/e_chelsea.bmp"), cwd.file("set/a_astronaut.bmp"));
    const CliRun stems = exited(1, evaluate);
    EXPECT_TRUE(contains(stems.err, "\"set/a_astronaut.bmp\" and \"set/a_astronaut.png\" share the stem "
                                    "\"a_astronaut\"")) << stems.err;
    EXPECT_FALSE(fs::exists(cwd.path() / "evaluated")) << "nothing is written";
}

// A decoder that writes an empty file, or JPEG data, to its .ppm output fails its item saying
// which, not that the file is no bitmap.
TEST_F(CommandCodecCliTest, ADecodedFileOfTheWrongFormatFailsItsItemSayingWhatItHolds) {
    writeFileAtomically(cwd.file("any.jpg"), SaveAsJpeg(patternBitmap(16, 16), 90));
    const std::string jpegs = script("jpegs", "cp '" + cwd.file("any.jpg") + "' \"$2\"");
    const std::string empties = script("empties", ": > \"$2\"");
    writeFile("wrong.json", "[" + codec("jpegs", "cp", jpegs) + "," + codec("empties", "cp", empties) + "]");
    const CliRun swept = exited(3, {"sweep", "--codec-file", "wrong.json", "--codecs", "jpeg,jpegs,empties",
                                    "--qualities", "50", "--measures", "none", "set/a_astronaut.png"});
    for (const char* cause : {"is not a valid PPM file: it holds JPEG data", "is not a valid PPM file: it is empty"})
        EXPECT_TRUE(contains(swept.err, cause)) << cause << "\n" << swept.err;
}

std::string sha256Of(const std::string& path) {
    return QCryptographicHash::hash(QByteArray::fromStdString(fileBytes(path)), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

bool samePixels(const std::string& a, const std::string& b) {
    return QImage(QString::fromStdString(a)).convertToFormat(QImage::Format_RGB888) ==
           QImage(QString::fromStdString(b)).convertToFormat(QImage::Format_RGB888);
}

TEST_F(CommandCodecCliTest, ASweepIntoAResultFolderKeepsEachDecodedPictureOfACodecRunByCommands) {
    writeFile("copy.json", codec("copy", "cp", "cp"));
    const Arguments sweep{"sweep", "--codec-file", "copy.json", "--codecs", "jpeg,copy", "--qualities", "3,6",
                          "--measures", "none", "--out", "results", "set/a_astronaut.png", "set/d_coffee.ppm"};
    exited(0, sweep);
    const fs::path results = cwd.path() / "results";
    EXPECT_FALSE(jsonFile(resultFile(results, "-jpeg.json"))["points"][0].toObject().contains("decoded_file"))
        << "a built-in codec's points are coded again";
    std::vector<std::string> kept;
    for (const QJsonValue& point : jsonFile(resultFile(results, "-copy.json"))["points"].toArray()) {
        kept.push_back(point["decoded_file"].toString().toStdString());
        EXPECT_EQ(sha256Of((results / kept.back()).string()), point["decoded_sha256"].toString().toStdString());
    }
    ASSERT_EQ(kept.size(), 2u);
    for (const std::string& file : kept) EXPECT_TRUE(file.starts_with("copy/")) << "relative, named for the curve: " << file;
    EXPECT_TRUE(kept[0].ends_with("-q3.png") && kept[1].ends_with("-q6.png")) << kept[0];
    const std::string source = contains(kept[0], "a_astronaut") ? "set/a_astronaut.png" : "set/d_coffee.ppm";
    EXPECT_TRUE(samePixels((results / kept[0]).string(), cwd.file(source))) << "a lossless PNG of what was decoded";

    fs::remove(results / kept[0]);
    EXPECT_TRUE(contains(exited(0, sweep).err, "1 items made, 3 taken")) << "the item whose picture is gone is made again";
    std::ofstream(results / kept[1], std::ios::app) << "changed";
    EXPECT_TRUE(contains(exited(0, sweep).err, "1 items made, 3 taken")) << "and the item whose picture changed";
    EXPECT_EQ(sha256Of((results / kept[1]).string()),
              jsonFile(resultFile(results, "-copy.json"))["points"][1]["decoded_sha256"].toString().toStdString());
}

TEST_F(CommandCodecCliTest, PointsDecodedElsewhereRecordTheirFileAndHaveUnknownTimesInEveryOutput) {
    fs::create_directories(cwd.path() / "ref");
    fs::copy_file(cwd.file("set/a_astronaut.png"), cwd.path() / "ref/a_astronaut.png");
    for (const char* quality : {"40", "80"}) {
        fs::create_directories(cwd.path() / "decoded" / quality);
        fs::copy_file(cwd.file("set/a_astronaut.png"), cwd.path() / "decoded" / quality / "a_astronaut.png");
        writeFile("decoded/" + std::string(quality) + "/a_astronaut.bin", "12345");
    }
    const Arguments evaluate{"evaluate", "--reference", "ref", "--decoded", "decoded", "--name", "learned",
                             "--measures", "none"};
    const std::string untimed = ",n/a,n/a,n/a,n/a,n/a,n/a\r\n";  // seconds, megapixels per second, CPU seconds
    EXPECT_TRUE(contains(exited(0, evaluate).out, untimed));
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(exited(0, evaluate + Arguments{"--json"}).out)).object();
    const QJsonObject timing = json["points"][0]["timing"].toObject();
    for (const char* key : {"encode_seconds", "decode_seconds", "encode_megapixels_per_second", "decode_megapixels_per_second"})
        EXPECT_TRUE(timing[key].isNull()) << key;
    EXPECT_TRUE(timing["encode_seconds_spread"][0].isNull());

    exited(0, evaluate + Arguments{"--out", "evaluated"});
    const std::string stored = resultFile(cwd.path() / "evaluated", "a_astronaut.png-");
    QJsonObject old = jsonFile(stored);
    const fs::path decoded = cwd.path() / "decoded/40/a_astronaut.png";
    EXPECT_EQ(old["points"][0]["decoded_file"].toString().toStdString(), fs::absolute(decoded).lexically_normal().string());
    EXPECT_EQ(old["points"][0]["decoded_sha256"].toString().toStdString(), sha256Of(decoded.string()));

    // Files written while such times read 0 merge as unknown too.
    QJsonArray points;
    for (const QJsonValue& value : old["points"].toArray()) {
        QJsonObject point = value.toObject();
        point["encode_seconds"] = point["decode_seconds"] = 0;
        for (const char* key : {"timing_runs", "encode_seconds_spread", "decode_seconds_spread", "encode_cpu_seconds",
                                "decode_cpu_seconds"})
            point.remove(key);
        points.append(point);
    }
    old["points"] = points;
    std::ofstream(stored) << QJsonDocument(old).toJson().toStdString();
    EXPECT_TRUE(contains(exited(0, {"merge", "--quiet", "evaluated"}).out, untimed));
}

TEST_F(CommandCodecCliTest, ASinglePictureSweepGoesOnPastAFailingCodecAndNamesItsPoint) {
    const std::string exits = script("exits", "echo 'encoder: no licence for this picture' >&2\nexit 1");
    writeFile("codecs.json", "[" + codec("exits", exits, "cp") + "," + codec("copy", "cp", "cp") + "]");
    const Arguments sweep{"sweep", "--codec-file", "codecs.json", "--codecs", "jpeg,exits,copy", "--qualities", "40,80",
                          "--measures", "none", "set/a_astronaut.png"};
    const CliRun swept = exited(3, sweep);
    for (const char* row : {"\r\njpeg,40,", "\r\njpeg,80,", "\r\ncopy,40,", "\r\ncopy,80,"})
        EXPECT_TRUE(contains(swept.out, row)) << row << "\n" << swept.out;
    EXPECT_FALSE(contains(swept.out, "\r\nexits,")) << "the failed curve has no points";
    const std::string named = "1 item failed, left out of every figure:\n  exits on \"set/a_astronaut.png\": The codec "
                              "\"exits\" (codecs.json) at quality 40: the encode command \"" + exits + "\" exited with "
                              "status 1; its stderr ended:\nencoder: no licence for this picture";
    EXPECT_TRUE(contains(swept.err, named)) << swept.err;
    EXPECT_TRUE(contains(swept.err, "BD-rate copy against jpeg on psnr, cubic:")) << "the others' deltas are taken";

    const CliRun json = exited(3, sweep + Arguments{"--json"});
    const QJsonObject failed = QJsonDocument::fromJson(QByteArray::fromStdString(json.out))["failed"][0].toObject();
    EXPECT_EQ(failed["picture"].toString(), "set/a_astronaut.png");
    EXPECT_EQ(failed["codec"].toString(), "exits");
    EXPECT_TRUE(failed["reason"].toString().contains("no licence for this picture"));
    EXPECT_TRUE(contains(json.err, named));
}

// The private folders of command calls under `root`.
std::vector<std::string> codecFolders(const fs::path& root) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(root))
        if (entry.path().filename().string().starts_with("brenlow-codec-")) names.push_back(entry.path().filename());
    return names;
}

class StoppedCallCliTest : public CommandCodecCliTest {
protected:
    StoppedCallCliTest() {
        const std::string sleeps = script("sleeps", "echo $$ > '" + cwd.file("sleeper.pid") + "'\nsleep 60\ntouch '" +
                                                        cwd.file("slept") + "'");
        writeFile("sleeps.json", codec("sleeps", sleeps, "cp"));
    }

    // Starts a sweep whose encoder sleeps and returns once the encoder runs, its pid in `sleeper`.
    CliProcess startSleepingCall(pid_t& sleeper) {
        fs::remove(cwd.file("sleeper.pid"));
        const CliProcess process = startCli({"sweep", "--codec-file", "sleeps.json", "--codecs", "sleeps", "--qualities",
                                             "50", "--measures", "none", "set/a_astronaut.png"},
                                            cwd.path(), {"TMPDIR=" + temporary.path().string()});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        sleeper = 0;
        while (sleeper == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::ifstream(cwd.file("sleeper.pid")) >> sleeper;
        }
        return process;
    }

    // Starts a sweep whose encoder sleeps and kills the tool outright once the encoder runs;
    // returns the encoder's pid, 0 when it never ran.
    pid_t killToolDuringCall() {
        pid_t sleeper = 0;
        const CliProcess process = startSleepingCall(sleeper);
        ::kill(process.pid, SIGKILL);
        EXPECT_EQ(waitForCli(process), -SIGKILL);
        return sleeper;
    }

    TempDir temporary;
};

TEST_F(StoppedCallCliTest, AStopSignalKillsTheProgramAndRemovesTheCallsFolderBeforeTheToolEnds) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        pid_t sleeper = 0;
        const CliProcess process = startSleepingCall(sleeper);
        ASSERT_NE(sleeper, 0) << "the encoder never ran";
        EXPECT_EQ(codecFolders(temporary.path()).size(), 1u);
        ::kill(process.pid, signal);
        EXPECT_EQ(waitForCli(process), -signal) << "the tool ends by the signal, as it would have";
        EXPECT_TRUE(codecFolders(temporary.path()).empty());
        EXPECT_FALSE(isRunning(sleeper)) << "the encoder was killed with the tool";
        EXPECT_FALSE(fs::exists(cwd.file("slept"))) << "and did not run to its end first";
    }
}

// SIGKILL (the out-of-memory killer, a batch system's hard limit) gives the tool no chance to
// stop the program: the program dies with it all the same.
TEST_F(StoppedCallCliTest, TheProgramDiesWithAToolKilledOutright) {
    const pid_t sleeper = killToolDuringCall();
    ASSERT_NE(sleeper, 0) << "the encoder never ran";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (isRunning(sleeper) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(isRunning(sleeper)) << "the encoder still runs";
    // Its own child, which nothing reached, and the encoder itself should the test have failed.
    ::kill(-sleeper, SIGKILL);
}

TEST_F(StoppedCallCliTest, ALaterRunRemovesTheFoldersOfAKilledRunAndNoOneElses) {
    const pid_t sleeper = killToolDuringCall();
    ASSERT_NE(sleeper, 0) << "the encoder never ran";
    ::kill(sleeper, SIGKILL);
    const std::vector<std::string> left = codecFolders(temporary.path());
    ASSERT_EQ(left.size(), 1u) << "SIGKILL leaves its folder";
    const std::string live = "brenlow-codec-" + std::to_string(::getpid()) + "-abcdef";
    for (const std::string& name : {live, std::string("brenlow-codec-x1-abcdef"), std::string("brenlow-other-1-abcdef")})
        fs::create_directory(temporary.path() / name);

    writeFile("copy.json", codec("copy", "cp", "cp"));
    const CliProcess later = startCli({"sweep", "--codec-file", "copy.json", "--codecs", "copy", "--qualities", "50",
                                       "--measures", "none", "set/a_astronaut.png"},
                                      cwd.path(), {"TMPDIR=" + temporary.path().string()});
    EXPECT_EQ(waitForCli(later), 0);
    EXPECT_FALSE(fs::exists(temporary.path() / left[0])) << "the killed run's folder is removed";
    for (const std::string& name : {live, std::string("brenlow-codec-x1-abcdef"), std::string("brenlow-other-1-abcdef")})
        EXPECT_TRUE(fs::exists(temporary.path() / name)) << name << " is kept";
}

}  // namespace
}  // namespace brenlow::testing
