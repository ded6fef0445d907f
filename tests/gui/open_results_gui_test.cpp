#include <QApplication>
#include <QChartView>
#include <QGraphicsTextItem>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTextDocument>
#include <QToolTip>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

#include "app/dialogs/result_folders.h"
#include "app/shell/codec_titles.h"
#include "app/windows/compare_window.h"
#include "app/windows/dataset_window.h"
#include "gui_fixture.h"
#include "io/bitmap_file.h"
#include "measures/measures.h"
#include "results/dataset_run.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

// Result folders made by the command line in "lab", a folder beside the workbench's working folder,
// so that the pictures the manifest names relative to "lab" are found only through the folder.
class OpenResultsGuiTest : public WorkbenchTest {
protected:
    OpenResultsGuiTest() : lab(dir.path() / "lab") {
        fs::create_directories(lab / "set");
        const std::vector<std::pair<std::string, std::string>> sources{{samplePath("astronaut.bmp"), "a.bmp"},
                                                                       {testDataPath("chelsea.bmp"), "b.bmp"}};
        for (const auto& [source, name] : sources)
            saveBitmapFile(loadBitmapFile(source).copy(40, 40, 64, 48), (lab / "set" / name).string());
        form->askResultFolders = [this](const QString& start) {
            startsOffered << start;
            return chosen;
        };
    }

    // Runs `brenlow-cli sweep set ...` in the lab; false (with the reason) when it fails.
    ::testing::AssertionResult sweep(const QStringList& extra) {
        return cli(QStringList{"sweep", "set", "--codecs", "jpeg,ajc", "--qualities", "30,70"} + extra);
    }

    // Runs brenlow-cli in the lab; false (with the reason) when it fails.
    ::testing::AssertionResult cli(const QStringList& arguments) {
#ifdef BRENLOW_CLI_PATH
        QProcess cli;
        cli.setWorkingDirectory(QString::fromStdString(lab.string()));
        cli.start(QStringLiteral(BRENLOW_CLI_PATH), arguments);
        if (!cli.waitForFinished(120000) || cli.exitCode() != 0)
            return ::testing::AssertionFailure() << cli.readAllStandardError().toStdString();
        return ::testing::AssertionSuccess();
#else
        (void)arguments;
        return ::testing::AssertionFailure() << "brenlow-cli is not built";
#endif
    }

    // Activates the `row`th row of the picture table as Enter does.
    static void openRow(DataSetWindow& window, int row) {
        auto* table = window.findChild<QTableWidget*>("PictureTable");
        table->setCurrentCell(row, 0);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(table, &enter);
    }

    QString labFolder(const char* name) const { return QString::fromStdString((lab / name).string()); }

    DataSetWindow* openResults() {
        form->FileOpenResults1->trigger();
        const QList<DataSetWindow*> windows = form->findChildren<DataSetWindow*>();
        return windows.size() == 1 ? windows.first() : nullptr;
    }

    fs::path lab;
    QStringList chosen;
    QStringList startsOffered;
};

TEST_F(OpenResultsGuiTest, ResultFolderOpensInTheDataSetWindowAndARowOpensItsPoint) {
#ifndef BRENLOW_CLI_PATH
    GTEST_SKIP() << "brenlow-cli is not built";
#endif
    ASSERT_TRUE(sweep({"--out", "results"}));
    chosen = {labFolder("results")};
    DataSetWindow* window = openResults();
    ASSERT_NE(window, nullptr) << messages.join('\n').toStdString();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const DataSetOutcome stored = loadDataSet({(lab / "results").string()});
    EXPECT_EQ(window->outcome().pictures, stored.pictures);
    EXPECT_EQ(window->outcome().curves, stored.curves);
    EXPECT_EQ(window->anchor(), "jpeg");
    auto* table = window->findChild<QTableWidget*>("PictureTable");
    ASSERT_EQ(table->rowCount(), 2 * 2 * 2);

    // The second picture's AJC at 70: found beside the results, coded again, shown with its source.
    const int row = 4 + 2 + 1;
    ASSERT_EQ(table->item(row, 1)->text(), codecTitle(StillCodec::Ajc));
    table->setCurrentCell(row, 0);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(table, &enter);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    ASSERT_EQ(documentCount(), 2);
    ASSERT_EQ(form->findChildren<CompareWindow*>().size(), 1);
    const SweepPoint& point = window->outcome().outcomes[1].sweep.points[3];
    const PictureMeasures measures =
        measurePictures(loadBitmapFile((lab / "set" / "b.bmp").string()), lastDocument()->bitmap());
    EXPECT_DOUBLE_EQ(measures.psnr, measureOf(point, CurveMeasure("psnr")));

    // The next Open Results starts in the folder opened last.
    window->close();
    chosen.clear();
    form->FileOpenResults1->trigger();
    ASSERT_EQ(startsOffered.size(), 2);
    EXPECT_EQ(startsOffered[1], labFolder("results"));
}

