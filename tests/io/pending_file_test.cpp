#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <vector>

#include "io/error.h"
#include "io/file_io.h"
#include "io/pending_file.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

namespace fs = std::filesystem;

Bytes bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

PendingFile pendingText(const std::string& path, const std::string& text) {
    const Bytes bytes = bytesOf(text);
    const std::span<const std::uint8_t> whole[] = {bytes};
    return PendingFile(path, whole);
}

TEST(PendingFileTest, NothingIsSeenBeforeTheFileIsPutInPlace) {
    testing::TempDir dir;
    writeFileAtomically(dir.file("out.bin"), bytesOf("old"));
    {
        PendingFile discarded = pendingText(dir.file("out.bin"), "never placed");
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"out.bin"});
    }
    EXPECT_EQ(testing::fileBytes(dir.file("out.bin")), "old");

    std::vector<PendingFile> set;
    set.push_back(pendingText(dir.file("out.bin"), "new"));
    set.push_back(pendingText(dir.file("second.bin"), "second"));
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"out.bin"});
    putInPlaceTogether(set);
    EXPECT_EQ(testing::fileBytes(dir.file("out.bin")), "new");
    EXPECT_EQ(testing::fileBytes(dir.file("second.bin")), "second");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"out.bin", "second.bin"}));
}

// Temporary names are short, so a target whose name is as long as the file system allows works,
// new and replaced.
TEST(PendingFileTest, TheLongestLegalNamesAreWritten) {
    testing::TempDir dir;
    const std::string target = dir.file(std::string(251, 'b') + ".bmp");
    writeFileAtomically(target, bytesOf("first"));
    writeFileAtomically(target, bytesOf("second"));
    EXPECT_EQ(testing::fileBytes(target), "second");
    EXPECT_EQ(namesIn(dir.path()).size(), 1u);
}

TEST(PendingFileTest, ReadOnlyFilesAndFoldersAreNotReplaced) {
    testing::TempDir dir;
    writeFileAtomically(dir.file("locked.bmp"), bytesOf("keep me"));
    ::chmod(dir.file("locked.bmp").c_str(), 0444);
    try {
        writeFileAtomically(dir.file("locked.bmp"), bytesOf("replaced"));
        FAIL() << "a read-only file was replaced";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot replace \"" + dir.file("locked.bmp") + "\": the file is read-only");
    }
    EXPECT_EQ(testing::fileBytes(dir.file("locked.bmp")), "keep me");
    fs::create_directory(dir.path() / "taken");
    EXPECT_THROW(pendingText(dir.file("taken"), "x"), Error);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"locked.bmp", "taken"}));
}

TEST(PendingFileTest, ReplacedFilesKeepTheirPermissions) {
    testing::TempDir dir;
    writeFileAtomically(dir.file("shared.bmp"), bytesOf("old"));
    ::chmod(dir.file("shared.bmp").c_str(), 0640);
    writeFileAtomically(dir.file("shared.bmp"), bytesOf("new"));
    struct stat info {};
    ASSERT_EQ(::stat(dir.file("shared.bmp").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// Another command holding the folder's lock is putting its own set in place: ours waits for it.
TEST(PendingFileTest, ASetIsPutInPlaceOnlyUnderTheFoldersLock) {
    testing::TempDir dir;
    const int folder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    ASSERT_EQ(::flock(folder, LOCK_EX), 0);
    auto placing = std::async(std::launch::async, [&] {
        std::vector<PendingFile> set;
        set.push_back(pendingText(dir.file("a.avc"), "a"));
        set.push_back(pendingText(dir.file("a~.bmp"), "b"));
        putInPlaceTogether(set);
    });
    EXPECT_EQ(placing.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    EXPECT_TRUE(namesIn(dir.path()).empty());
    ::flock(folder, LOCK_UN);
    ::close(folder);
    placing.get();
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"a.avc", "a~.bmp"}));
}

// A stop signal that comes while a set is being put in place waits for the whole set, then ends
// the process as it would have.
TEST(PendingFileTest, AStopSignalWaitsUntilTheSetIsInPlace) {
    testing::TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) {
        {
            const StopSignalsDeferred wholeSet;
            ::raise(SIGTERM);
            writeFileAtomically(dir.file("placed"), bytesOf("whole"));
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(testing::fileBytes(dir.file("placed")), "whole");
}

}  // namespace
}  // namespace brenlow
