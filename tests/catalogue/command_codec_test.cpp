#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "catalogue/command_codec.h"
#include "catalogue/command_codec_run.h"
#include "catalogue/private_folder.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

// A description whose encode and decode the test fills in: `parts` is spliced into the object.
QByteArray description(const std::string& parts) {
    return QByteArray::fromStdString(R"({"name": "fake", "format": "ppm", "extension": "bin",
        "quality": {"min": 1, "max": 63}, )" + parts + "}");
}

CommandCodec fakeCodec(const std::string& parts) { return parseCommandCodecs(description(parts), "fake.json").front(); }

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// A fake codec program: a shell script written into `folder` (the module runs no shell itself).
std::string script(const TempDir& folder, const std::string& name, const std::string& body) {
    const std::string path = folder.file(name);
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    ::chmod(path.c_str(), 0755);
    return path;
}

// Points TMPDIR at a folder of the test's, so what the module leaves there can be seen.
class TemporaryRoot {
public:
    explicit TemporaryRoot(const std::string& path) {
        const char* old = std::getenv("TMPDIR");
        had_ = old != nullptr;
        if (had_) old_ = old;
        ::setenv("TMPDIR", path.c_str(), 1);
    }
    ~TemporaryRoot() {
        if (had_) ::setenv("TMPDIR", old_.c_str(), 1);
        else ::unsetenv("TMPDIR");
    }

private:
    bool had_ = false;
    std::string old_;
};

bool isEmptyFolder(const fs::path& folder) { return fs::is_empty(folder); }

TEST(CommandCodecDescriptionTest, ReadsOneCodecOrAListWithSettingsAndDefaults) {
    const std::string first = R"({"name": "a", "encode": ["enc", "-m", "{method}", "{input}", "{output}"],
        "decode": ["dec", "{input}", "{output}"], "format": "png", "extension": ".xyz",
        "quality": {"min": 0, "max": 51}, "time_limit": 2.5, "title": "Codec A",
        "settings": [{"key": "method", "meaning": "effort", "min": 0, "max": 6, "default": 4},
                     {"key": "yuv", "choices": ["420", "444"], "default": "444"}]})";
    const std::string second = R"({"name": "b", "encode": ["e", "{input}", "{output}"],
        "decode": ["d", "{input}", "{output}"], "format": "bmp", "extension": "bin", "quality": {"min": 5, "max": 5}})";
    const std::vector<CommandCodec> codecs = parseCommandCodecs(QByteArray::fromStdString("[" + first + "," + second + "]"), "two.json");
    ASSERT_EQ(codecs.size(), 2u);
    const CommandCodec& a = codecs[0];
    EXPECT_EQ(a.title, "Codec A");
    EXPECT_EQ(a.extension, ".xyz");
    EXPECT_EQ(a.qualities.highest, 51);
    EXPECT_EQ(a.timeLimitSeconds, 2.5);
    ASSERT_EQ(a.settings.size(), 2u);
    EXPECT_EQ(a.settings[0].defaultValue, "4");
    EXPECT_EQ(a.settings[0].allowed(), "0-6");
    EXPECT_EQ(a.settings[1].allowed(), "420, 444");
    EXPECT_EQ(codecs[1].title, "b");
    EXPECT_EQ(codecs[1].extension, ".bin");
    EXPECT_EQ(codecs[1].timeLimitSeconds, kDefaultCommandTimeLimit);
    EXPECT_EQ(codecs[1].file, "two.json");
}