// The page without the line that says when it was written.
// The page less its time of writing and the command line, which only the CLI's page names.
std::string pageWithoutTime(const fs::path& page) {
    std::ifstream in(page, std::ios::binary);
    std::string kept, line;
    bool inCommandLine = false;
    while (std::getline(in, line)) {
        if (line == "<h2>Command line</h2>") inCommandLine = true;
        if (!inCommandLine && line.find("Written ") == std::string::npos) kept += line + "\n";
        if (inCommandLine && line.ends_with("</pre>")) inCommandLine = false;
    }
    return kept;
}

TEST_F(OpenResultsGuiTest, ItsHtmlReportIsThePageTheCommandLineWritesForTheFolder) {
#ifndef BRENLOW_CLI_PATH
    GTEST_SKIP() << "brenlow-cli is not built";
#endif
    if (!DataSetWindow::htmlReportBuilt()) GTEST_SKIP() << "this build writes no HTML report";
    ASSERT_TRUE(sweep({"--out", "results"}));
    ASSERT_TRUE(cli({"report", labFolder("results"), "--html", "cli.html"}));
    chosen = {labFolder("results")};
    DataSetWindow* window = openResults();
    ASSERT_NE(window, nullptr) << messages.join('\n').toStdString();
    window->askSaveName = [this](const QString&, const QString&) { return QString::fromStdString(dir.file("window")); };
    window->findChild<QPushButton*>("ExportHtmlReport")->click();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const std::string page = pageWithoutTime(dir.path() / "window.html");
    EXPECT_NE(page.find("Data set of 2 pictures"), std::string::npos);
    EXPECT_EQ(page, pageWithoutTime(lab / "cli.html"));
}

// A sweep run two folders above its result folder names its pictures relative to where it ran.
// The result folder moved to another folder with its pictures finds them relative to itself; moved
// alone, by their absolute paths. Either way a row opens its picture and its point.
TEST_F(OpenResultsGuiTest, AResultFolderMovedWithItsPicturesOrAloneStillOpensItsPoints) {
#ifndef BRENLOW_CLI_PATH
    GTEST_SKIP() << "brenlow-cli is not built";
#endif
    ASSERT_TRUE(sweep({"--out", "deep/er/results"}));
    const fs::path moved = dir.path() / "moved" / "lab";
    fs::create_directories(moved.parent_path());
    fs::rename(lab, moved);
    const auto opensTheSecondPicturesAjcAt70 = [&](const fs::path& results, const fs::path& picture) {
        chosen = {QString::fromStdString(results.string())};
        const qsizetype compared = form->findChildren<CompareWindow*>().size();
        DataSetWindow* window = openResults();
        ASSERT_NE(window, nullptr) << messages.join('\n').toStdString();
        openRow(*window, 4 + 2 + 1);
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        ASSERT_EQ(form->findChildren<CompareWindow*>().size(), compared + 1);
        const SweepPoint& point = window->outcome().outcomes[1].sweep.points[3];
        const PictureMeasures measures = measurePictures(loadBitmapFile(picture.string()), lastDocument()->bitmap());
        EXPECT_DOUBLE_EQ(measures.psnr, measureOf(point, CurveMeasure("psnr")));
        delete window;
    };
    opensTheSecondPicturesAjcAt70(moved / "deep" / "er" / "results", moved / "set" / "b.bmp");

    fs::rename(moved, lab);
    const fs::path alone = dir.path() / "moved" / "results";
    fs::rename(lab / "deep" / "er" / "results", alone);
    opensTheSecondPicturesAjcAt70(alone, lab / "set" / "b.bmp");
}

