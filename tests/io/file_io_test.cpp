#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <span>
#include <vector>

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

// Files of tens of megabytes go to the disk in aligned chunks, cut back to their size; pieces of
// odd sizes must come out in order with nothing added, here and where the folder's file system
// refuses such writes (a memory file system, when there is one).
TEST(AtomicWriteTest, LargeFilesOfManyPiecesArriveByteForByte) {
    Bytes pattern(12007 * 1500 + 5);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        pattern[i] = static_cast<std::uint8_t>(i * 31 + i / 4099);
    }
    std::vector<std::span<const std::uint8_t>> pieces;
    const std::span<const std::uint8_t> all(pattern);
    for (std::size_t at = 0; at < all.size(); at += 12007) {
        pieces.push_back(all.subspan(at, std::min<std::size_t>(12007, all.size() - at)));
    }
    std::vector<std::filesystem::path> folders;
    testing::TempDir dir;
    folders.push_back(dir.path());
    if (std::filesystem::is_directory("/dev/shm")) {
        folders.push_back("/dev/shm");
    }
    for (const auto& folder : folders) {
        const std::string target = (folder / ("brenlow-large-write-" + std::to_string(::getpid()))).string();
        writeFileAtomically(target, bytesOf("an older and shorter file"));
        writeFileAtomically(target, pieces);
        const std::string written = testing::fileBytes(target);
        std::filesystem::remove(target);
        ASSERT_EQ(written.size(), pattern.size()) << folder;
        EXPECT_EQ(std::memcmp(written.data(), pattern.data(), pattern.size()), 0) << folder;
    }
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

// A FIFO would keep a reader waiting for a writer that never comes: it is refused at once.
TEST(ReadFileTest, OnlyRegularFilesAreRead) {
    testing::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.bmp").c_str(), 0600), 0);
    for (const auto& read : {+[](const std::string& path) { readWholeFile(path); },
                             +[](const std::string& path) { InputFile file(path); },
                             +[](const std::string& path) { fileSizeOf(path); }}) {
        try {
            read(dir.file("pipe.bmp"));
            FAIL() << "a FIFO was opened";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot open \"" + dir.file("pipe.bmp") + "\": it is not a regular file");
        }
    }
}

TEST(NameRulesTest, BaseDropsExactlyFourCharactersAndNeverReachesIntoAFolder) {
    EXPECT_EQ(baseName("C:\\pics\\lena.bmp"), "C:\\pics\\lena");
    EXPECT_EQ(baseName("a.jpeg"), "a.");
    EXPECT_EQ(baseName("abcde"), "a");
    EXPECT_EQ(baseName("photos/.bmp"), "photos/");
    for (const char* name : {"a.bm", "", "x", "photos/img", "pic/a.b", "a/b/", "dir/abc"}) {
        EXPECT_THROW(baseName(name), Error) << name;
    }
    try {
        baseName("photos/img");
        FAIL();
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("\"photos/\""), std::string::npos) << error.what();
    }
}

TEST(NameRulesTest, MarkersAreCaseSensitiveSubstrings) {
    EXPECT_TRUE(hasMarker("a.avc.bmp", ".avc"));
    EXPECT_FALSE(hasMarker("PIC.AVC", ".avc"));
    EXPECT_FALSE(hasMarker("photo.jpeg", ".jpg"));
}

}  // namespace
}  // namespace brenlow