TEST(CommandCodecDescriptionTest, EveryFaultNamesTheFileAndWhatIsWrong) {
    const std::string commands = R"("encode": ["e", "{input}", "{output}"], "decode": ["d", "{input}", "{output}"])";
    const std::string good = R"({"name": "n", "format": "ppm", "extension": "b", "quality": {"min": 1, "max": 9}, )";
    struct Case {
        std::string json;
        std::string message;
    };
    const std::vector<Case> cases{
        {"{", "is not JSON"},
        {"[]", "holds no codec"},
        {"[1]", "each codec of the list must be an object"},
        {R"({"format": "ppm"})", "\"name\" is missing"},
        {good + R"("decode": ["d", "{input}", "{output}"]})", "codec \"n\": \"encode\" is missing"},
        {good + R"("encode": "e {input} {output}", "decode": ["d", "{input}", "{output}"]})", "\"encode\" must be an array"},
        {good + R"("encode": [1], "decode": ["d", "{input}", "{output}"]})", "\"encode\" must hold texts only"},
        {good + R"("encode": ["e", "{input}", "{output}", "{speed}"], "decode": ["d", "{input}", "{output}"]})",
         "\"encode\" holds {speed}, which is neither"},
        {good + R"("encode": ["e", "{input}"], "decode": ["d", "{input}", "{output}"]})", "\"encode\" never names {output}"},
        {good + commands + R"(, "time_limit": 0})", "\"time_limit\" must be a number of seconds above 0"},
        {good + commands + R"(, "timeout": 5})", "\"timeout\" is not a key of a codec description"},
        {good + commands + R"(, "settings": [{"key": "m", "min": 0, "max": 6, "default": 7}]})",
         "the setting \"m\": the default \"7\" is not one of 0-6"},
        {good + commands + R"(, "settings": [{"key": "input", "min": 0, "max": 6, "default": 1}]})",
         "not input, output or quality"},
        {good + commands + R"(, "settings": [{"key": "m", "default": "1"}]})", "needs \"min\" and \"max\", or \"choices\""},
        {R"({"name": "webp", "format": "ppm", "extension": "b", "quality": {"min": 1, "max": 9}, )" + commands + "}",
         "the name is a built-in codec's"},
        {R"({"name": "jpeg", "format": "ppm", "extension": "b", "quality": {"min": 1, "max": 9}, )" + commands + "}",
         "the name is a built-in codec's"},
        {R"({"name": "a:b", "format": "ppm", "extension": "b", "quality": {"min": 1, "max": 9}, )" + commands + "}",
         "a name may hold only"},
        {R"({"name": "n", "format": "jpg", "extension": "b", "quality": {"min": 1, "max": 9}, )" + commands + "}",
         "\"format\" must be png, ppm or bmp"},
        {R"({"name": "n", "format": "ppm", "extension": "../b", "quality": {"min": 1, "max": 9}, )" + commands + "}",
         "\"extension\" may hold only"},
        {R"({"name": "n", "format": "ppm", "extension": "b", "quality": {"min": 9, "max": 1}, )" + commands + "}",
         "\"min\" is above its \"max\""},
        {R"({"name": "n", "format": "ppm", "extension": "b", "quality": {"min": 1.5, "max": 9}, )" + commands + "}",
         "the quality's \"min\" must be a whole number"},
        {"[" + good + commands + "}," + good + commands + "}]", "the name \"n\" is given twice"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.json);
        const std::string message = messageOf([&] { parseCommandCodecs(QByteArray::fromStdString(test.json), "c.json"); });
        EXPECT_EQ(message.rfind("The codec description \"c.json\" ", 0), 0u) << message;
        EXPECT_NE(message.find(test.message), std::string::npos) << message;
    }
}

TEST(CommandCodecDescriptionTest, ReadingAMissingFileNamesIt) {
    EXPECT_NE(messageOf([] { readCommandCodecFile("/nonexistent/codec.json"); }).find("/nonexistent/codec.json"),
              std::string::npos);
}

TEST(CommandCodecDescriptionTest, PlaceholdersAreReplacedInsideArgumentsAndOtherBracesKept) {
    const CodecSettings settings{{"mode", "fast"}, {"q", "9"}};
    const std::vector<std::string> made = substitutedArguments(
        {"enc", "-q{quality}", "--mode={mode}:{q}", "{input}", "{output}.tmp", "{{input}}", "{ input}", "{unknown}"},
        "/t/in.ppm", "/t/out.bin", 37, settings);
    const std::vector<std::string> expected{"enc",           "-q37",        "--mode=fast:9", "/t/in.ppm",
                                            "/t/out.bin.tmp", "{/t/in.ppm}", "{ input}",      "{unknown}"};
    EXPECT_EQ(made, expected);
}

class CommandCodecRunTest : public ::testing::Test {
protected:
    TempDir programs;
    TempDir root;
    TemporaryRoot temporaryRoot{root.path().string()};
    QImage source = patternBitmap(24, 16);
};