TEST_F(OpenResultsGuiTest, ShardsOpenTogetherAsTheWholeRun) {
#ifndef BRENLOW_CLI_PATH
    GTEST_SKIP() << "brenlow-cli is not built";
#endif
    ASSERT_TRUE(sweep({"--out", "whole"}));
    ASSERT_TRUE(sweep({"--out", "shard1", "--shard", "1/2"}));
    ASSERT_TRUE(sweep({"--out", "shard2", "--shard", "2/2"}));
    chosen = {labFolder("shard1"), labFolder("shard2")};
    DataSetWindow* window = openResults();
    ASSERT_NE(window, nullptr) << messages.join('\n').toStdString();
    // The same points as the unsharded run; only their timings differ.
    const DataSetOutcome whole = loadDataSet({(lab / "whole").string()});
    const DataSetOutcome& merged = window->outcome();
    ASSERT_EQ(merged.pictures, whole.pictures);
    ASSERT_EQ(merged.outcomes.size(), whole.outcomes.size());
    for (std::size_t p = 0; p < whole.outcomes.size(); ++p) {
        const std::vector<SweepPoint>& expected = whole.outcomes[p].sweep.points;
        const std::vector<SweepPoint>& shown = merged.outcomes[p].sweep.points;
        ASSERT_EQ(shown.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(shown[i].curve, expected[i].curve);
            EXPECT_EQ(shown[i].figures.codedSize, expected[i].figures.codedSize);
            EXPECT_EQ(shown[i].measures.picture.psnr, expected[i].measures.picture.psnr);
        }
    }
    EXPECT_NE(window->windowTitle().indexOf(" + "), -1) << "the caption names both folders";
}

TEST_F(OpenResultsGuiTest, FoldersThatDoNotReadAreNamedAndOpenNothing) {
#ifndef BRENLOW_CLI_PATH
    GTEST_SKIP() << "brenlow-cli is not built";
#endif
    ASSERT_TRUE(sweep({"--out", "shard1", "--shard", "1/2"}));
    ASSERT_TRUE(sweep({"--out", "other", "--measures", "ciede2000"}));
    const std::vector<QStringList> cases{
        {labFolder("set")},                         // pictures, no results
        {labFolder("shard1")},                      // half of a run
        {labFolder("shard1"), labFolder("other")},  // two different runs
    };
    for (const QStringList& folders : cases) {
        messages.clear();
        chosen = folders;
        EXPECT_EQ(openResults(), nullptr);
        ASSERT_EQ(messages.size(), 1) << folders.join(", ").toStdString();
        EXPECT_TRUE(messages[0].startsWith("The results in " + resultFoldersCaption(folders) + " could not be opened: "))
            << messages[0].toStdString();
        EXPECT_GT(messages[0].size(), ("The results in " + resultFoldersCaption(folders)).size() + 30);
    }
}

