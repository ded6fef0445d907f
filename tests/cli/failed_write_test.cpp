#include <gtest/gtest.h>

#include <filesystem>

#include "support/cli_runner.h"
#include "io/bitmap_file.h"
#include "io/file_io.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

Bytes bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

// A folder with pic.bmp, its coded pic.avc made by the tool, and earlier versions of every output
// the tests below let fail.
class FailedWriteTest : public ::testing::Test {
protected:
    FailedWriteTest() {
        saveBitmapFile(patternBitmap(96, 64), data.file("pic.bmp"));
        const CliRun made = runCli({"avc", data.file("pic.bmp")}, data.path());
        EXPECT_EQ(made.exitCode, 0) << made.err;
        writeFileAtomically(data.file("pic~.bmp"), bytesOf("the decoded picture of an earlier run"));
        writeFileAtomically(data.file("out.bmp"), bytesOf("an earlier output"));
    }

    CliRun runWithFileSizeLimit(const std::vector<std::string>& arguments, std::uint64_t bytes) {
        CliLimits limits;
        limits.fileSizeBytes = bytes;
        return runCli(arguments, data.path(), limits);
    }

    TempDir data;
};

TEST_F(FailedWriteTest, DecodeCutShortLeavesTheOldOutputAndNoTemporaryFile) {
    const auto before = folderSnapshot(data.path());
    const CliRun run = runWithFileSizeLimit({"decode", data.file("pic.avc"), "-o", data.file("out.bmp")}, 4096);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Cannot write \"" + data.file("out.bmp") + "\": File too large\n");
    EXPECT_EQ(folderSnapshot(data.path()), before);
}

// The container is small enough to be written; the decoded bitmap is not. Both outputs are
// prepared before either replaces its old file, so the old pair stays together.
TEST_F(FailedWriteTest, EncodeFailingOnItsSecondOutputKeepsTheOldPair) {
    ASSERT_LT(fileBytes(data.file("pic.avc")).size(), 8192u);
    ASSERT_GT(encodeBitmap(patternBitmap(96, 64)).size(), 8192u);
    const auto before = folderSnapshot(data.path());

    const CliRun run = runWithFileSizeLimit({"avc", "-q", "40", data.file("pic.bmp")}, 8192);

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Cannot write \"" + data.file("pic~.bmp") + "\": File too large\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(folderSnapshot(data.path()), before);
}

TEST_F(FailedWriteTest, EncodeFailingOnItsFirstOutputChangesNothing) {
    const auto before = folderSnapshot(data.path());
    const CliRun run = runWithFileSizeLimit({"avc", "-q", "40", data.file("pic.bmp")}, 100);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Cannot write \"" + data.file("pic.avc") + "\": File too large\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(folderSnapshot(data.path()), before);
}

// A decoded picture of over 16 MB goes to the disk in aligned chunks: cut short it fails like any
// other write; with room for its exact size but not for its last padded chunk it is written the
// ordinary way instead, whole.
TEST(LargeFailedWriteTest, DirectWritesFailWholeOrFallBackWhole) {
    TempDir data;
    saveBitmapFile(patternBitmap(2400, 2400), data.file("big.bmp"));
    ASSERT_EQ(runCli({"avc", data.file("big.bmp")}, data.path()).exitCode, 0);
    const std::string decoded = fileBytes(data.file("big~.bmp"));
    ASSERT_GT(decoded.size(), 16u << 20);
    ASSERT_NE(decoded.size() % 4096, 0u);
    writeFileAtomically(data.file("out.bmp"), bytesOf("an earlier output"));
    const auto before = folderSnapshot(data.path());

    CliLimits cut;
    cut.fileSizeBytes = 5u << 20;
    const CliRun cutRun = runCli({"decode", data.file("big.avc"), "-o", data.file("out.bmp")}, data.path(), cut);
    EXPECT_EQ(cutRun.exitCode, 1);
    EXPECT_EQ(cutRun.err, "Cannot write \"" + data.file("out.bmp") + "\": File too large\n");
    EXPECT_EQ(folderSnapshot(data.path()), before);

    CliLimits exact;
    exact.fileSizeBytes = decoded.size() + 10;
    const CliRun exactRun = runCli({"decode", data.file("big.avc"), "-o", data.file("out.bmp")}, data.path(), exact);
    EXPECT_EQ(exactRun.exitCode, 0) << exactRun.err;
    EXPECT_TRUE(fileBytes(data.file("out.bmp")) == decoded);
    EXPECT_EQ(folderSnapshot(data.path()).size(), before.size());
}

TEST_F(FailedWriteTest, DecodeOntoItsOwnInputIsRefused) {
    const auto before = folderSnapshot(data.path());
    const CliRun run = runCli({"decode", data.file("pic.avc"), "-o", data.file("pic.avc")}, data.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Refusing to write \"" + data.file("pic.avc") + "\": it is the picture being coded\n");
    EXPECT_EQ(folderSnapshot(data.path()), before);
}

}  // namespace
}  // namespace brenlow::testing
