#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "measures/measures.h"
#include "support/cli_runner.h"
#include "support/dataset_pictures.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

QJsonObject objectOf(const std::string& line) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

// The page without the code built into it (its scripts that take no attribute), whose library's
// licence alone names the library's home.
std::string withoutBuiltInCode(std::string page) {
    const std::string opening = "<script>\n";
    for (std::size_t start = page.find(opening); start != std::string::npos; start = page.find(opening, start))
        page.erase(start, page.find("</script>", start) + std::string("</script>").size() - start);
    return page;
}

// A plot as an XML reader sees it: the error that stopped it, its paths, and its texts as shown.
struct PlotContents {
    std::string error;
    int paths = 0;
    std::vector<std::string> texts;
};

PlotContents plotContents(const std::string& page, const std::string& measure) {
    const std::size_t figure = page.find("<figure id=\"plot-" + measure + "\">");
    if (figure == std::string::npos) return {"no plot of " + measure, 0, {}};
    const std::size_t start = page.find("<svg", figure);
    const std::size_t end = page.find("</svg>", start);
    if (start == std::string::npos || end == std::string::npos) return {"no <svg> element for " + measure, 0, {}};
    QXmlStreamReader reader(QByteArray::fromStdString(page.substr(start, end + 6 - start)));
    PlotContents contents;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement()) continue;
        if (reader.name() == u"path") ++contents.paths;
        if (reader.name() == u"text") contents.texts.push_back(reader.readElementText().toStdString());
    }
    if (reader.hasError()) contents.error = reader.errorString().toStdString();
    return contents;
}

bool shows(const PlotContents& plot, const std::string& text) {
    return std::find(plot.texts.begin(), plot.texts.end(), text) != plot.texts.end();
}

// A published PSNR curve with a name that is markup when taken for HTML.
const char* kMarkupNamedCurve =
    R"({"name": "<b>&\"x\"", "results": {"bpp": [0.5, 1.0, 1.5, 2.5], "psnr": [28, 31, 33, 36]}})";

// A small data set swept once for every test: jpeg and ajc at four qualities with MS-SSIM.
class ReportCliTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempDir;
        fs::create_directory(folder_->path() / "set");
        makeSmallDataSet(folder_->file("set"));
        const CliRun sweep = runCli({"sweep", "--codecs", "jpeg,ajc", "--qualities", "30,50,70,90", "--measures",
                                     "ms_ssim", "--quiet", "--out", "results", "set"},
                                    folder_->path());
        ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
    }
    static void TearDownTestSuite() { delete folder_; }

    CliRun run(const std::vector<std::string>& arguments) { return runCli(arguments, folder_->path()); }

    std::string path(const std::string& name) { return folder_->file(name); }

    // A published curve made of the JPEG aggregate with every rate cut to nine tenths.
    std::string cheaperJpegCurve(const QJsonObject& merged) {
        QJsonArray rates, psnr, msSsim;
        for (const QJsonValue& point : merged["aggregate"].toArray()) {
            if (point["codec"].toString() != "jpeg") continue;
            const QJsonObject means = point["means"].toObject();
            rates.append(0.9 * means["bits_per_pixel"].toDouble());
            psnr.append(means["psnr"]);
            msSsim.append(means["ms_ssim_y"]);
        }
        const QJsonObject curve{{"name", "cheaper"},
                                {"results", QJsonObject{{"bpp", rates}, {"psnr", psnr}, {"ms-ssim", msSsim}}}};
        std::ofstream(path("cheaper.json")) << QJsonDocument(curve).toJson().toStdString();
        return "cheaper.json";
    }

    static TempDir* folder_;
};

TempDir* ReportCliTest::folder_ = nullptr;