// cp as encoder and decoder is a lossless codec whose rate is the PPM file's size.
TEST_F(CommandCodecRunTest, CodesAndDecodesThroughTheProgramsAndLeavesNoFolder) {
    const CommandCodec codec = fakeCodec(R"("encode": ["cp", "{input}", "{output}"], "decode": ["cp", "{input}", "{output}"])");
    const CommandPoint point = runCommandCodec(codec, {}, source, 20);
    EXPECT_EQ(point.codedBytes, 13u + 24u * 16u * 3u) << "\"P6 24 16 255\" on three lines, then the samples";
    EXPECT_EQ(point.decoded, as24BitPicture(source));
    EXPECT_GT(point.encode.wallSeconds, 0.0);
    EXPECT_GE(point.decode.cpuSeconds, 0.0);
    EXPECT_TRUE(isEmptyFolder(root.path()));
}

TEST_F(CommandCodecRunTest, ArgumentsReachTheProgramSubstitutedAndWithoutAShell) {
    const std::string log = programs.file("arguments.txt");
    const std::string encoder = script(programs, "enc", "printf '%s\\n' \"$@\" > " + log + "\ncp \"$3\" \"$4\"");
    const CommandCodec codec = fakeCodec(R"("encode": [)" + quoted(encoder) +
                                         R"(, "-q{quality}", "--mode={mode} $HOME;", "{input}", "{output}"],
        "decode": ["cp", "{input}", "{output}"],
        "settings": [{"key": "mode", "choices": ["fast", "slow"], "default": "slow"}])");
    runCommandCodec(codec, {{"mode", "fast"}}, source, 42);
    std::ifstream lines(log);
    std::vector<std::string> seen;
    for (std::string line; std::getline(lines, line);) seen.push_back(line);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], "-q42");
    EXPECT_EQ(seen[1], "--mode=fast $HOME;") << "no shell expands or splits it";
    EXPECT_EQ(fs::path(seen[2]).filename(), "source.ppm");
    EXPECT_EQ(fs::path(seen[3]).filename(), "coded.bin");
    EXPECT_EQ(fs::path(seen[2]).parent_path().parent_path(), root.path());
    EXPECT_TRUE(isEmptyFolder(root.path()));
}

// Each way a call can fail is an Error naming the codec, the quality and what happened, with the
// end of its stderr; the private folder goes in every case.
TEST_F(CommandCodecRunTest, FailedCallsAreErrorsWithTheEndOfStderr) {
    const std::string noisy = script(programs, "noisy",
                                     "i=1; while [ $i -le 20 ]; do echo \"line $i\" >&2; i=$((i+1)); done; exit 1");
    const std::string sleeper = script(programs, "sleeper", "echo started >&2; sleep 30 & echo $! > " +
                                                                programs.file("pid") + "; wait");
    const std::string small = script(programs, "small", "printf 'P6\\n2 2\\n255\\n' > \"$2\"; head -c 12 /dev/zero >> \"$2\"");
    const std::string empty = script(programs, "empty", ": > \"$2\"");
    const std::string garbage = script(programs, "garbage", "echo 'decoder: broken stream' >&2; echo nonsense > \"$2\"");
    const std::string copy = R"(["cp", "{input}", "{output}"])";
    struct Case {
        std::string encode;
        std::string decode;
        std::vector<std::string> message;
    };
    const std::vector<Case> cases{
        {"[" + quoted(noisy) + R"(, "{input}", "{output}"])", copy,
         {"The codec \"fake\" (fake.json) at quality 7: the encode command", "exited with status 1",
          "line 13\nline 14", "line 20"}},
        {"[" + quoted(sleeper) + R"(, "{input}", "{output}"])", copy, {"ran past its time limit of 0.5 s", "started"}},
        {copy, "[" + quoted(small) + R"(, "{input}", "{output}"])",
         {"the decoded picture is 2 x 2 pixels, the source 24 x 16"}},
        {copy, R"(["true", "{input}", "{output}"])", {"the decode command \"true\" wrote no file at {output}",
                                                       "it wrote nothing on stderr"}},
        {"[" + quoted(empty) + R"(, "{input}", "{output}"])", copy, {"the encode command wrote an empty file"}},
        {copy, "[" + quoted(garbage) + R"(, "{input}", "{output}"])",
         {"the decoded picture cannot be read", "its stderr ended:\ndecoder: broken stream"}},
        {R"(["/nonexistent/enc", "{input}", "{output}"])", copy, {"Cannot start \"/nonexistent/enc\""}},
        {copy, R"(["sh", "-c", "kill -9 $$", "{input}", "{output}"])", {"was ended by signal 9"}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.encode + " / " + test.decode);
        const CommandCodec codec =
            fakeCodec(R"("time_limit": 0.5, "encode": )" + test.encode + R"(, "decode": )" + test.decode);
        const auto started = std::chrono::steady_clock::now();
        const std::string message = messageOf([&] { runCommandCodec(codec, {}, source, 7); });
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
        for (const std::string& part : test.message) EXPECT_NE(message.find(part), std::string::npos) << message;
        EXPECT_EQ(message.find("line 12\n"), std::string::npos) << "only the last lines";
        EXPECT_TRUE(isEmptyFolder(root.path()));
    }
    // The sleeper's own child went with its group at the time-out.
    std::ifstream pidFile(programs.file("pid"));
    pid_t child = 0;
    ASSERT_TRUE(pidFile >> child);
    EXPECT_FALSE(isRunning(child));
}

