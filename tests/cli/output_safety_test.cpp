#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "support/cli_runner.h"
#include "io/bitmap_file.h"
#include "io/file_io.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

// True when the open file starts as a bitmap file does.
bool startsAsBitmap(const fs::path& descriptor) {
    char start[2] = {};
    const int fd = ::open(descriptor.c_str(), O_RDONLY | O_CLOEXEC);
    const bool bitmap = fd >= 0 && ::pread(fd, start, 2, 0) == 2 && start[0] == 'B' && start[1] == 'M';
    if (fd >= 0) ::close(fd);
    return bitmap;
}

// The decoded bitmap is being written in `folder` and is not whole yet: the tool holds it open,
// unnamed ("folder/#123 (deleted)") or under a hidden ".brenlow-" name, smaller than `wholeSize`.
// (The small container, held open beside it until both are in place, does not count: stopped
// when only it is still open, the tool may already be putting the pair in place.)
bool isWritingMidway(int pid, const fs::path& folder, std::uintmax_t wholeSize) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        const fs::path target = fs::read_symlink(entry.path(), error);
        if (error || target.parent_path() != folder) {
            continue;
        }
        const std::string name = target.filename().string();
        const bool unseen = name.ends_with(" (deleted)") || name.starts_with(".brenlow-");
        struct stat info {};
        if (unseen && ::stat(entry.path().c_str(), &info) == 0 && info.st_size > 0 &&
            static_cast<std::uintmax_t>(info.st_size) < wholeSize && startsAsBitmap(entry.path())) {
            return true;
        }
    }
    return false;
}

// Starts the tool and stops it with `signal` while its large output is half-written. False when
// the tool finished before it could be caught.
bool stopMidWrite(const std::vector<std::string>& arguments, const fs::path& folder, std::uintmax_t wholeSize,
                  int signal, const std::vector<std::string>& environment, int& outcome) {
    const CliProcess process = startCli(arguments, folder, environment);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool caught = false;
    while (!caught && std::chrono::steady_clock::now() < deadline && ::kill(process.pid, 0) == 0 &&
           fs::exists("/proc/" + std::to_string(process.pid) + "/fd")) {
        caught = isWritingMidway(process.pid, folder, wholeSize);
        if (caught) {
            ::kill(process.pid, signal);
        }
    }
    outcome = waitForCli(process);
    return caught;
}

class InterruptedWriteTest : public ::testing::Test {
protected:
    static constexpr int kSide = 3000;

    InterruptedWriteTest() {
        saveBitmapFile(patternBitmap(kSide, kSide), data.file("pic.bmp"));
        EXPECT_EQ(runCli({"avc", "-q", "30", "pic.bmp"}, data.path()).exitCode, 0);
    }

    // Stops `avc -q 90` while its decoded picture is half-written, as often as it takes to catch it
    // there, and finds only the source and the old pair.
    void expectOldFilesOnlyAfter(int signal, const std::vector<std::string>& environment) {
        const auto before = folderSnapshot(data.path());
        const std::uintmax_t wholeSize = fs::file_size(data.file("pic~.bmp"));
        int outcome = 0;
        bool caught = false;
        for (int attempt = 0; attempt < 5 && !caught; ++attempt) {
            caught = stopMidWrite({"avc", "-q", "90", "pic.bmp"}, data.path(), wholeSize, signal, environment, outcome);
            if (!caught) {
                ASSERT_EQ(runCli({"avc", "-q", "30", "pic.bmp"}, data.path()).exitCode, 0);
            }
        }
        ASSERT_TRUE(caught) << "the write was never caught half-way";
        EXPECT_EQ(outcome, -signal);
        EXPECT_TRUE(folderSnapshot(data.path()) == before) << "a file was added or changed";
    }

    TempDir data;
};

TEST_F(InterruptedWriteTest, KilledMidWriteLeavesNothingButTheOldOutputs) {
    expectOldFilesOnlyAfter(SIGKILL, {});
}

// Where the file system has no unnamed files, the hidden name is removed by the stop signals.
TEST_F(InterruptedWriteTest, StopSignalsRemoveTheHiddenFileOfTheFallback) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        expectOldFilesOnlyAfter(signal, {"BRENLOW_NO_UNNAMED_FILES=1"});
    }
}

// The shell's output of a script run as root of its own mount namespace, or nothing when the
// system allows no such namespace.
std::string runInOwnMountNamespace(const std::string& script, const std::vector<std::string>& arguments) {
    std::string command = "unshare -rm sh -c '" + script + "' sh";
    for (const std::string& argument : arguments) {
        command += " '" + argument + "'";
    }
    command += " 2>&1";
    std::string output;
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buffer[512];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        output += buffer;
    }
    return output;
}

