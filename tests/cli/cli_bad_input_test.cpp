#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "support/cli_runner.h"
#include "container/coded_image.h"
#include "io/bitmap_file.h"
#include "io/file_io.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

void putLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A valid .avc still of a small picture, made by the tool itself.
Bytes validAvcStill(const TempDir& scratch) {
    saveBitmapFile(patternBitmap(48, 32), scratch.file("valid.bmp"));
    const CliRun made = runCli({"avc", scratch.file("valid.bmp")}, scratch.path());
    EXPECT_EQ(made.exitCode, 0) << made.err;
    return readWholeFile(scratch.file("valid.avc"));
}

// The arguments of `command` on the first half of a picture as Qt writes it in `format`: its
// library must not speak on stderr beside the tool.
std::vector<std::string> cutPicture(const TempDir& d, const char* format, const std::string& name, const char* command) {
    const QImage picture = patternBitmap(40, 30);
    EXPECT_TRUE(picture.save(QString::fromStdString(d.file("whole")), format));
    const Bytes whole = readWholeFile(d.file("whole"));
    writeBytes(d.file(name), Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2)));
    return {command, d.file(name)};
}

struct BadInput {
    std::string name;
    std::function<std::vector<std::string>(const TempDir&, const Bytes& avc)> prepare;  // returns the arguments
    // The exact cause, told with the file of the command's second argument; empty where only one
    // line is required.
    std::string message;
};

std::vector<BadInput> badInputs() {
    return {
        {"missing file", [](const TempDir& d, const Bytes&) { return std::vector<std::string>{"avc", d.file("nothing.bmp")}; }, ""},
        {"empty bitmap", [](const TempDir& d, const Bytes&) {
             writeBytes(d.file("empty.bmp"), {});
             return std::vector<std::string>{"avc", d.file("empty.bmp")};
         }, ""},
        {"empty container", [](const TempDir& d, const Bytes&) {
             writeBytes(d.file("empty.avc"), {});
             return std::vector<std::string>{"decode", d.file("empty.avc")};
         }, kIntegrityLost},
        {"10-byte container", [](const TempDir& d, const Bytes& avc) {
             writeBytes(d.file("short.avc"), Bytes(avc.begin(), avc.begin() + 10));
             return std::vector<std::string>{"decode", d.file("short.avc")};
         }, kIntegrityLost},
        {"changed checksum", [](const TempDir& d, const Bytes& avc) {
             Bytes changed = avc;
             changed[19] ^= 1;
             writeBytes(d.file("sum.avc"), changed);
             return std::vector<std::string>{"decode", d.file("sum.avc")};
         }, kIntegrityLost},
        {"avc renamed ajc", [](const TempDir& d, const Bytes& avc) {
             writeBytes(d.file("renamed.ajc"), avc);
             return std::vector<std::string>{"decode", d.file("renamed.ajc")};
         }, kIntegrityLost},
        {"half payload", [](const TempDir& d, const Bytes& avc) {
             writeBytes(d.file("half.avc"), Bytes(avc.begin(), avc.begin() + 42 + (avc.size() - 42) / 2));
             return std::vector<std::string>{"decode", d.file("half.avc")};
         }, kIntegrityLost},
        {"half payload, checksum mended", [](const TempDir& d, const Bytes& avc) {
             const std::size_t payload = (avc.size() - 42) / 2;
             Bytes half(avc.begin(), avc.begin() + 42 + payload);
             putLe32(half, 19, static_cast<std::uint32_t>(payload) + 40 + 2 + 0 + 2 + 2);
             writeBytes(d.file("mended.avc"), half);
             return std::vector<std::string>{"decode", d.file("mended.avc")};
         }, ""},
        {"text named bmp", [](const TempDir& d, const Bytes&) {
             writeText(d.file("text.bmp"), "this is not a picture\n");
             return std::vector<std::string>{"ajc", d.file("text.bmp")};
         }, ""},
        {"pixel data cut short", [](const TempDir& d, const Bytes&) {
             const Bytes whole = encodeBitmap(patternBitmap(40, 40));
             writeBytes(d.file("cut.bmp"), Bytes(whole.begin(), whole.begin() + whole.size() / 2));
             return std::vector<std::string>{"jpeg", d.file("cut.bmp")};
         }, ""},
        {"huge bitmap header", [](const TempDir& d, const Bytes&) {
             Bytes header = encodeBitmap(patternBitmap(4, 4));
             putLe32(header, 18, 100000);
             putLe32(header, 22, 100000);
             writeBytes(d.file("huge.bmp"), header);
             return std::vector<std::string>{"avc", d.file("huge.bmp")};
         }, ""},
        {"container name taken by a folder", [](const TempDir& d, const Bytes&) {
             saveBitmapFile(patternBitmap(16, 16), d.file("pic.bmp"));
             fs::create_directory(d.path() / "pic.avc");
             return std::vector<std::string>{"avc", d.file("pic.bmp")};
         }, ""},
        {"decoded name taken by a folder", [](const TempDir& d, const Bytes&) {
             saveBitmapFile(patternBitmap(16, 16), d.file("pic.bmp"));
             fs::create_directory(d.path() / "pic~.bmp");
             return std::vector<std::string>{"avc", d.file("pic.bmp")};
         }, ""},
        {"decode output taken by a folder", [](const TempDir& d, const Bytes& avc) {
             writeBytes(d.file("good.avc"), avc);
             fs::create_directory(d.path() / "out.bmp");
             return std::vector<std::string>{"decode", d.file("good.avc"), "-o", d.file("out.bmp")};
         }, ""},
        {"sequence frame too small to halve", [](const TempDir& d, const Bytes&) {
             saveBitmapFile(patternBitmap(3, 3), d.file("f0.bmp"));
             return std::vector<std::string>{"seq-encode", "--prefix", d.file("f"), "0"};
         }, ""},
        {"sequence frame file cut short", [](const TempDir& d, const Bytes& avc) {
             writeBytes(d.file("f0.avc"), Bytes(avc.begin(), avc.begin() + 30));
             return std::vector<std::string>{"seq-decode", "--prefix", d.file("f"), "0"};
         }, ""},
        {"PNG cut short", [](const TempDir& d, const Bytes&) { return cutPicture(d, "PNG", "cut.png", "avc"); }, ""},
        {"TIFF cut short", [](const TempDir& d, const Bytes&) { return cutPicture(d, "TIFF", "cut.tif", "jpeg"); }, ""},
        {"bitmap named avc", [](const TempDir& d, const Bytes&) {
             saveBitmapFile(patternBitmap(16, 16), d.file("pic.avc"));
             return std::vector<std::string>{"avc", d.file("pic.avc")};
         }, ""},
    };
}

