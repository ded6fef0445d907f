#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>

#include "experiments/sweep_report.h"
#include "io/bitmap_file.h"
#include "io/file_io.h"
#include "jpeg/jpeg_bridge.h"
#include "support/cli_runner.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// A frame's error is one line that leads with the frame and names the frame's file.
void expectFrameError(const CliRun& result, int frame, const std::string& file) {
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("Frame " + std::to_string(frame) + ": ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find('"' + file + '"'), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
}

const std::regex kFullReport(
    R"(Ratio: [0-9]*\.[0-9]*; File size: ([0-9]+); Original size: ([0-9]+) SNR_R=[0-9]+\.[0-9]{3}; SNR_G=[0-9]+\.[0-9]{3}; SNR_B=[0-9]+\.[0-9]{3};\n)");
const std::regex kShortReport(R"(Ratio: [0-9]*\.[0-9]*; File size: ([0-9]+); Original size: ([0-9]+)\n)");

std::uint32_t le32(const Bytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// The payload unmasked by hand and decoded, independently of the container reader.
QImage unmaskedPayload(const Bytes& file, std::uint8_t mask) {
    Bytes jpeg(file.begin() + 42, file.end());
    for (auto& byte : jpeg) {
        byte ^= mask;
    }
    QImage picture;
    LoadJpeg(picture, jpeg);
    return picture;
}

std::vector<std::uint8_t> headerTags(const Bytes& file) { return {file[15], file[16], file[17], file[18]}; }

// Each test runs the tool in an empty folder with its inputs in another one.
class CliTest : public ::testing::Test {
protected:
    CliRun run(const std::vector<std::string>& arguments) { return runCli(arguments, cwd.path()); }
    void expectWorkingFolderEmpty() { EXPECT_TRUE(fs::is_empty(cwd.path())); }

    TempDir cwd;
    TempDir data;
};

TEST_F(CliTest, AvcWritesHalfSizeContainerAndFullSizeDecodedPicture) {
    const std::string source = copyInto(samplePath("astronaut.bmp"), data);
    const CliRun result = run({"avc", source});

    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(result.out, match, kFullReport)) << result.out;
    const Bytes container = readWholeFile(data.file("astronaut.avc"));
    EXPECT_EQ(match[1].str(), std::to_string(container.size()));
    EXPECT_EQ(match[2].str(), "786486");

    EXPECT_EQ(headerTags(container), (std::vector<std::uint8_t>{40, 2, 0, 2}));
    EXPECT_EQ(le32(container, 23), 2u);
    EXPECT_EQ(le32(container, 19), container.size() - 42 + 46);
    EXPECT_EQ(unmaskedPayload(container, 0xA7).size(), QSize(256, 256));
    EXPECT_EQ(loadBitmapFile(data.file("astronaut~.bmp")).size(), QSize(512, 512));
    expectWorkingFolderEmpty();
}

TEST_F(CliTest, AvcCodesOddPictureAtHalfSizeRoundedDown) {
    saveBitmapFile(patternBitmap(513, 511), data.file("odd.bmp"));
    const CliRun result = run({"avc", data.file("odd.bmp")});

    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(std::regex_match(result.out, kFullReport)) << result.out;
    EXPECT_EQ(unmaskedPayload(readWholeFile(data.file("odd.avc")), 0xA7).size(), QSize(256, 255));
    EXPECT_EQ(loadBitmapFile(data.file("odd~.bmp")).size(), QSize(512, 510));
}

TEST_F(CliTest, AvcFieldsReachTheHeader) {
    saveBitmapFile(patternBitmap(64, 48), data.file("p.bmp"));
    ASSERT_EQ(run({"avc", "-q", "50", "--divisor", "0", "--focus", "0", data.file("p.bmp")}).exitCode, 0);
    const Bytes divisorZero = readWholeFile(data.file("p.avc"));
    EXPECT_EQ(headerTags(divisorZero), (std::vector<std::uint8_t>{40, 2, 0, 2}));  // "0" gives 2.5, code 2
    EXPECT_EQ(le32(divisorZero, 23), 0u);

    ASSERT_EQ(run({"avc", "--divisor", "7", "--focus", "5", data.file("p.bmp")}).exitCode, 0);
    const Bytes seven = readWholeFile(data.file("p.avc"));
    EXPECT_EQ(seven[18], 7);
    EXPECT_EQ(le32(seven, 23), 5u);
    EXPECT_EQ(le32(seven, 19), seven.size() - 42 + 40 + 2 + 7 + 5);
}

TEST_F(CliTest, AjcWritesFullSizeContainerAndShortReport) {
    const std::string source = copyInto(samplePath("astronaut.bmp"), data);
    const CliRun result = run({"ajc", source});

    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(result.out, match, kShortReport)) << result.out;
    const Bytes container = readWholeFile(data.file("astronaut.ajc"));
    EXPECT_EQ(match[1].str(), std::to_string(container.size()));
    EXPECT_EQ(match[2].str(), "786486");
    EXPECT_EQ(headerTags(container), (std::vector<std::uint8_t>{40, 1, 0, 2}));
    EXPECT_EQ(le32(container, 19), container.size() - 42 + 43);
    EXPECT_EQ(unmaskedPayload(container, 0x5E).size(), QSize(512, 512));
    EXPECT_FALSE(fs::exists(data.file("astronaut~.bmp")));
    expectWorkingFolderEmpty();
}