// What was measured is what opens: the decoded file of an evaluation, the kept picture of a codec
// run by commands (whose description the workbench does not have), and a plain message when the
// file has gone or changed since.
TEST_F(OpenResultsGuiTest, RowsOfPointsDecodedElsewhereOpenTheFileTheyWereMeasuredFrom) {
#ifndef BRENLOW_CLI_PATH
    GTEST_SKIP() << "brenlow-cli is not built";
#endif
    fs::create_directories(lab / "decoded" / "40");
    for (const char* name : {"a", "b"}) {
        QImage decoded = loadBitmapFile((lab / "set" / (std::string(name) + ".bmp")).string());
        decoded.setPixel(3, 4, qRgb(255, 0, 255));
        saveBitmapFile(decoded, (lab / "decoded" / "40" / (std::string(name) + ".bmp")).string());
        std::ofstream(lab / "decoded" / "40" / (std::string(name) + ".bin")) << "12345";
    }
    ASSERT_TRUE(cli({"evaluate", "--reference", "set", "--decoded", "decoded", "--name", "learned", "--out", "evaluated"}));
    std::ofstream(lab / "copy.json") << R"({"name": "copy", "encode": ["cp", "{input}", "{output}"],
        "decode": ["cp", "{input}", "{output}"], "format": "ppm", "extension": ".x", "quality": {"min": 0, "max": 100}})";
    ASSERT_TRUE(cli({"sweep", "set", "--codec-file", "copy.json", "--codecs", "copy", "--qualities", "50", "--out", "kept"}));

    chosen = {labFolder("evaluated")};
    DataSetWindow* window = openResults();
    ASSERT_NE(window, nullptr) << messages.join('\n').toStdString();
    openRow(*window, 0);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    ASSERT_EQ(form->findChildren<CompareWindow*>().size(), 1);
    const std::string decodedA = (lab / "decoded" / "40" / "a.bmp").string();
    EXPECT_EQ(lastDocument()->bitmap(), loadBitmapFile(decodedA)) << "the decoded file itself";

    const QImage other = loadBitmapFile((lab / "set" / "b.bmp").string());
    saveBitmapFile(other, decodedA);
    openRow(*window, 0);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("The decoded picture of this point has changed since it was measured"))
        << messages[0].toStdString();
    fs::remove(decodedA);
    openRow(*window, 0);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].startsWith("The decoded picture of this point is missing")) << messages[1].toStdString();
    EXPECT_TRUE(messages[1].contains(QString::fromStdString(decodedA)));
    window->close();

    messages.clear();
    chosen = {labFolder("kept")};
    form->FileOpenResults1->trigger();
    window = form->findChildren<DataSetWindow*>().last();
    openRow(*window, 1);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(lastDocument()->bitmap(), loadBitmapFile((lab / "set" / "b.bmp").string())) << "the kept PNG, lossless";
}

// What Qt shows of `text` in a label or tooltip of this format: laid out as HTML where Qt takes it
// for HTML.
QString shownText(const QString& text, Qt::TextFormat format = Qt::AutoText) {
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text))) return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

// The texts a chart draws: its title, axis titles, legend entries.
QStringList drawnTexts(const QChart& chart) {
    QStringList texts;
    for (const QGraphicsItem* item : chart.scene()->items())
        if (const auto* text = qgraphicsitem_cast<const QGraphicsTextItem*>(item)) texts << text->toPlainText();
    return texts;
}

// Caps this process's address space for a while: a label that reads /dev/zero then fails the
// test instead of taking the machine's memory.
class AddressSpaceCap {
public:
    explicit AddressSpaceCap(std::uint64_t headroom) {
        getrlimit(RLIMIT_AS, &before_);
        std::uint64_t pages = 0;
        if (kAddressSanitizer || !(std::ifstream("/proc/self/statm") >> pages)) return;
        rlimit capped = before_;
        capped.rlim_cur = std::min<rlim_t>(before_.rlim_cur, pages * sysconf(_SC_PAGESIZE) + headroom);
        active_ = setrlimit(RLIMIT_AS, &capped) == 0;
    }
    ~AddressSpaceCap() {
        if (active_) setrlimit(RLIMIT_AS, &before_);
    }
    AddressSpaceCap(const AddressSpaceCap&) = delete;
    AddressSpaceCap& operator=(const AddressSpaceCap&) = delete;

private:
    rlimit before_{};
    bool active_ = false;
};

