#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QXmlStreamReader>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/cli_runner.h"
#include "support/dataset_pictures.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

// What a program printed on stdout, or "" when it did not start or failed.
std::string outputOf(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput().toStdString();
}

// An SVG figure as an XML reader sees it.
struct SvgFigure {
    std::string error;
    int curves = 0;        // groups of class "curve"
    int errorBarLines = 0; // lines inside curve groups, the legend's sample counted too
    std::vector<std::string> texts;
};

SvgFigure readSvgFigure(const std::string& path) {
    QXmlStreamReader reader(QByteArray::fromStdString(fileBytes(path)));
    SvgFigure figure;
    int curveDepth = 0;
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement()) {
            if (depth-- == curveDepth) curveDepth = 0;
            continue;
        }
        if (!reader.isStartElement()) continue;
        ++depth;
        if (reader.name() == u"g" && reader.attributes().value("class") == u"curve") {
            ++figure.curves;
            curveDepth = depth;
        }
        if (reader.name() == u"line" && curveDepth > 0) ++figure.errorBarLines;
        if (reader.name() == u"text") {
            figure.texts.push_back(reader.readElementText().toStdString());
            --depth;
        }
    }
    if (reader.hasError()) figure.error = reader.errorString().toStdString();
    return figure;
}

// A published PSNR curve, drawn beside the data set's two.
const char* kPublishedCurve = R"({"name": "paper", "results": {"bpp": [0.5, 1.0, 2.0], "psnr": [30, 33, 36]}})";

// A small data set swept once for every test: jpeg and ajc at four qualities, PSNR and SSIM only.
class FiguresCliTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempDir;
        fs::create_directory(folder_->path() / "set");
        makeSmallDataSet(folder_->file("set"));
        const CliRun sweep = runCli({"sweep", "--codecs", "jpeg,ajc", "--qualities", "30,50,70,90", "--measures",
                                     "none", "--quiet", "--out", "results", "set"},
                                    folder_->path());
        ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
        std::ofstream(folder_->file("published.json")) << kPublishedCurve;
    }
    static void TearDownTestSuite() { delete folder_; }

    CliRun run(const std::vector<std::string>& arguments) { return runCli(arguments, folder_->path()); }
    std::string path(const std::string& name) { return folder_->file(name); }

    // The figures of one run, with these options, into a folder of their own.
    CliRun figures(const std::string& folder, const std::vector<std::string>& options) {
        std::vector<std::string> arguments{"report", "results", "--figures", folder};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return run(arguments);
    }

    static TempDir* folder_;
};

TempDir* FiguresCliTest::folder_ = nullptr;

TEST_F(FiguresCliTest, BadFigureOptionsAreUsageErrorsThatWriteNothing) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"report", "results"}, "--html FILE, --figures DIR, or both"},
        {{"report", "results", "--figures", "bad", "--format", "gif"}, "--format"},
        {{"report", "results", "--figures", "bad", "--measures", "psnr,sharpness"}, "\"sharpness\" is not a measure"},
        {{"report", "results", "--figures", "bad", "--spread", "variance"}, "--spread"},
        {{"report", "results", "--figures", "bad", "--width", "a4"}, "--width"},
        {{"report", "results", "--html", "bad.html", "--format", "svg"}, "only --figures DIR writes"},
    };
    for (const auto& [arguments, message] : cases) {
        const CliRun report = run(arguments);
        EXPECT_EQ(report.exitCode, 2) << arguments.back();
        EXPECT_NE(report.err.find(message), std::string::npos) << report.err;
    }
    EXPECT_FALSE(fs::exists(path("bad")));
    EXPECT_FALSE(fs::exists(path("bad.html")));
}

TEST_F(FiguresCliTest, AMeasureTheDataSetLacksIsRefusedBeforeAnyFigureIsWritten) {
    const CliRun report = figures("lacking", {"--format", "svg", "--measures", "psnr,ciede2000"});
    EXPECT_EQ(report.exitCode, 1);
    EXPECT_NE(report.err.find("No curve of the data set has a value of ciede2000"), std::string::npos) << report.err;
    EXPECT_NE(report.err.find("ciede2000.svg"), std::string::npos) << "names the file: " << report.err;
    EXPECT_FALSE(fs::exists(path("lacking/psnr.svg")));
}