TEST_F(ReportCliTest, APublishedCurveAtNineTenthsOfJpegsRateIsTenPerCentBelowIt) {
    const std::string curve = cheaperJpegCurve(objectOf(run({"merge", "--json", "results"}).out));
    const CliRun merged = run({"merge", "--json", "--import", curve, "results"});
    ASSERT_EQ(merged.exitCode, 0) << merged.err;
    const QJsonObject object = objectOf(merged.out);
    EXPECT_EQ(object["imported"].toArray(),
              (QJsonArray{QJsonObject{{"name", "cheaper"}, {"measures", QJsonArray{"psnr", "ms_ssim_y", "ms_ssim_y_db"}}}}));
    const QJsonArray rows = object["bd_rate"].toObject()["imported"].toArray();
    ASSERT_EQ(rows.size(), 4) << "psnr and ms_ssim_y_db, cubic and PCHIP";
    for (const QJsonValue& row : rows) {
        EXPECT_EQ(row["codec"].toString(), "cheaper");
        // The published MS-SSIM is the mean of linear values, turned into dB after averaging; the
        // data set's is the mean of each picture's dB: close, not equal.
        const double tolerance = row["measure"].toString() == "psnr" ? 1e-6 : 1.0;
        EXPECT_NEAR(row["rate_percent"]["value"].toDouble(), -10.0, tolerance)
            << row["measure"].toString().toStdString();
    }

    const CliRun table = run({"merge", "--import", curve, "results"});
    EXPECT_NE(table.err.find("BD-rate cheaper against jpeg on psnr, cubic: -10.00 %"), std::string::npos) << table.err;
    EXPECT_NE(table.err.find("BD-rate ajc against jpeg on psnr, cubic: "), std::string::npos) << "codecs stay";
}

TEST_F(ReportCliTest, ABadCurveFileStopsTheSweepBeforeItRuns) {
    std::ofstream(path("bad.json")) << R"({"name": "x", "results": {"bpp": [1, 2], "psnr": [30]}})";
    const CliRun sweep = run({"sweep", "--codecs", "jpeg", "--out", "never", "--import", "bad.json", "set"});
    EXPECT_EQ(sweep.exitCode, 1);
    EXPECT_NE(sweep.err.find("\"psnr\" has 1 values and its \"bpp\" 2: \"bad.json\""), std::string::npos) << sweep.err;
    EXPECT_FALSE(fs::exists(path("never")));
    EXPECT_EQ(run({"merge", "--anchor", "cheaper", "results"}).exitCode, 2) << "an imported curve is no anchor";
}