// An encoder that starts a process in a session of its own (`leave`: how), which writes its pid
// into `pidFile` and sleeps, then does `then`.
CommandCodec escapingCodec(const TempDir& programs, const std::string& leave, const std::string& pidFile,
                           const std::string& then) {
    const std::string encoder = script(programs, "escaping", leave + " /bin/sh -c 'echo $$ > " + pidFile +
                                                                 "; exec /bin/sleep 60' &\nwhile [ ! -s " + pidFile +
                                                                 " ]; do sleep 0.01; done\n" + then);
    return fakeCodec(R"("time_limit": 0.5, "encode": [)" + quoted(encoder) +
                     R"(, "{input}", "{output}"], "decode": ["cp", "{input}", "{output}"])");
}

// Whether the process whose pid a program wrote into `pidFile` still runs; it is killed either way.
bool escapedProcessRuns(const std::string& pidFile) {
    pid_t pid = 0;
    std::ifstream(pidFile) >> pid;
    if (pid == 0) return false;
    const bool running = isRunning(pid);
    ::kill(pid, SIGKILL);
    return running;
}

// A call's end takes with it what the program started in a session of its own, with or without
// the call's mark in its environment, at the time limit and at an ordinary end; and while other
// calls start and end on another thread, a running call's processes stay, even those that left it.
TEST_F(CommandCodecRunTest, EveryProcessACallStartedDiesWithItAndNoOtherCallsOnes) {
    const std::string pidFile = programs.file("escaped.pid");
    const std::string copy = "cp \"$1\" \"$2\"";
    for (const auto& [leave, then] : {std::pair{"setsid", copy}, std::pair{"setsid", std::string("sleep 30")},
                                      std::pair{"env -i /usr/bin/setsid", copy}}) {
        SCOPED_TRACE(leave + std::string(" / ") + then);
        fs::remove(pidFile);
        const std::string message =
            messageOf([&] { runCommandCodec(escapingCodec(programs, leave, pidFile, then), {}, source, 7); });
        EXPECT_EQ(message.find("ran past its time limit") != std::string::npos, then != copy) << message;
        EXPECT_FALSE(escapedProcessRuns(pidFile)) << "the escaped process went with the call";
    }

    // The slow encoder hands its work to a process of its own session whose parent ends at once,
    // and waits for the coded file; the quick one leaves a process of its own session behind.
    const std::string helper =
        script(programs, "helper", "/bin/sleep 0.5; /bin/cp \"$1\" \"$2.part\"; /bin/mv \"$2.part\" \"$2\"");
    const CommandCodec quick = escapingCodec(programs, "setsid", pidFile, copy);
    for (const std::string leave : {"setsid", "env -i /usr/bin/setsid"}) {
        SCOPED_TRACE(leave);
        const std::string encoder = script(programs, "delegating", "sh -c '" + leave + " /bin/sh \"$0\" \"$1\" \"$2\" &' " +
                                                                       helper + " \"$1\" \"$2\"\n"
                                                                       "while [ ! -f \"$2\" ]; do sleep 0.01; done");
        const CommandCodec delegating = fakeCodec(R"("time_limit": 10, "encode": [)" + quoted(encoder) +
                                                  R"(, "{input}", "{output}"], "decode": ["cp", "{input}", "{output}"])");
        std::string delegated = "no error";
        std::atomic<bool> done = false;
        std::thread slow([&] {
            delegated = messageOf([&] { runCommandCodec(delegating, {}, source, 7); });
            done = true;
        });
        int quickCalls = 0;
        int survivors = 0;
        for (; !done; ++quickCalls) {
            fs::remove(pidFile);
            runCommandCodec(quick, {}, source, 7);
            if (escapedProcessRuns(pidFile)) ++survivors;
        }
        slow.join();
        EXPECT_EQ(delegated, "no error");
        EXPECT_GT(quickCalls, 2);
        EXPECT_EQ(survivors, 0) << "a call's marked process goes at its end, other calls running or not";
    }
}