TEST_F(FiguresCliTest, SvgFiguresHoldOneCurveGroupPerCurveAndTheirErrorBarsWhenAsked) {
    const CliRun plain = figures("svg/plain", {"--format", "svg", "--import", "published.json"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path("svg/plain"))) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"psnr.svg", "psnr_y.svg", "ssim_y_db.svg"}));

    const SvgFigure psnr = readSvgFigure(path("svg/plain/psnr.svg"));
    EXPECT_EQ(psnr.error, "");
    EXPECT_EQ(psnr.curves, 3) << "jpeg, ajc and the published curve";
    for (const char* text : {"jpeg", "ajc", "paper (published)", "Bits per pixel (bpp)", "PSNR (dB)"})
        EXPECT_NE(std::find(psnr.texts.begin(), psnr.texts.end(), text), psnr.texts.end()) << text;
    EXPECT_EQ(readSvgFigure(path("svg/plain/psnr_y.svg")).curves, 2) << "the published curve has no PSNR of the luma";

    ASSERT_EQ(figures("svg/sd", {"--format", "svg", "--spread", "sd", "--measures", "psnr"}).exitCode, 0);
    ASSERT_EQ(figures("svg/none", {"--format", "svg", "--measures", "psnr"}).exitCode, 0);
    const SvgFigure withBars = readSvgFigure(path("svg/sd/psnr.svg"));
    const SvgFigure withoutBars = readSvgFigure(path("svg/none/psnr.svg"));
    EXPECT_EQ(withBars.curves, 2);
    // Each of eight points over five pictures has a bar and its two caps.
    EXPECT_EQ(withBars.errorBarLines - withoutBars.errorBarLines, 8 * 3);
}

TEST_F(FiguresCliTest, EachFormatOpensAtItsWidthAndTwoRunsGiveTheSameBytes) {
    for (const std::string run : {"first", "second"}) {
        for (const std::string format : {"svg", "pdf", "png"}) {
            const CliRun report =
                figures("twice/" + run + "-" + format, {"--format", format, "--measures", "psnr", "--spread", "ci95"});
            ASSERT_EQ(report.exitCode, 0) << format << report.err;
        }
        // A file stamped with the time it was written would differ from the next second on.
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    }
    for (const std::string format : {"svg", "pdf", "png"}) {
        const std::string first = fileBytes(path("twice/first-" + format + "/psnr." + format));
        EXPECT_FALSE(first.empty()) << format;
        EXPECT_TRUE(first == fileBytes(path("twice/second-" + format + "/psnr." + format))) << format;
    }

    const QImage png(QString::fromStdString(path("twice/first-png/psnr.png")));
    EXPECT_EQ(png.width(), 1050) << "3.5 inches at 300 dots per inch";
    EXPECT_EQ(png.dotsPerMeterX(), 11811);

    if (!onPath("pdftoppm") || !onPath("pdffonts")) GTEST_SKIP() << "poppler-utils is not installed";
    const QString pdf = QString::fromStdString(path("twice/first-pdf/psnr.pdf"));
    const QString rendered = QString::fromStdString(path("rendered"));
    ASSERT_EQ(QProcess::execute("pdftoppm", {"-png", "-r", "144", "-singlefile", pdf, rendered}), 0);
    const QImage page(rendered + ".png");
    EXPECT_EQ(page.width(), 504) << "3.5 inches at 144 dots per inch";
    EXPECT_EQ(page.height(), 378);

    const std::string fonts = outputOf("pdffonts", {pdf});
    ASSERT_NE(fonts.find("DejaVuSans"), std::string::npos) << fonts;
    std::istringstream lines(fonts);
    std::string line;
    for (int skipped = 0; skipped < 2 && std::getline(lines, line); ++skipped) {}
    while (std::getline(lines, line)) EXPECT_NE(line.find(" yes "), std::string::npos) << "not embedded: " << line;
}

TEST_F(FiguresCliTest, PageWidthFiguresAndThePageAreWrittenTogetherIntoAFolderMadeForThem) {
    const CliRun report = run({"report", "results", "--html", "both/page.html", "--figures", "both/deep/figures",
                               "--format", "png", "--width", "page", "--measures", "ssim_y_db"});
    ASSERT_EQ(report.exitCode, 0) << report.err;
    EXPECT_TRUE(fs::exists(path("both/page.html")));
    const QImage png(QString::fromStdString(path("both/deep/figures/ssim_y_db.png")));
    EXPECT_EQ(png.width(), 2100) << "7 inches at 300 dots per inch";
    EXPECT_EQ(std::distance(fs::directory_iterator(path("both/deep/figures")), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace brenlow::testing