TEST_F(ReportCliTest, TheReportIsOneSelfContainedPageWithAPlotPerMeasureAndTheJsonsDeltas) {
    const std::string curve = cheaperJpegCurve(objectOf(run({"merge", "--json", "results"}).out));
    const CliRun report = run({"report", "--html", "page.html", "--import", curve, "results"});
    ASSERT_EQ(report.exitCode, 0) << report.err;
    EXPECT_EQ(report.out, "");
    const std::string page = fileBytes(path("page.html"));
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\n<html", 0), 0u);
    EXPECT_EQ(page.substr(page.size() - 8), "</html>\n");
    EXPECT_EQ(withoutBuiltInCode(page).find("http"), std::string::npos) << "no links out, not even XML namespaces";
    EXPECT_FALSE(std::regex_search(page, std::regex("<script[^>]* src=|<link|@import|<iframe")))
        << "nothing loaded when the page is opened";
    EXPECT_NE(page.find("Released under the MIT License"), std::string::npos) << "the charting library's licence";
    for (const char* measure : {"psnr", "psnr_y", "ssim_y_db", "ms_ssim_y_db"}) {
        const std::size_t plot = page.find("<figure id=\"plot-" + std::string(measure) + "\">\n<svg");
        EXPECT_NE(plot, std::string::npos) << measure;
        EXPECT_NE(page.find("cheaper (published)", plot), std::string::npos) << measure;
    }
    EXPECT_EQ(page.find("plot-ciede2000"), std::string::npos) << "not taken";

    const QJsonObject merged = objectOf(run({"merge", "--json", "--import", curve, "results"}).out);
    const auto rowOf = [&](const std::string& id) {
        const std::size_t start = page.find("<tr id=\"" + id + "\">");
        return start == std::string::npos ? std::string() : page.substr(start, page.find("</tr>", start) - start);
    };
    const auto shown = [](const QJsonValue& value, int decimals) {
        const std::string figure = formatMeasure(value.isDouble() ? value.toDouble() : std::nan(""), decimals);
        return ">" + (value.toDouble() > 0 ? "+" + figure : figure) + "<";
    };
    for (const QJsonValue& row : merged["bd_rate"]["aggregate"].toArray()) {
        const std::string html = rowOf("bd-ajc-" + row["measure"].toString().toStdString());
        EXPECT_NE(html.find(shown(row["rate_percent"]["value"], 2)), std::string::npos) << html;
        EXPECT_NE(html.find(shown(row["quality_delta"]["value"], 4)), std::string::npos) << html;
    }
    EXPECT_NE(rowOf("bd-cheaper-psnr").find(">-10.00<"), std::string::npos);
    const QJsonObject perPicture = merged["bd_rate"]["per_picture"]["ajc/psnr/pchip"]["rate_percent"].toObject();
    const std::string summary = rowOf("pp-ajc-psnr-pchip");
    for (const char* key : {"mean", "median", "min", "max"})
        EXPECT_NE(summary.find(shown(perPicture[key], 2)), std::string::npos) << key << summary;
    EXPECT_NE(page.find("set/e_chelsea.bmp"), std::string::npos) << "each picture's row";

    const QJsonObject ajcAt70 = merged["aggregate"][6].toObject();
    ASSERT_EQ(ajcAt70["quality"].toInt(), 70);
    const std::string speeds = rowOf("speed-ajc-70");
    EXPECT_NE(speeds.find(">5<"), std::string::npos) << "timed pictures" << speeds;
    for (const char* key : {"median_encode_megapixels_per_second", "median_decode_megapixels_per_second"})
        EXPECT_NE(speeds.find(">" + formatMeasure(ajcAt70["timing"][key].toDouble(), 2) + "<"), std::string::npos)
            << key << speeds;
    EXPECT_NE(page.find("Timing runs per point (its time the median): 1. Threads per codec while timed: 1 "),
              std::string::npos);
}