TEST_F(CommandCodecRunTest, ARelativeTemporaryFolderIsTakenFromTheWorkingFolder) {
    fs::create_directory(root.path() / "relative");
    const WorkingDirectory inRoot(root.path());
    const TemporaryRoot relative("relative");
    const CommandCodec codec = fakeCodec(R"("encode": ["cp", "{input}", "{output}"], "decode": ["cp", "{input}", "{output}"])");
    EXPECT_EQ(messageOf([&] { runCommandCodec(codec, {}, source, 20); }), "no error");
    EXPECT_TRUE(isEmptyFolder(root.path() / "relative"));
}

// What the programs get: this process's environment as it is, and the call's mark.
TEST_F(CommandCodecRunTest, TheProgramsGetThisProcesssEnvironmentAndTheCallsMark) {
    const std::string seen = programs.file("environment.txt");
    const std::string encoder = script(programs, "env", "env > " + seen + "\ncp \"$1\" \"$2\"");
    const CommandCodec codec = fakeCodec(R"("encode": [)" + quoted(encoder) +
                                         R"(, "{input}", "{output}"], "decode": ["cp", "{input}", "{output}"])");
    ::setenv("BRENLOW_TEST_SETTING", "two words; $HOME", 1);
    runCommandCodec(codec, {}, source, 20);
    ::unsetenv("BRENLOW_TEST_SETTING");
    std::set<std::string> lines;
    std::ifstream text(seen);
    for (std::string line; std::getline(text, line);) lines.insert(line.starts_with("BRENLOW_CODEC_CALL=") ? "mark" : line);
    EXPECT_TRUE(lines.contains("BRENLOW_TEST_SETTING=two words; $HOME"));
    EXPECT_TRUE(lines.contains("TMPDIR=" + root.path().string()));
    EXPECT_TRUE(lines.contains("PATH=" + std::string(std::getenv("PATH"))));
    EXPECT_TRUE(lines.contains("mark"));
}

TEST_F(CommandCodecRunTest, AQualityOutsideTheRangeIsRefusedBeforeAnythingRuns) {
    const CommandCodec codec = fakeCodec(R"("encode": ["cp", "{input}", "{output}"], "decode": ["cp", "{input}", "{output}"])");
    EXPECT_NE(messageOf([&] { runCommandCodec(codec, {}, source, 64); }).find("at quality 64: the quality is not between 1 and 63"),
              std::string::npos);
}

