#include <gtest/gtest.h>

#include <filesystem>

#include "io/error.h"
#include "io/file_io.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

Bytes bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

TEST(AtomicWriteTest, ReplacesTheFileWholeAndLeavesNoTemporaryFile) {
    testing::TempDir dir;
    const std::string target = dir.file("out.bin");
    writeFileAtomically(target, bytesOf("first version"));
    writeFileAtomically(target, bytesOf("second"));
    EXPECT_EQ(testing::fileBytes(target), "second");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(AtomicWriteTest, FailureLeavesTheTargetAndTheFolderAsTheyWere) {
    testing::TempDir dir;
    std::filesystem::create_directory(dir.path() / "taken");
    EXPECT_THROW(writeFileAtomically(dir.file("taken"), bytesOf("data")), Error);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "taken"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_THROW(writeFileAtomically(dir.file("missing/out.bin"), bytesOf("data")), Error);
}

TEST(ReadFileTest, ReadsWholeFilesAndRefusesMissingOnesAndFolders) {
    testing::TempDir dir;
    writeFileAtomically(dir.file("a"), bytesOf("abc"));
    EXPECT_EQ(readWholeFile(dir.file("a")), bytesOf("abc"));
    EXPECT_EQ(fileSizeOf(dir.file("a")), 3u);
    EXPECT_THROW(readWholeFile(dir.file("b")), Error);
    EXPECT_THROW(readWholeFile(dir.path().string()), Error);
    EXPECT_THROW(readWholeFile(dir.file("a"), 2), Error);
}

TEST(NameRulesTest, BaseDropsExactlyFourCharacters) {
    EXPECT_EQ(baseName("C:\\pics\\lena.bmp"), "C:\\pics\\lena");
    EXPECT_EQ(baseName("a.jpeg"), "a.");
    EXPECT_EQ(baseName("a.bm"), "");
    EXPECT_EQ(baseName("abcde"), "a");
}

TEST(NameRulesTest, MarkersAreCaseSensitiveSubstrings) {
    EXPECT_TRUE(hasMarker("a.avc.bmp", ".avc"));
    EXPECT_FALSE(hasMarker("PIC.AVC", ".avc"));
    EXPECT_FALSE(hasMarker("photo.jpeg", ".jpg"));
}

}  // namespace
}  // namespace brenlow