// The page's charts and tables are drawn from its data: every aggregate point with its spread, each
// picture's points, the delta rates against each curve as anchor, and it names the command line.
TEST_F(ReportCliTest, ThePagesDataHoldsTheAggregateWithItsSpreadEachPicturesPointsAndTheCommandLine) {
    const std::string curve = cheaperJpegCurve(objectOf(run({"merge", "--json", "results"}).out));
    ASSERT_EQ(run({"report", "--html", "data page.html", "--import", curve, "--anchor", "ajc", "results"}).exitCode, 0);
    const std::string page = fileBytes(path("data page.html"));
    EXPECT_NE(page.find("<pre>brenlow-cli report --html &#39;data page.html&#39; --import cheaper.json --anchor ajc "
                        "results</pre>"),
              std::string::npos);
    const std::string opening = "<script type=\"application/json\" id=\"brenlow-data\">";
    const std::size_t start = page.find(opening) + opening.size();
    ASSERT_NE(start, std::string::npos + opening.size());
    const std::string island = page.substr(start, page.find("</script>", start) - start);
    EXPECT_EQ(island.find_first_of("<>&"), std::string::npos);
    const QJsonObject data = objectOf(island);

    QStringList names, markers;
    for (const QJsonValue& each : data["curves"].toArray()) {
        names.append(each["name"].toString());
        markers.append(each["style"]["marker"].toString());
    }
    EXPECT_EQ(names, (QStringList{"jpeg", "ajc", "cheaper (published)"}));
    EXPECT_EQ(markers.removeDuplicates(), 0) << "told apart without colour";
    QStringList measures;
    for (const QJsonValue& each : data["measures"].toArray()) measures.append(each["key"].toString());
    EXPECT_EQ(measures, (QStringList{"psnr", "psnr_y", "ssim_y_db", "ms_ssim_y_db"}));

    const QJsonArray expected = objectOf(run({"merge", "--json", "results"}).out)["aggregate"].toArray();
    const QJsonArray aggregate = data["aggregate"].toArray();
    ASSERT_EQ(aggregate.size(), expected.size());
    for (qsizetype i = 0; i < aggregate.size(); ++i) {
        const QJsonObject point = aggregate[i].toObject();
        EXPECT_EQ(names[point["curve"].toInt()], expected[i]["codec"].toString());
        EXPECT_DOUBLE_EQ(point["bpp"].toDouble(), expected[i]["means"]["bits_per_pixel"].toDouble());
        for (qsizetype m = 0; m < measures.size(); ++m) {
            EXPECT_DOUBLE_EQ(point["values"][m].toDouble(), expected[i]["means"][measures[m]].toDouble());
            const double deviation = expected[i]["deviations"][measures[m]].toDouble();
            EXPECT_DOUBLE_EQ(point["sd"][m].toDouble(), deviation);
            // The 95 % interval over n pictures: Student's t for n - 1 degrees of freedom, from its table.
            const int count = expected[i]["counts"][measures[m]].toInt();
            const std::map<int, double> t975{{2, 12.7062}, {3, 4.3027}, {4, 3.1824}, {5, 2.7764}};
            if (t975.count(count) == 0) continue;
            EXPECT_NEAR(point["ci"][m].toDouble(), t975.at(count) * deviation / std::sqrt(count), 1e-4 * deviation)
                << measures[m].toStdString() << " over " << count;
        }
    }
    EXPECT_EQ(data["points"].toArray().size(), 5 * 2 * 4) << "every picture's points";
    EXPECT_EQ(data["published"].toArray().size(), 2) << "psnr and MS-SSIM in dB";

    const QJsonArray againstJpeg =
        objectOf(run({"merge", "--json", "results"}).out)["bd_rate"].toObject()["aggregate"].toArray();
    int matched = 0;
    for (const QJsonValue& row : data["deltas"].toArray()) {
        if (row["anchor"] != "jpeg" || row["curve"] != "ajc") continue;
        for (const QJsonValue& merged : againstJpeg)
            if (merged["measure"] == row["measure"] && merged["interpolation"] == row["interpolation"]) {
                EXPECT_DOUBLE_EQ(row["rate"].toDouble(), merged["rate_percent"]["value"].toDouble());
                ++matched;
            }
    }
    EXPECT_EQ(matched, againstJpeg.size());
    const QJsonArray deltas = data["deltas"].toArray();
    EXPECT_TRUE(std::any_of(deltas.begin(), deltas.end(),
                            [](const QJsonValue& row) { return row["anchor"] == "ajc" && row["curve"] == "jpeg"; }));
}