TEST(CliBadInputTest, EachFailsWithOneLineWritingNothingAndChangingNothing) {
    TempDir scratch;
    const Bytes avc = validAvcStill(scratch);
    for (const BadInput& bad : badInputs()) {
        SCOPED_TRACE(bad.name);
        TempDir data;
        TempDir cwd;
        const std::vector<std::string> arguments = bad.prepare(data, avc);
        const auto before = folderSnapshot(data.path());

        const CliRun result = runCli(arguments, cwd.path());

        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "");
        ASSERT_FALSE(result.err.empty());
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
        if (!bad.message.empty()) {
            EXPECT_EQ(result.err, bad.message + ": \"" + arguments.at(1) + "\"\n");
        }
        EXPECT_EQ(folderSnapshot(data.path()), before);
        EXPECT_TRUE(fs::is_empty(cwd.path()));
    }
}

// Every command run in an empty folder with its inputs elsewhere: the working folder stays empty
// and the input folder gains exactly the command's named outputs.
TEST(CliOutputsTest, NoCommandCreatesAnythingButItsNamedOutputs) {
    TempDir data;
    TempDir cwd;
    saveBitmapFile(patternBitmap(40, 24), data.file("pic.bmp"));
    fs::create_directory(data.path() / "f");
    saveBitmapFile(patternBitmap(24, 24), data.file("f/frame0.bmp"));
    saveBitmapFile(patternBitmap(24, 24), data.file("f/frame1.bmp"));

    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> steps = {
        {{"avc", data.file("pic.bmp")}, {"pic.avc", "pic~.bmp"}},
        {{"ajc", data.file("pic.bmp")}, {"pic.ajc"}},
        {{"decode", data.file("pic.ajc"), "-o", data.file("a.bmp")}, {"a.bmp"}},
        {{"jpeg", data.file("pic.bmp")}, {"pic.jpg"}},
        {{"jpeg", data.file("pic.jpg")}, {"pic~.jpg"}},
        {{"avc", data.file("pic.jpg")}, {}},
        {{"ajc", data.file("pic.jpg")}, {}},
        {{"seq-encode", "-j", "2", "--prefix", data.file("f/frame"), "1"}, {"f/frame0.avc", "f/frame1.avc"}},
        {{"seq-decode", "--prefix", data.file("f/frame"), "1"}, {"f/frame000000.bmp", "f/frame000001.bmp"}},
    };
    const std::string sourceBitmap = fileBytes(data.file("pic.bmp"));
    for (const auto& [arguments, expected] : steps) {
        SCOPED_TRACE(arguments.front() + " " + arguments.at(1));
        const auto before = folderSnapshot(data.path());
        const CliRun result = runCli(arguments, cwd.path());
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(addedNames(before, folderSnapshot(data.path())), expected);
        EXPECT_TRUE(fs::is_empty(cwd.path()));
    }
    EXPECT_EQ(fileBytes(data.file("pic.bmp")), sourceBitmap);
}

}  // namespace
}  // namespace brenlow::testing