// A handed folder's labels are text: the charts drew them as HTML, so an <img> showed a picture of
// this computer in the legend and /dev/zero ended the workbench; notes and captions took them for
// HTML as well.
TEST_F(OpenResultsGuiTest, LabelsFromAHandedFolderShowAsTypedWhereverTheyAppear) {
#ifndef BRENLOW_CLI_PATH
    GTEST_SKIP() << "brenlow-cli is not built";
#endif
    QImage secret(8, 8, QImage::Format_RGB32);
    secret.fill(Qt::red);
    ASSERT_TRUE(secret.save(QString::fromStdString((lab / "secret.png").string()), "PNG"));
    const QString local = QStringLiteral("<img src=\"%1\">").arg(QString::fromStdString((lab / "secret.png").string()));
    const QStringList labels{local, "<b>x</b>", "&lt;", "<img src=\"/dev/zero\">"};
    ASSERT_TRUE(cli({"sweep", "set", "--qualities", "30,70", "--out", "labelled", "--codecs",
                     "jpeg:label=" + labels[0] + ",jpeg:optimize=1:label=" + labels[1] + ",ajc:label=" + labels[2] +
                         ",avc:label=" + labels[3]}));
    chosen = {labFolder("labelled")};
    const AddressSpaceCap cap(4ull << 30);
    DataSetWindow* window = openResults();
    ASSERT_NE(window, nullptr) << messages.join('\n').toStdString();
    QApplication::processEvents();

    for (const char* name : {"PsnrChart", "MeasureChart"}) {
        const QStringList drawn = drawnTexts(*window->findChild<QChartView*>(name)->chart());
        for (const QString& label : labels) {
            // A long entry may be shortened to fit the legend.
            const bool shown = std::any_of(drawn.begin(), drawn.end(), [&label](const QString& text) {
                return text == label || (text.endsWith("...") && text.size() > 4 && label.startsWith(text.chopped(3)));
            });
            EXPECT_TRUE(shown) << name << ": " << label.toStdString() << " in " << drawn.join(" | ").toStdString();
        }
    }
    // The anchor is the JPEG at its defaults: the notes name it.
    ASSERT_EQ(window->anchor(), local.toStdString());
    for (const char* name : {"DeltaRates", "DeltaSummaryNote"}) {
        const auto* note = window->findChild<QLabel*>(name);
        EXPECT_TRUE(shownText(note->text(), note->textFormat()).contains(local)) << name;
    }

    auto* table = window->findChild<QTableWidget*>("PictureTable");
    int row = 0;
    while (row < table->rowCount() && table->item(row, 1)->text() != labels[1]) ++row;
    ASSERT_LT(row, table->rowCount()) << "the table shows the label";
    openRow(*window, row);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const QList<CompareWindow*> compared = form->findChildren<CompareWindow*>();
    ASSERT_EQ(compared.size(), 1);
    const auto* caption = compared.first()->findChild<QLabel*>("ResultCaption");
    EXPECT_TRUE(shownText(caption->text(), caption->textFormat()).contains(", <b>x</b> at quality "))
        << caption->text().toStdString();

    auto* line = static_cast<QLineSeries*>(window->findChild<QChartView*>("PsnrChart")->chart()->series()[1]);
    emit line->hovered(line->at(0), true);
    EXPECT_TRUE(shownText(QToolTip::text()).startsWith("<b>x</b>, quality ")) << QToolTip::text().toStdString();
}

TEST(ResultFoldersTest, PicturesAreFoundAsGivenBesideTheFolderOrInItsParent) {
    TempDir dir;
    fs::create_directories(dir.path() / "lab" / "results");
    fs::create_directories(dir.path() / "lab" / "set");
    saveBitmapFile(QImage(4, 4, QImage::Format_BGR888), (dir.path() / "lab" / "set" / "a.bmp").string());
    const QStringList folders{QString::fromStdString((dir.path() / "lab" / "results").string())};
    const std::string inLab = (dir.path() / "lab" / "set" / "a.bmp").string();
    EXPECT_EQ(resultPictureFile(inLab, folders), inLab);
    EXPECT_EQ(resultPictureFile("set/a.bmp", folders), inLab);
    EXPECT_EQ(resultPictureFile("set/gone.bmp", folders), "set/gone.bmp");
}

TEST(ResultFoldersTest, AnchorIsJpegWhereTheRunHasItElseTheFirstCurve) {
    EXPECT_EQ(resultAnchorOf(curvesNamed({"ajc", "jpeg"})), "jpeg");
    EXPECT_EQ(resultAnchorOf(curvesNamed({"ajc", "avc"})), "ajc");
    EXPECT_EQ(resultAnchorOf({}), "");
}

}  // namespace
}  // namespace brenlow::testing