// The parameters give each curve the qualities it was swept at, and the divisor and focus only where
// a codec of ours takes them.
TEST_F(ReportCliTest, TheParametersGiveEachCurvesQualitiesAndTheDivisorOnlyWithOurCodecs) {
    const auto parameters = [&](const std::string& page) {
        const std::string html = fileBytes(path(page));
        const std::size_t start = html.find("<h2>Parameters</h2>");
        return start == std::string::npos ? std::string() : html.substr(start, html.find("</table>", start) - start);
    };
    ASSERT_EQ(run({"report", "--html", "ours.html", "results"}).exitCode, 0);
    const std::string ours = parameters("ours.html");
    EXPECT_NE(ours.find("<tr><th>qualities</th><td>30, 50, 70, 90</td></tr>"), std::string::npos) << ours;
    EXPECT_NE(ours.find("<tr><th>divisor (avc, ajc)</th><td>2.5</td></tr>"), std::string::npos) << ours;
    EXPECT_EQ(ours.find("focus"), std::string::npos) << "no AVC curve: " << ours;

    const CliRun sweep = run({"sweep", "--codecs", "jpeg,jpeg:subsampling=444,avc", "--qualities", "30,50",
                              "--qualities-for", "jpeg:subsampling=444=40,60,80", "--measures", "none", "--quiet",
                              "--out", "own-qualities", "set/a_astronaut.png", "set/e_chelsea.bmp"});
    ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
    ASSERT_EQ(run({"report", "--html", "own.html", "own-qualities"}).exitCode, 0);
    const std::string own = parameters("own.html");
    EXPECT_NE(own.find("<tr><th>qualities (jpeg, avc)</th><td>30, 50</td></tr>"), std::string::npos) << own;
    EXPECT_NE(own.find("<tr><th>qualities (jpeg:subsampling=444)</th><td>40, 60, 80</td></tr>"), std::string::npos)
        << own;
    EXPECT_NE(own.find("<tr><th>focus passes (avc)</th><td>2</td></tr>"), std::string::npos) << own;

    ASSERT_EQ(run({"sweep", "--codecs", "jpeg", "--qualities", "30,50", "--measures", "none", "--quiet", "--out",
                   "jpeg-only", "set/a_astronaut.png"})
                  .exitCode,
              0);
    ASSERT_EQ(run({"report", "--html", "jpeg.html", "jpeg-only"}).exitCode, 0);
    const std::string jpeg = parameters("jpeg.html");
    EXPECT_NE(jpeg.find("<tr><th>qualities</th><td>30, 50</td></tr>"), std::string::npos) << jpeg;
    EXPECT_EQ(jpeg.find("divisor"), std::string::npos) << jpeg;
    EXPECT_EQ(jpeg.find("focus"), std::string::npos) << jpeg;

    ASSERT_EQ(run({"sweep", "--codecs", "jpeg", "--bpp", "0.5,1", "--measures", "none", "--quiet", "--out", "sized",
                   "set/a_astronaut.png"})
                  .exitCode,
              0);
    ASSERT_EQ(run({"report", "--html", "sized.html", "sized"}).exitCode, 0);
    const std::string sized = parameters("sized.html");
    EXPECT_NE(sized.find("<tr><th>bits per pixel targets</th><td>0.500, 1.000</td></tr>"), std::string::npos) << sized;
    EXPECT_EQ(sized.find("qualities"), std::string::npos) << "coded to sizes, at each picture's own qualities";
}

TEST_F(ReportCliTest, AFailedReportLeavesThePageItWouldReplace) {
    std::ofstream(path("kept.html")) << "old";
    const auto before = folderSnapshot(folder_->path());
    EXPECT_EQ(run({"report", "--html", "kept.html", "--import", "missing.json", "results"}).exitCode, 1);
    EXPECT_EQ(run({"report", "--html", "kept.html", "set"}).exitCode, 1) << "no result folder";
    EXPECT_EQ(folderSnapshot(folder_->path()), before);
    const CliRun nowhere = run({"report", "--html", "kept.html/folder/page.html", "results"});
    EXPECT_EQ(nowhere.exitCode, 1);
    EXPECT_NE(nowhere.err.find("kept.html/folder/page.html"), std::string::npos) << nowhere.err;
    EXPECT_EQ(folderSnapshot(folder_->path()), before);
    EXPECT_EQ(run({"report", "results"}).exitCode, 2) << "--html is required";
}