// The id of a process that has ended and been reaped.
pid_t goneProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// Root empties read-only folders at will: the thread gives up the capabilities that pass over file
// permissions while the object lives, so that such a folder stops it as it stops any other user.
class WithoutPermissionOverride {
public:
    WithoutPermissionOverride() {
        ::syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            lowered[CAP_TO_INDEX(capability)].effective &= ~CAP_TO_MASK(capability);
        ::syscall(SYS_capset, &header_, lowered);
    }
    ~WithoutPermissionOverride() { ::syscall(SYS_capset, &header_, saved_); }
    WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
    WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// A codec program may leave read-only folders behind, or take the rights to its own folder away:
// the folder is still removed, at its end and as a stale one, and a link inside is never followed.
TEST(PrivateFolderTest, FoldersLeftReadOnlyAreRemovedWithoutFollowingLinks) {
    TempDir root, outside;
    fs::create_directory(outside.path() / "locked");
    std::ofstream(outside.path() / "locked/keep.txt") << "keep";
    ::chmod((outside.path() / "locked").c_str(), 0555);
    const auto leaveReadOnly = [&](const fs::path& folder) {
        fs::create_directories(folder / "a/b");
        std::ofstream(folder / "a/b/picture.ppm") << "P6";
        fs::create_directory(folder / "closed");
        std::ofstream(folder / "closed/x") << "x";
        fs::create_directory_symlink(outside.path() / "locked", folder / "a/link");
        for (const auto& [path, mode] : {std::pair{folder / "a/b", 0555}, {folder / "a", 0555},
                                         {folder / "closed", 0}, {folder, 0500}})
            ::chmod(path.c_str(), static_cast<mode_t>(mode));
    };
    const fs::path stale = root.path() / ("brenlow-codec-" + std::to_string(goneProcess()) + "-aaaaaa");
    fs::path ended;
    {
        const TemporaryRoot temporary(root.path().string());
        const WithoutPermissionOverride asAnyUser;
        {
            const PrivateFolder folder("brenlow-codec");
            ended = folder.path();
            leaveReadOnly(ended);
        }
        fs::create_directory(stale);
        leaveReadOnly(stale);
        EXPECT_EQ(removeStalePrivateFolders(root.path().string(), "brenlow-codec"), 1);
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(ended))) << "left in TMPDIR at its end";
    EXPECT_FALSE(fs::exists(fs::symlink_status(stale))) << "left by a later run";
    EXPECT_EQ(modeOf(outside.path() / "locked"), 0555u) << "the link was followed";
    EXPECT_EQ(fileBytes((outside.path() / "locked/keep.txt").string()), "keep");
    for (const fs::path& folder : {ended, stale})
        if (fs::exists(fs::symlink_status(folder))) std::system(("chmod -R u+rwx '" + folder.string() + "'").c_str());
    ::chmod((outside.path() / "locked").c_str(), 0755);
}

TEST(PrivateFolderTest, StaleFoldersAreThoseOfEndedProcessesThatNobodyHolds) {
    TempDir root;
    const std::string gone = std::to_string(goneProcess());
    const auto folder = [&](const std::string& name) {
        fs::create_directory(root.path() / name);
        std::ofstream(root.path() / name / "coded.bin") << "x";
        return root.path() / name;
    };
    const fs::path stale = folder("brenlow-codec-" + gone + "-aaaaaa");
    // Held by a process this one cannot see (another pid namespace sharing the folder).
    const fs::path held = folder("brenlow-codec-" + gone + "-bbbbbb");
    std::ofstream(held / ".lock");
    const int lock = ::open((held / ".lock").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    const std::vector<fs::path> kept{held, folder("brenlow-codec-" + std::to_string(::getpid()) + "-cccccc"),
                                     folder("brenlow-codec-" + gone + "-dd"), folder("brenlow-other-" + gone + "-eeeeee"),
                                     folder("brenlow-codec-" + gone + "x-ffffff")};
    std::ofstream(root.path() / ("brenlow-codec-" + gone + "-gggggg")) << "a file";

    EXPECT_EQ(removeStalePrivateFolders(root.path().string(), "brenlow-codec"), 1);
    EXPECT_FALSE(fs::exists(stale));
    for (const fs::path& path : kept) EXPECT_TRUE(fs::exists(path / "coded.bin")) << path;
    EXPECT_TRUE(fs::exists(root.path() / ("brenlow-codec-" + gone + "-gggggg")));
    ::close(lock);
    EXPECT_EQ(removeStalePrivateFolders(root.path().string(), "brenlow-codec"), 1) << "once nobody holds it";
}

}  // namespace
}  // namespace brenlow::testing
