// What a result folder from someone else can hold: names a spreadsheet would run as formulas,
// failure reasons with terminal escapes, figures no picture can have. The tool prints and writes
// them so that none of them acts.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "experiments/sweep_report.h"
#include "io/bitmap_file.h"
#include "support/cli_runner.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

const Arguments kSweep{"sweep", "--qualities", "50", "--measures", "none", "-j", "1"};

// Sets the title of the terminal, then clears its screen.
const std::string kEscapes = "\x1b]0;owned\x07 then \x1b[2J";
const std::string kEscapesShown = "\\x1b]0;owned\\x07 then \\x1b[2J";

QJsonObject jsonFile(const fs::path& path) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(fileBytes(path.string()))).object();
}

void writeJsonFile(const fs::path& path, const QJsonObject& object) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << QJsonDocument(object).toJson().toStdString();
}

bool holdsControlCharacters(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return (c >= 0 && c < 0x20 && c != '\n') || c == 0x7f; });
}

// Two pictures whose names start like formulas.
class StoredTextCliTest : public ::testing::Test {
protected:
    StoredTextCliTest() {
        patternBitmap(40, 32).save(QString::fromStdString(cwd.file("=1+2.png")));
        saveBitmapFile(patternBitmap(36, 44), cwd.file("@x.bmp"));
    }

    CliRun exited(int status, const Arguments& arguments) {
        CliRun result = runCli(arguments, cwd.path());
        EXPECT_EQ(result.exitCode, status) << result.err;
        return result;
    }

    // The one result file of the folder whose name starts with the picture's.
    fs::path resultFile(const std::string& folder, const std::string& picture) {
        for (const fs::directory_entry& entry : fs::directory_iterator(cwd.path() / folder))
            if (entry.path().filename().string().rfind(picture, 0) == 0) return entry.path();
        ADD_FAILURE() << "no result file of " << picture;
        return {};
    }

    TempDir cwd;
};

// Picture names and labels beginning with =, +, - or @ reach the sweep's, the merge's and the
// aggregate's CSV with a leading quote; the figures beside them stay numbers.
TEST_F(StoredTextCliTest, NamesThatStartLikeFormulasAreNeutralisedInEveryCsv) {
    const CliRun swept = exited(0, kSweep + Arguments{"--codecs", "jpeg:label=+cmd,ajc", "--out", "results",
                                                      "--aggregate-csv", "aggregate.csv", "=1+2.png", "@x.bmp"});
    EXPECT_NE(swept.out.find("\r\n'=1+2.png,'+cmd,50,"), std::string::npos) << swept.out;
    EXPECT_NE(swept.out.find("\r\n'@x.bmp,ajc,50,"), std::string::npos) << swept.out;
    EXPECT_NE(fileBytes(cwd.file("aggregate.csv")).find("\r\n'+cmd,50,2,"), std::string::npos)
        << fileBytes(cwd.file("aggregate.csv"));
    const CliRun merged = exited(0, {"merge", "results"});
    EXPECT_EQ(withoutLastColumns(merged.out, kSweepCsvTimingColumns),
              withoutLastColumns(swept.out, kSweepCsvTimingColumns));

    const CliRun one = exited(0, kSweep + Arguments{"--codecs", "jpeg:label=-3.2", "=1+2.png"});
    EXPECT_NE(one.out.find("\r\n'-3.2,50,"), std::string::npos) << one.out;
}

// A failure reason kept in a handed folder is printed with its escapes shown, not acted on, by
// merge and by report.
TEST_F(StoredTextCliTest, StoredFailureReasonsArePrintedWithTheirControlCharactersShown) {
    exited(0, kSweep + Arguments{"--codecs", "jpeg", "--out", "results", "=1+2.png", "@x.bmp"});
    const fs::path file = resultFile("results", "_1_2.png");
    QJsonObject result = jsonFile(file);
    result["failure"] = QString::fromStdString("the codec said " + kEscapes);
    result["points"] = QJsonArray{};
    writeJsonFile(file, result);

    const std::vector<Arguments> commands{{"merge", "results"}, {"report", "--html", "report.html", "results"}};
    for (const Arguments& command : commands) {
        const CliRun printed = exited(3, command);
        EXPECT_NE(printed.err.find("  jpeg on \"=1+2.png\": the codec said " + kEscapesShown + "\n"), std::string::npos)
            << printed.err;
        EXPECT_FALSE(holdsControlCharacters(printed.err)) << printed.err;
    }
}

// A label with escapes in a folder merged on a terminal: the table is shown with them escaped too.
TEST_F(StoredTextCliTest, NamesPrintedOnATerminalShowTheirControlCharacters) {
    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1) to give a terminal";
    exited(0, kSweep + Arguments{"--codecs", "jpeg:label=" + kEscapes, "--out", "results", "=1+2.png"});
    const std::string command = "cd '" + cwd.path().string() + "' && script -qec \"'" BRENLOW_CLI_PATH
                                "' merge results\" /dev/null 2>&1";
    FILE* terminal = ::popen(command.c_str(), "r");
    ASSERT_NE(terminal, nullptr);
    std::string shown;
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, terminal)) > 0;) shown.append(buffer, count);
    EXPECT_EQ(::pclose(terminal), 0) << shown;
    EXPECT_NE(shown.find("'=1+2.png," + kEscapesShown + ",50,"), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\x1b'), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\x07'), std::string::npos) << shown;
}

// A figure no picture can have, or a size below zero, is refused naming the file: never a table of
// the stack's bytes, never a size read modulo 2^32.
TEST_F(StoredTextCliTest, FiguresNoPictureCanHaveAreRefusedNamingTheFile) {
    exited(0, kSweep + Arguments{"--codecs", "jpeg", "--out", "results", "=1+2.png"});
    const fs::path file = resultFile("results", "_1_2.png");
    const std::string made = fileBytes(file.string());
    struct Case {
        const char* key;
        double value;
        std::string expected;
    };
    for (const Case& c : {Case{"psnr", 1e200, "gives psnr of the point at quality 50 as 1e+200"},
                          Case{"bits_per_pixel", 1e308, "gives bits_per_pixel of the point at quality 50 as 1e+308"},
                          Case{"coded_size", -5, "gives coded_size of the point at quality 50 as -5"}}) {
        QJsonObject result = QJsonDocument::fromJson(QByteArray::fromStdString(made)).object();
        QJsonArray points = result["points"].toArray();
        QJsonObject point = points[0].toObject();
        point[c.key] = c.value;
        points[0] = point;
        result["points"] = points;
        writeJsonFile(file, result);
        const CliRun refused = exited(1, {"merge", "results"});
        EXPECT_EQ(refused.out, "");
        EXPECT_NE(refused.err.find(c.expected), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find(file.filename().string()), std::string::npos) << refused.err;
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
    }
}

}  // namespace
}  // namespace brenlow::testing