TEST_F(CliTest, DecodeWritesTildeBitmapForBothKinds) {
    saveBitmapFile(patternBitmap(40, 30), data.file("p.bmp"));
    ASSERT_EQ(run({"ajc", data.file("p.bmp")}).exitCode, 0);
    ASSERT_EQ(run({"avc", data.file("p.bmp")}).exitCode, 0);
    fs::remove(data.file("p~.bmp"));

    CliRun result = run({"decode", data.file("p.ajc")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(loadBitmapFile(data.file("p~.bmp")).size(), QSize(40, 30));

    fs::remove(data.file("p~.bmp"));
    result = run({"decode", data.file("p.avc"), "-o", data.file("out.bmp")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(loadBitmapFile(data.file("out.bmp")).size(), QSize(40, 30));
    EXPECT_FALSE(fs::exists(data.file("p~.bmp")));

    ASSERT_EQ(run({"decode", data.file("p.avc")}).exitCode, 0);
    EXPECT_EQ(fileBytes(data.file("p~.bmp")), fileBytes(data.file("out.bmp")));
    expectWorkingFolderEmpty();
}

TEST_F(CliTest, JpegExperimentWritesJpegDecodedBitmapAndFullReport) {
    const std::string source = copyInto(samplePath("astronaut.bmp"), data);
    const CliRun result = run({"jpeg", source});

    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(result.out, match, kFullReport)) << result.out;
    EXPECT_EQ(match[1].str(), std::to_string(fs::file_size(data.file("astronaut.jpg"))));
    EXPECT_EQ(loadBitmapFile(data.file("astronaut~.bmp")).size(), QSize(512, 512));
    expectWorkingFolderEmpty();
}

TEST_F(CliTest, JpegExperimentOnJpegDocumentLeavesSourceUntouched) {
    SaveAsJpeg(patternBitmap(64, 40), data.file("photo.jpg"), 90, 0);
    const std::string before = fileBytes(data.file("photo.jpg"));

    const CliRun result = run({"jpeg", "-q", "0", data.file("photo.jpg")});

    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(std::regex_match(result.out, kFullReport)) << result.out;
    EXPECT_EQ(fileBytes(data.file("photo.jpg")), before);
    EXPECT_TRUE(fs::exists(data.file("photo~.jpg")));
    EXPECT_EQ(loadBitmapFile(data.file("photo~.bmp")).size(), QSize(64, 40));
    EXPECT_FALSE(fs::exists(data.file("photo.bmp")));
}

TEST_F(CliTest, OutOfRangeOrNonNumericOptionsAreUsageErrors) {
    saveBitmapFile(patternBitmap(16, 16), data.file("p.bmp"));
    const auto before = folderSnapshot(data.path());
    const std::vector<std::vector<std::string>> misuses = {
        {"avc", "-q", "0", data.file("p.bmp")},        {"avc", "-q", "101", data.file("p.bmp")},
        {"avc", "-q", "8x", data.file("p.bmp")},       {"ajc", "-q", "-5", data.file("p.bmp")},
        {"avc", "--divisor", "10", data.file("p.bmp")}, {"avc", "--focus", "-3", data.file("p.bmp")},
        {"jpeg", "-q", "101", data.file("p.bmp")},     {"seq-encode", "-j", "0"},
        {"seq-decode", "abc"},                          {"decode", data.file("p.bmp")},
        {"avc"},                                        {},
        {"zip", data.file("p.bmp")},
    };
    for (const auto& arguments : misuses) {
        const CliRun result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << ::testing::PrintToString(arguments);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
    EXPECT_EQ(folderSnapshot(data.path()), before);
    expectWorkingFolderEmpty();
}

TEST_F(CliTest, LeadingZerosAreDecimalNotOctal) {
    saveBitmapFile(patternBitmap(48, 32), data.file("p.bmp"));
    const auto avcBytes = [&](const std::vector<std::string>& options) {
        std::vector<std::string> arguments{"avc"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(data.file("p.bmp"));
        const CliRun result = run(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return fileBytes(data.file("p.avc"));
    };
    EXPECT_EQ(avcBytes({"-q", "010"}), avcBytes({"-q", "10"}));
    EXPECT_EQ(avcBytes({"-q", "0100"}), avcBytes({"-q", "100"}));
    EXPECT_EQ(avcBytes({"--divisor", "07", "--focus", "0010"}), avcBytes({"--divisor", "7", "--focus", "10"}));
    const CliRun sweep = run({"sweep", "--codecs", "jpeg", "--qualities", "008:010:01", data.file("p.bmp")});
    ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
    EXPECT_EQ(withoutLastColumns(sweep.out, kSweepCsvTimingColumns),
              withoutLastColumns(run({"sweep", "--codecs", "jpeg", "--qualities", "8,9,10", data.file("p.bmp")}).out,
                                 kSweepCsvTimingColumns));

    fs::create_directory(data.path() / "f");
    for (int frame = 0; frame <= 11; ++frame) {
        saveBitmapFile(patternBitmap(8, 8), data.file("f/f" + std::to_string(frame) + ".bmp"));
    }
    const CliRun frames = run({"seq-encode", "-j", "02", "--prefix", data.file("f/f"), "010"});
    ASSERT_EQ(frames.exitCode, 0) << frames.err;
    EXPECT_TRUE(fs::exists(data.file("f/f10.avc")));
    EXPECT_FALSE(fs::exists(data.file("f/f11.avc")));
}

TEST_F(CliTest, NumbersThatAreNotDecimalOrOutOfRangeNameTheOption) {
    saveBitmapFile(patternBitmap(16, 16), data.file("p.bmp"));
    const std::string picture = data.file("p.bmp");
    const auto before = folderSnapshot(data.path());
    const std::vector<std::pair<std::vector<std::string>, std::string>> misuses = {
        {{"avc", "-q", "0x10", picture}, R"(--quality: "0x10" is not a decimal number)"},
        {{"avc", "-q", "1e1", picture}, R"(--quality: "1e1" is not a decimal number)"},
        {{"avc", "-q", "10.0", picture}, R"(--quality: "10.0" is not a decimal number)"},
        {{"avc", "-q", "10x", picture}, R"(--quality: "10x" is not a decimal number)"},
        {{"jpeg", "--quality", "abc", picture}, R"(--quality: "abc" is not a decimal number)"},
        {{"ajc", "-q", "", picture}, R"(--quality: "" is not a decimal number)"},
        {{"ajc", "-q", "+5", picture}, R"(--quality: "+5" is not a decimal number)"},
        {{"avc", "--divisor", "0x1", picture}, R"(--divisor: "0x1" is not a decimal number)"},
        {{"sweep", "--focus", "1e1", picture}, R"(--focus: "1e1" is not a decimal number)"},
        {{"seq-encode", "-j", "0x2"}, R"(--jobs: "0x2" is not a decimal number)"},
        {{"seq-decode", "010x"}, R"(LAST: "010x" is not a decimal number)"},
        {{"sweep", "--qualities", "10,0x10", picture}, "--qualities: qualities must be"},
        {{"avc", "-q", "101", picture}, R"(--quality: "101" is not between 1 and 100)"},
        {{"jpeg", "-q", "-1", picture}, R"(--quality: "-1" is not between 0 and 100)"},
        {{"ajc", "--divisor", "010", picture}, R"(--divisor: "010" is not between 0 and 9)"},
        {{"avc", "--focus", "1001", picture}, R"(--focus: "1001" is not between 0 and 1000)"},
        {{"seq-decode", "-j", "65"}, R"(--jobs: "65" is not between 1 and 64)"},
        {{"seq-encode", "2147483647"}, R"(LAST: "2147483647" is not between 0 and 2147483646)"},
        {{"seq-encode", "99999999999999999999"}, R"(LAST: "99999999999999999999" is not between 0 and 2147483646)"},
    };
    for (const auto& [arguments, message] : misuses) {
        const CliRun result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << ::testing::PrintToString(arguments);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
    EXPECT_EQ(folderSnapshot(data.path()), before);
    expectWorkingFolderEmpty();
}

// Size targets read as plain decimals like every other number: no hexadecimal, exponent, space or
// plus sign, which the help does not offer.
TEST_F(CliTest, SizeTargetsAreDecimalOnlyLikeEveryOtherNumber) {
    saveBitmapFile(patternBitmap(16, 16), data.file("p.bmp"));
    for (const std::string targets : {"0x1p-1", " 0.5", "0.5, 1", "1e-1", "+0.5", "0.25,0x1"}) {
        const CliRun result = run({"sweep", "--codecs", "jpeg", "--bpp", targets, data.file("p.bmp")});
        EXPECT_EQ(result.exitCode, 2) << targets;
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("--bpp: "), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("is not a size in bits per pixel above 0 and at most 64"), std::string::npos)
            << result.err;
    }
    const CliRun decimal = run({"sweep", "--codecs", "jpeg", "--bpp", ".5,1.", "--measures", "none", data.file("p.bmp")});
    EXPECT_EQ(decimal.exitCode, 0) << decimal.err;
    expectWorkingFolderEmpty();
}

TEST_F(CliTest, HelpGoesToStandardOutput) {
    const CliRun result = run({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    for (const char* command : {"avc", "ajc", "jpeg", "decode", "seq-encode", "seq-decode"}) {
        EXPECT_NE(result.out.find(command), std::string::npos) << command;
    }
}

TEST_F(CliTest, SequenceRoundTripWithEveryCommandOutsideTheWorkingFolder) {
    fs::create_directory(data.path() / "frames");
    saveBitmapFile(patternBitmap(64, 48), data.file("frames/frame0.bmp"));
    saveBitmapFile(patternBitmap(641, 481), data.file("frames/frame1.bmp"));
    saveBitmapFile(patternBitmap(30, 20), data.file("frames/frame2.bmp"));
    const std::string prefix = data.file("frames/frame");

    CliRun result = run({"seq-encode", "--prefix", prefix, "-j", "2", "2"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    result = run({"seq-decode", "--prefix", prefix, "2"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    EXPECT_EQ(loadBitmapFile(data.file("frames/frame000000.bmp")).size(), QSize(64, 48));
    EXPECT_EQ(loadBitmapFile(data.file("frames/frame000001.bmp")).size(), QSize(640, 480));
    EXPECT_EQ(loadBitmapFile(data.file("frames/frame000002.bmp")).size(), QSize(30, 20));
    expectWorkingFolderEmpty();
}

TEST_F(CliTest, SequenceStopsAtMissingFrameAndKeepsEarlierOnes) {
    fs::create_directory(data.path() / "frames");
    saveBitmapFile(patternBitmap(16, 16), data.file("frames/frame0.bmp"));
    const CliRun result = run({"seq-encode", "--prefix", data.file("frames/frame"), "1"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("frame1.bmp"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::exists(data.file("frames/frame0.avc")));
    EXPECT_FALSE(fs::exists(data.file("frames/frame1.avc")));
}

TEST_F(CliTest, SequenceFrameErrorsNameTheFrameAndItsFile) {
    fs::create_directory(data.path() / "f");
    const std::string prefix = data.file("f/f");
    saveBitmapFile(patternBitmap(16, 16), prefix + "0.bmp");
    saveBitmapFile(patternBitmap(3, 3), prefix + "1.bmp");
    CliRun result = run({"seq-encode", "-j", "2", "--prefix", prefix, "1"});
    expectFrameError(result, 1, prefix + "1.bmp");

    writeText(prefix + "1.bmp", "not a picture\n");
    result = run({"seq-encode", "--prefix", prefix, "1"});
    expectFrameError(result, 1, prefix + "1.bmp");

    const Bytes frame0 = readWholeFile(prefix + "0.avc");
    writeBytes(prefix + "0.avc", Bytes(frame0.begin(), frame0.begin() + frame0.size() / 2));
    result = run({"seq-decode", "--prefix", prefix, "0"});
    expectFrameError(result, 0, prefix + "0.avc");
    EXPECT_FALSE(fs::exists(prefix + "000000.bmp"));
}

// From frame 100000 on, a decoded frame's name under the source prefix is the source bitmap's.
TEST_F(CliTest, SequenceDecodeNeverWritesOverASourceFrame) {
    fs::create_directory(data.path() / "d");
    const std::string prefix = data.file("d/f");
    saveBitmapFile(patternBitmap(16, 16), prefix + "0.bmp");
    ASSERT_EQ(run({"seq-encode", "--prefix", prefix, "0"}).exitCode, 0);
    fs::copy_file(prefix + "0.avc", prefix + "100000.avc");
    saveBitmapFile(patternBitmap(20, 20), prefix + "100000.bmp");
    const auto before = folderSnapshot(data.path());

    for (const std::string jobs : {"1", "2"}) {
        const CliRun refused = run({"seq-decode", "-j", jobs, "--prefix", prefix, "100000"});
            EXPECT_EQ(refused.out, "");
        expectFrameError(refused, 100000, prefix + "100000.bmp");
        EXPECT_NE(refused.err.find("prefix"), std::string::npos) << refused.err;
        EXPECT_EQ(folderSnapshot(data.path()), before);
    }

    // A decoded name that is not taken is written as before: the run goes on until frame 1 is missing.
    fs::remove(prefix + "100000.bmp");
    const CliRun unblocked = run({"seq-decode", "--prefix", prefix, "100000"});
    expectFrameError(unblocked, 1, prefix + "1.avc");
    EXPECT_TRUE(fs::exists(prefix + "000000.bmp"));
    expectWorkingFolderEmpty();
}

TEST_F(CliTest, SequenceDefaultFoldersAreRelativeToWorkingFolder) {
    fs::create_directory(cwd.path() / "frames");
    fs::create_directory(cwd.path() / "frames~");
    saveBitmapFile(patternBitmap(20, 20), (cwd.path() / "frames/frame0.bmp").string());

    ASSERT_EQ(run({"seq-encode"}).exitCode, 0);
    fs::copy_file(cwd.path() / "frames/frame0.avc", cwd.path() / "frames~/frame0.avc");
    ASSERT_EQ(run({"seq-decode"}).exitCode, 0);

    EXPECT_EQ(loadBitmapFile((cwd.path() / "frames~/frame000000.bmp").string()).size(), QSize(20, 20));
}

}  // namespace
}  // namespace brenlow::testing