// Labels in a folder someone handed over are text: the plots' legends drew them as HTML, so an
// <img> put a picture of this computer into the page, and /dev/zero took memory until the end.
TEST_F(ReportCliTest, CurveLabelsShowAsTypedInThePlotsAndNoFileTheyNameIsRead) {
    QImage secret(8, 8, QImage::Format_RGB32);
    secret.fill(Qt::red);
    ASSERT_TRUE(secret.save(QString::fromStdString(path("secret.png")), "PNG"));
    const std::string labels = "jpeg:label=<img src=\"" + path("secret.png") +
                               "\">,jpeg:optimize=1:label=<b>x</b>,ajc:label=&lt;,avc:label=<img src=\"/dev/zero\">";
    const CliRun sweep =
        run({"sweep", "--codecs", labels, "--qualities", "30,70", "--quiet", "--out", "labelled", "set"});
    ASSERT_EQ(sweep.exitCode, 0) << sweep.err;

    CliLimits limits;
    if (!kAddressSanitizer) limits.addressSpaceBytes = 2ull << 30;  // a file read whole fails, not the machine
    const CliRun report = runCli({"report", "--html", "labelled.html", "labelled"}, folder_->path(), limits);
    ASSERT_EQ(report.exitCode, 0) << report.err;
    const std::string page = fileBytes(path("labelled.html"));
    EXPECT_EQ(page.find("<image"), std::string::npos) << "no picture but the plots' own lines";
    EXPECT_EQ(withoutBuiltInCode(page).find("data:"), std::string::npos);
    for (const char* measure : {"psnr", "ssim_y_db"}) {
        const std::size_t start = page.find("<figure id=\"plot-" + std::string(measure) + "\">");
        ASSERT_NE(start, std::string::npos) << measure;
        const std::string plot = page.substr(start, page.find("</figure>", start) - start);
        // The SVG escapes the text once; a legend that took it for HTML drew "x" and "<".
        for (const char* legend : {">&lt;b&gt;x&lt;/b&gt;</text>", ">&amp;lt;</text>",
                                   ">&lt;img src=&quot;/dev/zero&quot;&gt;</text>"})
            EXPECT_NE(plot.find(legend), std::string::npos) << measure << ": " << legend;
        // The picture's path is long: the legend may shorten it.
        const std::size_t secretLegend = plot.find(">&lt;img src=&quot;" + path("secret.png").substr(0, 4));
        EXPECT_NE(secretLegend, std::string::npos) << measure;
    }
}

// Without XDG_RUNTIME_DIR Qt made a runtime folder in TMPDIR, left it there and warned about it.
TEST_F(ReportCliTest, TheReportLeavesNothingInTheTemporaryFolderAndPrintsNothingOfItsLibraries) {
    const TempDir temporary;
    const CliProcess report = startCli({"report", "--html", "quiet.html", "results"}, folder_->path(),
                                       {"TMPDIR=" + temporary.path().string(), "XDG_RUNTIME_DIR="});
    EXPECT_EQ(waitForCli(report), 0);
    EXPECT_TRUE(fs::exists(path("quiet.html")));
    EXPECT_TRUE(fs::is_empty(temporary.path())) << "left behind: " << fs::directory_iterator(temporary.path())->path();
    const CliRun plain = run({"report", "--html", "plain.html", "results"});
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_EQ(plain.err, "");
}