// On a small memory disk filled up to leave room for the new container but not for the new
// decoded picture, the command fails and leaves the old pair as it was. The two files are written
// side by side, so either may be the one that finds the disk full.
TEST(FullDiskTest, ACommandThatRunsOutOfSpaceLeavesTheOldPair) {
    if (std::system("unshare -rm true >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "this system allows no mount namespace for a small disk";
    }
    TempDir data;
    saveBitmapFile(patternBitmap(256, 256), data.file("pic.bmp"));
    fs::create_directory(data.path() / "disk");
    const std::string script =
        "set -e; mount -t tmpfs -o size=1m tmpfs \"$1\"; cp \"$2\" \"$1/pic.bmp\"; cd \"$1\"; "
        "\"$3\" avc -q 40 pic.bmp >/dev/null; sha256sum pic.avc pic~.bmp; "
        "head -c $(( $(stat -f -c %a .) * $(stat -f -c %S .) - 65536 )) /dev/zero > filler; "
        "\"$3\" avc -q 90 pic.bmp || echo \"exit $?\"; sha256sum pic.avc pic~.bmp; ls -A";
    const std::string output = runInOwnMountNamespace(
        script, {(data.path() / "disk").string(), data.file("pic.bmp"), BRENLOW_CLI_PATH});
    const std::string::size_type failure = output.find("Cannot write \"pic");
    ASSERT_NE(failure, std::string::npos) << output;
    const std::string reason = output.substr(failure, output.find("exit 1\n", failure) - failure);
    EXPECT_TRUE(reason == "Cannot write \"pic~.bmp\": No space left on device\n" ||
                reason == "Cannot write \"pic.avc\": No space left on device\n")
        << output;
    const std::string sumsBefore = output.substr(0, failure);
    const std::string after = output.substr(output.find("exit 1\n") + 7);
    EXPECT_EQ(after, sumsBefore + "filler\npic.avc\npic.bmp\npic~.bmp\n");
}

class OutputRefusalTest : public ::testing::Test {
protected:
    OutputRefusalTest() {
        saveBitmapFile(patternBitmap(64, 48), data.file("pic.bmp"));
        EXPECT_EQ(runCli({"avc", "pic.bmp"}, data.path()).exitCode, 0);
    }

    void expectRefused(const std::vector<std::string>& arguments, const std::string& message) {
        const auto before = folderSnapshot(data.path());
        const CliRun run = runCli(arguments, data.path());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, message + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(folderSnapshot(data.path()) == before) << "a file was added or changed";
    }

    TempDir data;
};

TEST_F(OutputRefusalTest, AReadOnlyOutputIsNotReplacedAndTheOtherOutputStaysOld) {
    ::chmod(data.file("pic~.bmp").c_str(), 0444);
    expectRefused({"avc", "-q", "50", "pic.bmp"}, "Cannot replace \"pic~.bmp\": the file is read-only");
}

TEST_F(OutputRefusalTest, AFifoIsRefusedAtOnceAsAPictureAndAsACodedFile) {
    ASSERT_EQ(::mkfifo(data.file("fifo.bmp").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(data.file("fifo.avc").c_str(), 0600), 0);
    expectRefused({"avc", "fifo.bmp"}, "Cannot open \"fifo.bmp\": it is not a regular file");
    expectRefused({"decode", "fifo.avc"}, "Cannot open \"fifo.avc\": it is not a regular file");
}

// Dropping four characters of these names would reach into the folder's name: ./photos.jpg and
// ./photos.bmp belong to another picture.
TEST_F(OutputRefusalTest, NamesWhoseBaseWouldLeaveTheirFolderAreRefusedBeforeReading) {
    fs::create_directory(data.path() / "photos");
    fs::copy_file(data.file("pic.bmp"), data.path() / "photos" / "img");
    fs::copy_file(data.file("pic.bmp"), data.path() / "photos.bmp");
    runCli({"jpeg", "photos.bmp"}, data.path());
    const std::string rule =
        "Brenlow names the files of a picture after its file name less the last four characters (such as \".bmp\")";
    for (const char* command : {"jpeg", "avc", "ajc"}) {
        expectRefused({command, "photos/img"}, "The file name \"photos/img\" does not end in an extension of four "
                                               "characters: " + rule + ", which here would reach into the folder \"photos/\"");
    }
    fs::copy_file(data.file("pic.bmp"), data.path() / "p.b");
    expectRefused({"avc", "p.b"}, "The file name \"p.b\" is too short: " + rule + ", so a name needs more than four");
}

TEST_F(OutputRefusalTest, OutputNamesAsLongAsTheFileSystemAllowsAreWritten) {
    const std::string longest = std::string(251, 'b') + ".bmp";
    const CliRun run = runCli({"decode", "pic.avc", "-o", longest}, data.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(fileBytes(data.file(longest)), fileBytes(data.file("pic~.bmp")));
}

}  // namespace
}  // namespace brenlow::testing