// A cluster node or CI has no display, and a terminal may still name a Wayland display that is gone
// or ask for X11: the report drew its plots with widgets, and there it aborted.
TEST_F(ReportCliTest, TheReportIsWrittenWithoutADisplay) {
    const std::vector<std::vector<std::string>> environments{
        {"DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY"},
        {"DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY=brenlow-gone-0"},
        {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb"}};
    for (const std::vector<std::string>& environment : environments) {
        fs::remove(path("headless.html"));
        const CliProcess report = startCli({"report", "--html", "headless.html", "results"}, folder_->path(),
                                           environment);
        EXPECT_EQ(waitForCli(report), 0) << environment.back();
        EXPECT_EQ(plotContents(fileBytes(path("headless.html")), "psnr").error, "") << environment.back();
    }
}

TEST_F(ReportCliTest, EachPlotIsXmlWithOneLinePerCurveAndItsNamesAsTyped) {
    std::ofstream(path("markup.json")) << kMarkupNamedCurve;
    const CliRun report = run({"report", "--html", "xml.html", "--import", "markup.json", "results"});
    ASSERT_EQ(report.exitCode, 0) << report.err;
    const std::string page = fileBytes(path("xml.html"));
    for (const char* measure : {"psnr", "psnr_y", "ssim_y_db", "ms_ssim_y_db"}) {
        const PlotContents plot = plotContents(page, measure);
        EXPECT_EQ(plot.error, "") << measure;
        const bool published = std::string(measure) == "psnr";  // the curve file has PSNR alone
        EXPECT_EQ(plot.paths, published ? 3 : 2) << measure;
        EXPECT_TRUE(shows(plot, "jpeg") && shows(plot, "ajc") && shows(plot, "bits per pixel")) << measure;
        EXPECT_EQ(shows(plot, "<b>&\"x\" (published)"), published) << measure;
    }
    EXPECT_TRUE(shows(plotContents(page, "psnr"), "PSNR (dB) against bits per pixel"));
}

// A flat grey picture comes back exact from JPEG: its PSNR is infinite at every quality.
TEST_F(ReportCliTest, ACurveWithoutAFinitePointKeepsItsLegendLineButDrawsNoLine) {
    const TempDir grey;
    fs::create_directory(grey.path() / "set");
    QImage flat(64, 64, QImage::Format_RGB888);
    flat.fill(QColor(128, 128, 128));
    ASSERT_TRUE(flat.save(QString::fromStdString(grey.file("set/grey.png"))));
    std::ofstream(grey.file("markup.json")) << kMarkupNamedCurve;
    const CliRun sweep = runCli({"sweep", "--codecs", "jpeg", "--qualities", "50,90", "--quiet", "--out", "results",
                                 "set"},
                                grey.path());
    ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
    const CliRun report =
        runCli({"report", "--html", "grey.html", "--import", "markup.json", "results"}, grey.path());
    ASSERT_EQ(report.exitCode, 0) << report.err;
    const PlotContents plot = plotContents(fileBytes(grey.file("grey.html")), "psnr");
    EXPECT_EQ(plot.error, "");
    EXPECT_EQ(plot.paths, 1) << "the published curve's alone";
    EXPECT_TRUE(shows(plot, "jpeg"));
    EXPECT_TRUE(shows(plot, "<b>&\"x\" (published)"));
}

// The sweep ran two folders above its result folder. Moved with its pictures, the folder's report
// finds them relative to it; moved alone, by their absolute paths; a picture gone is said to be.
TEST_F(ReportCliTest, AMovedResultFolderReportsWhereItsPicturesAreFound) {
    const TempDir place;
    const fs::path lab = place.path() / "lab";
    fs::create_directories(lab / "set");
    QImage picture(64, 48, QImage::Format_RGB888);
    picture.fill(QColor(90, 140, 60));
    ASSERT_TRUE(picture.save(QString::fromStdString((lab / "set" / "a.png").string())));
    ASSERT_TRUE(picture.mirrored().save(QString::fromStdString((lab / "set" / "b.png").string())));
    const CliRun sweep = runCli({"sweep", "--codecs", "jpeg", "--qualities", "50,90", "--quiet", "--out",
                                 "deep/er/results", "set"},
                                lab);
    ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
    const fs::path moved = place.path() / "moved";
    fs::rename(lab, moved);
    const auto reportOf = [&](const fs::path& results) {
        const CliRun report = runCli({"report", "--html", "moved.html", results.string()}, place.path());
        EXPECT_EQ(report.exitCode, 0) << report.err;
        const std::string page = fileBytes(place.file("moved.html"));
        return page.substr(std::min(page.find("<h2>Pictures</h2>"), page.size()));
    };
    const std::string withPictures = reportOf(moved / "deep" / "er" / "results");
    EXPECT_NE(withPictures.find("<td>set/b.png</td><td>" + (moved / "set" / "b.png").string() + "</td>"),
              std::string::npos)
        << withPictures;

    fs::rename(moved, lab);
    fs::rename(lab / "deep", place.path() / "deep");
    fs::remove(lab / "set" / "a.png");
    const std::string alone = reportOf(place.path() / "deep" / "er" / "results");
    EXPECT_NE(alone.find("<td>set/b.png</td><td>" + (lab / "set" / "b.png").string() + "</td>"), std::string::npos)
        << alone;
    EXPECT_NE(alone.find("<td>set/a.png</td><td><span class=\"weak\">not found</span></td>"), std::string::npos)
        << alone;
}

}  // namespace
}  // namespace brenlow::testing
