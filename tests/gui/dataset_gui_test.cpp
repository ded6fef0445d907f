#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QJsonDocument>
#include <QJsonArray>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QXYSeries>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "app/dialogs/dataset_pictures.h"
#include "app/dialogs/sweep_dialog.h"
#include "app/jobs/dataset_progress.h"
#include "app/jobs/dataset_run_panel.h"
#include "app/shell/codec_titles.h"
#include "app/shell/dataset_results.h"
#include "app/shell/mdi_child.h"
#include "app/windows/compare_window.h"
#include "app/windows/dataset_window.h"
#include "app/windows/sweep_window.h"
#include "gui_fixture.h"
#include "io/bitmap_file.h"
#include "io/folder_lock.h"
#include "measures/butteraugli.h"
#include "measures/measures.h"
#include "results/dataset_run.h"
#include "support/dataset_pictures.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The delta rates with each picture known by its file name: the workbench names the pictures by
// their whole paths, the command line as they were typed.
QJsonObject deltasByFileName(QJsonObject rates) {
    QJsonObject perPicture = rates["per_picture"].toObject();
    for (const QString& key : perPicture.keys()) {
        QJsonObject row = perPicture[key].toObject();
        for (const char* delta : {"rate_percent", "quality_delta"}) {
            QJsonObject summary = row[delta].toObject();
            QJsonArray named;
            for (const QJsonValue& each : summary["pictures"].toArray()) {
                QJsonObject picture = each.toObject();
                picture["picture"] =
                    QString::fromStdString(fs::path(picture["picture"].toString().toStdString()).filename().string());
                named.append(picture);
            }
            summary["pictures"] = named;
            row[delta] = summary;
        }
        perPicture[key] = row;
    }
    rates["per_picture"] = perPicture;
    return rates;
}

class DataSetGuiTest : public WorkbenchTest {
protected:
    // Three small pictures of different content, the data set the tests sweep.
    DataSetGuiTest() : folder(dir.path() / "set") {
        fs::create_directory(folder);
        const std::vector<std::pair<std::string, std::string>> sources{
            {samplePath("astronaut.bmp"), "a.bmp"}, {testDataPath("chelsea.bmp"), "b.bmp"},
            {testDataPath("coffee.bmp"), "c.bmp"}};
        for (const auto& [source, name] : sources)
            saveBitmapFile(loadBitmapFile(source).copy(40, 40, 72, 64), (folder / name).string());
        form->askDataSetFolder = [this](const QString& start) {
            startsOffered << start;
            return QString::fromStdString(folder.string());
        };
        form->askSweepChoice = [](SweepDialog& dialog) {
            dialog.clearCurves();
            for (const char* curve : {"jpeg", "ajc"}) EXPECT_TRUE(dialog.addCurve(curve));
            dialog.findChild<QLineEdit*>("SweepQualities")->setText("20,40,60,90");
            dialog.findChild<QCheckBox*>("SweepMsSsim")->setChecked(false);
            dialog.findChild<QCheckBox*>("SweepCiede2000")->setChecked(true);
            // Butteraugli as a first sweep offers it, whatever an earlier test in this process left remembered.
            if (auto* butteraugli = dialog.findChild<QCheckBox*>("SweepButteraugli"); butteraugli->isEnabled())
                butteraugli->setChecked(SweepRequest().measures.takes("butteraugli"));
            auto* anchors = dialog.findChild<QComboBox*>("SweepAnchor");
            anchors->setCurrentIndex(anchors->findText(codecTitle(StillCodec::Jpeg)));
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            return dialog.result() == QDialog::Accepted;
        };
    }

    // Starts a data set sweep and waits for its end.
    void runDataSet() {
        form->DataSetSweep1->trigger();
        EXPECT_TRUE(waitForDataSetRun());
    }

    DataSetWindow* sweepDataSet() {
        runDataSet();
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        const QList<DataSetWindow*> windows = form->findChildren<DataSetWindow*>();
        EXPECT_EQ(windows.size(), 1);
        return windows.size() == 1 ? windows.first() : nullptr;
    }

    // Pictures thirteen times as large after the three small ones: a run is still under way when a
    // Cancel lands, however busy the machine.
    void addLargePictures(int count) {
        const QImage large = loadBitmapFile(samplePath("astronaut.bmp")).copy(0, 0, 256, 256);
        for (int copy = 0; copy < count; ++copy)
            saveBitmapFile(large, (folder / ("e" + std::to_string(copy) + ".bmp")).string());
    }

    // Clicks Cancel in the progress dialog once these files are there.
    void cancelOnceFiled(const std::vector<fs::path>& files) {
        QObject::connect(&canceller, &QTimer::timeout, form.get(), [this, files] {
            DataSetRunPanel* panel = form->DataSetProgress1;
            if (panel->isVisible() &&
                std::all_of(files.begin(), files.end(), [](const fs::path& file) { return fs::exists(file); })) {
                canceller.stop();
                panel->cancelButton()->click();
            }
        });
        canceller.start(0);
    }

    fs::path folder;
    QStringList startsOffered;
    QTimer canceller;
};

// The items a result folder holds, each file with the time it was written.
std::map<fs::path, fs::file_time_type> filedItems(const fs::path& results) {
    std::map<fs::path, fs::file_time_type> items;
    for (const fs::directory_entry& entry : fs::directory_iterator(results))
        if (entry.path().extension() == ".json" && entry.path() != manifestPath(results.string()))
            items[entry.path()] = entry.last_write_time();
    return items;
}

std::set<fs::path> foldersIn(const fs::path& home) {
    std::set<fs::path> folders;
    if (fs::exists(home))
        for (const fs::directory_entry& entry : fs::directory_iterator(home)) folders.insert(entry.path());
    return folders;
}

// A folder worked in holds the workbench's own outputs: both front ends leave them out, so the same
// folder is the same data set with the same figures wherever it is swept.
TEST_F(DataSetGuiTest, AWorkedInFolderIsTheSameDataSetFromTheCommandLine) {
#ifndef BRENLOW_CLI_PATH
    GTEST_SKIP() << "brenlow-cli is not built";
#else
    saveBitmapFile(patternBitmap(72, 64), (folder / "a~.bmp").string());
    fs::copy_file(folder / "b.bmp", folder / "b~.bmp");
    saveBitmapFile(patternBitmap(72, 64), (folder / "c.jpg").string());
    DataSetWindow* window = sweepDataSet();
    ASSERT_NE(window, nullptr);
    const QString measuresOfTheDialog = butteraugliAvailable() ? "ciede2000,butteraugli" : "ciede2000";
    QProcess cli;
    cli.setWorkingDirectory(QString::fromStdString(dir.path().string()));
    cli.start(QStringLiteral(BRENLOW_CLI_PATH), {"sweep", QString::fromStdString(folder.string()), "--codecs", "jpeg,ajc",
                                                 "--qualities", "20,40,60,90", "--measures", measuresOfTheDialog,
                                                 "--aggregate-csv", "cli.csv"});
    ASSERT_TRUE(cli.waitForFinished(120000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    const std::string notes = cli.readAllStandardError().toStdString();
    EXPECT_NE(notes.find("a~.bmp\" (a decoded result)"), std::string::npos) << notes;
    EXPECT_NE(notes.find("c.jpg\" (coded from c.bmp)"), std::string::npos) << notes;
    EXPECT_EQ(window->outcome().pictures.size(), 3u);
    EXPECT_EQ(withoutLastColumns(aggregateCsv(window->outcome()), kAggregateCsvTimingColumns),
              withoutLastColumns(fileText(dir.path() / "cli.csv"), kAggregateCsvTimingColumns));
#endif
}

TEST_F(DataSetGuiTest, DataSetSweepGivesTheAggregateOfTheCommandLineAndExportsIt) {
#ifndef BRENLOW_CLI_PATH
    GTEST_SKIP() << "brenlow-cli is not built";
#else
    DataSetWindow* window = sweepDataSet();
    ASSERT_NE(window, nullptr);
    const DataSetOutcome& outcome = window->outcome();
    ASSERT_EQ(outcome.pictures.size(), 3u);

    // The dialog left Butteraugli as every front end takes it by default.
    const QString measuresOfTheDialog = butteraugliAvailable() ? "ciede2000,butteraugli" : "ciede2000";
    QProcess cli;
    cli.setWorkingDirectory(QString::fromStdString(dir.path().string()));
    cli.start(QStringLiteral(BRENLOW_CLI_PATH), {"sweep", "set", "--codecs", "jpeg,ajc", "--qualities", "20,40,60,90",
                                                 "--measures", measuresOfTheDialog, "--aggregate-csv", "cli.csv",
                                                 "--json"});
    ASSERT_TRUE(cli.waitForFinished(120000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    const std::string expected = fileText(dir.path() / "cli.csv");
    ASSERT_FALSE(expected.empty());
    const QJsonObject cliJson = withoutTimes(cli.readAllStandardOutput().toStdString());

    QStringList filters;
    window->askSaveName = [&](const QString&, const QString& filter) {
        filters << filter;
        const char* names[] = {"aggregate", "points.csv", "set", "report"};
        return QString::fromStdString(dir.file(names[filters.size() - 1]));
    };
    window->findChild<QPushButton*>("ExportAggregateCsv")->click();
    EXPECT_EQ(withoutLastColumns(fileText(dir.path() / "aggregate.csv"), kAggregateCsvTimingColumns),
              withoutLastColumns(expected, kAggregateCsvTimingColumns));
    window->findChild<QPushButton*>("ExportCsv")->click();
    EXPECT_EQ(fileText(dir.path() / "points.csv"), dataSetCsv(outcome));
    window->findChild<QPushButton*>("ExportJson")->click();
    const QJsonObject exported = withoutTimes(fileText(dir.path() / "set.json"));
    ASSERT_EQ(cliJson["aggregate"].toArray().size(), 2 * 4);
    EXPECT_EQ(exported["aggregate"], cliJson["aggregate"]);
    EXPECT_EQ(deltasByFileName(exported["bd_rate"].toObject()), deltasByFileName(cliJson["bd_rate"].toObject()));
    EXPECT_EQ(cliJson["bd_rate"]["per_picture"]["ajc/psnr/pchip"]["rate_percent"]["pictures"][0]["picture"],
              "set/a.bmp");
    EXPECT_EQ(exported["parameters"], cliJson["parameters"]);
    if (auto* report = window->findChild<QPushButton*>("ExportHtmlReport")) {
        report->click();
        const std::string html = fileText(dir.path() / "report.html");
        EXPECT_NE(html.find("<svg"), std::string::npos);
        EXPECT_NE(html.find("c.bmp"), std::string::npos) << "the report names every picture";
        EXPECT_EQ(filters.last(), "HTML (*.html)");
    } else {
        EXPECT_FALSE(DataSetWindow::htmlReportBuilt());
    }

    const auto* psnr = window->findChild<QChartView*>("PsnrChart");
    ASSERT_EQ(psnr->chart()->series().size(), 2);
    const auto* ajc = static_cast<QXYSeries*>(psnr->chart()->series().at(1));
    EXPECT_EQ(ajc->name(), codecTitle(StillCodec::Ajc));
    const std::vector<RatePoint> curve = aggregateCurve(outcome, "ajc", CurveMeasure("psnr"));
    ASSERT_EQ(ajc->count(), static_cast<int>(curve.size()));
    EXPECT_DOUBLE_EQ(ajc->at(2).x(), curve[2].rate);
    EXPECT_DOUBLE_EQ(ajc->at(2).y(), curve[2].quality);

    const auto* deltas = window->findChild<QTableWidget*>("DeltaTable");
    ASSERT_NE(deltas, nullptr);
    EXPECT_EQ(deltas->rowCount(), static_cast<int>(aggregateDeltaTable(outcome, "jpeg").size() / 2));
    const auto* summary = window->findChild<QTableWidget*>("DeltaSummaryTable");
    ASSERT_NE(summary, nullptr);
    const PerPictureDeltas first = perPictureDeltaTable(outcome, "jpeg").front();
    EXPECT_EQ(summary->item(0, 4)->text(), QString::fromStdString(formatMeasure(first.rate.mean, 2)));
    EXPECT_EQ(summary->item(0, 9)->text(), "3");
    EXPECT_EQ(window->findChild<QTableWidget*>("PictureTable")->rowCount(), 3 * 2 * 4);

    // The next run offers the folder swept last.
    window->close();
    runDataSet();
    ASSERT_EQ(startsOffered.size(), 2);
    EXPECT_EQ(startsOffered[1], QString::fromStdString(folder.string()));
#endif
}

TEST_F(DataSetGuiTest, PictureRowOpensThePictureAndItsPointInTheCompareView) {
    DataSetWindow* window = sweepDataSet();
    ASSERT_NE(window, nullptr);
    auto* table = window->findChild<QTableWidget*>("PictureTable");
    // Rows go picture by picture, codec by codec, quality by quality: the second picture's AJC at 60.
    const int row = 8 + 4 + 2;
    ASSERT_EQ(table->item(row, 0)->text(), "b.bmp");
    ASSERT_EQ(table->item(row, 1)->text(), codecTitle(StillCodec::Ajc));
    table->setCurrentCell(row, 0);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(table, &enter);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    ASSERT_EQ(documentCount(), 2);
    EXPECT_EQ(form->documents().first()->windowTitle().toStdString(), (folder / "b.bmp").string());
    const QList<CompareWindow*> compares = form->findChildren<CompareWindow*>();
    ASSERT_EQ(compares.size(), 1);
    EXPECT_EQ(compares.first()->windowTitle(), "Compare: " + lastDocument()->windowTitle());

    // The decoded window holds the very point the sweep measured.
    const SweepPoint& point = window->outcome().outcomes[1].sweep.points[6];
    const PictureMeasures measures =
        measurePictures(loadBitmapFile((folder / "b.bmp").string()), lastDocument()->bitmap());
    EXPECT_DOUBLE_EQ(measures.psnr, measureOf(point, CurveMeasure("psnr")));
    EXPECT_DOUBLE_EQ(measures.ssimLuma, measureOf(point, CurveMeasure("ssim_y")));
}

// A picture that cannot be read fails its own items: the data set window shows the others and a
// message names the failed items with their reasons.
TEST_F(DataSetGuiTest, APictureThatFailsIsNamedAndTheOthersAreShown) {
    std::ofstream(folder / "d_text.png") << "not a picture";
    runDataSet();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith("2 of the data set's items failed")) << messages.first().toStdString();
    EXPECT_TRUE(messages.first().contains("d_text.png")) << messages.first().toStdString();
    const QList<DataSetWindow*> windows = form->findChildren<DataSetWindow*>();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows.first()->outcome().failed.size(), 2u);
}

TEST_F(DataSetGuiTest, CancelledDataSetSweepShowsNothing) {
    form->DataSetSweep1->trigger();
    EXPECT_TRUE(form->DataSetProgress1->isVisible());
    form->DataSetProgress1->cancelButton()->click();
    EXPECT_TRUE(waitForDataSetRun());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(form->findChildren<DataSetWindow*>().isEmpty());
    EXPECT_FALSE(form->DataSetProgress1->isVisible());
    EXPECT_EQ(documentCount(), 0);
    EXPECT_TRUE(form->DataSetSweep1->isEnabled()) << "the workbench is ready for the next command";
}

// A data set cancelled half way keeps its finished items in the folder picked for it; the same data
// set run again there takes them as they are, makes only the rest and says so; the folder then opens
// as the whole data set, in File > Open Results and on the command line.
TEST_F(DataSetGuiTest, ACancelledDataSetResumesInItsFolderWhichThenOpensWhole) {
    const struct Forget {
        ~Forget() { rememberDataSetResults({}); }
    } forget;
    addLargePictures(4);
    const fs::path results = dir.path() / "kept";
    const QString resultsName = QString::fromStdString(results.string());
    QStringList offered;
    form->askDataSetPictures = [&](DataSetPictureList& list) {
        auto* field = list.findChild<QLineEdit*>("DataSetResultFolder");
        if (field == nullptr) {
            ADD_FAILURE() << "the dialog offers no result folder";
            return false;
        }
        offered << field->text();
        // Typed as a name in the working folder the first time, offered whole the next.
        if (field->text().isEmpty()) field->setText("kept");
        return true;
    };
    const std::string first = (folder / "a.bmp").string();
    cancelOnceFiled({results / resultFileName(first, "jpeg"), results / resultFileName(first, "ajc")});
    DataSetWindow* partial = sweepDataSet();
    ASSERT_NE(partial, nullptr);
    EXPECT_TRUE(partial->windowTitle().contains(" - partial: cancelled after ")) << partial->windowTitle().toStdString();
    const std::size_t picturesShown = partial->outcome().pictures.size();
    const std::map<fs::path, fs::file_time_type> filed = filedItems(results);
    EXPECT_GE(filed.size(), 2 * picturesShown);
    ASSERT_LT(filed.size(), 14u);
    EXPECT_EQ(form->statusBar()->currentMessage(),
              QStringLiteral("%1 items made, 0 taken as they were in \"%2\"").arg(filed.size()).arg(resultsName));
    partial->close();
    settleClosedWindows();

    DataSetWindow* whole = sweepDataSet();
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(offered, QStringList({"", resultsName})) << "the folder picked is offered again, as a whole path";
    EXPECT_FALSE(whole->windowTitle().contains("partial"));
    EXPECT_EQ(whole->outcome().pictures.size(), 7u);
    EXPECT_EQ(form->statusBar()->currentMessage(), QStringLiteral("%1 items made, %2 taken as they were in \"%3\"")
                                                       .arg(14 - filed.size())
                                                       .arg(filed.size())
                                                       .arg(resultsName));
    const std::map<fs::path, fs::file_time_type> after = filedItems(results);
    EXPECT_EQ(after.size(), 14u);
    for (const auto& [file, written] : filed) EXPECT_EQ(after.at(file), written) << file << " was made again";
    const std::string csv = dataSetCsv(whole->outcome());
    whole->close();
    settleClosedWindows();

    EXPECT_EQ(dataSetCsv(loadDataSet({results.string()})), csv);
    QString offeredToOpen;
    form->askResultFolders = [&](const QString& start) {
        offeredToOpen = start;
        return QStringList{resultsName};
    };
    form->FileOpenResults1->trigger();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const QList<DataSetWindow*> opened = form->findChildren<DataSetWindow*>();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(offeredToOpen, resultsName) << "Open Results offers the folder of the last data set";
    EXPECT_EQ(dataSetCsv(opened.first()->outcome()), csv);
#ifdef BRENLOW_CLI_PATH
    QProcess cli;
    cli.start(QStringLiteral(BRENLOW_CLI_PATH), {"report", resultsName, "--html", "report.html"});
    ASSERT_TRUE(cli.waitForFinished(120000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_NE(fileText(dir.path() / "report.html").find("e3.bmp"), std::string::npos);
#endif
}

// The folder of a cancelled run opens later as the partial data set that run showed, said alike.
TEST_F(DataSetGuiTest, TheFolderOfACancelledRunOpensAsThePartialDataSetItShowed) {
    const struct Forget {
        ~Forget() { rememberDataSetResults({}); }
    } forget;
    addLargePictures(4);
    const fs::path results = dir.path() / "stopped";
    form->askDataSetPictures = [&](DataSetPictureList& list) {
        auto* field = list.findChild<QLineEdit*>("DataSetResultFolder");
        if (field != nullptr) field->setText(QString::fromStdString(results.string()));
        return field != nullptr;
    };
    const std::string first = (folder / "a.bmp").string();
    cancelOnceFiled({results / resultFileName(first, "jpeg"), results / resultFileName(first, "ajc")});
    DataSetWindow* cancelled = sweepDataSet();
    ASSERT_NE(cancelled, nullptr);
    const QString partial = cancelled->windowTitle().mid(cancelled->windowTitle().indexOf(" - partial: "));
    EXPECT_TRUE(partial.startsWith(" - partial: cancelled after ")) << cancelled->windowTitle().toStdString();
    const std::string csv = dataSetCsv(cancelled->outcome());
    cancelled->close();
    settleClosedWindows();

    form->askResultFolders = [&](const QString&) { return QStringList{QString::fromStdString(results.string())}; };
    form->FileOpenResults1->trigger();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const QList<DataSetWindow*> opened = form->findChildren<DataSetWindow*>();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened.first()->windowTitle().endsWith(partial)) << opened.first()->windowTitle().toStdString();
    EXPECT_EQ(dataSetCsv(opened.first()->outcome()), csv);
}

// A folder another run is filing into is refused before anything is coded, naming it.
TEST_F(DataSetGuiTest, AResultFolderInUseByAnotherRunIsNamedAndNothingRuns) {
    const struct Forget {
        ~Forget() { rememberDataSetResults({}); }
    } forget;
    const fs::path results = dir.path() / "busy";
    fs::create_directory(results);
    const FolderLock otherRun(results.string(), FolderLock::Use::Writing);
    form->askDataSetPictures = [&](DataSetPictureList& list) {
        if (auto* field = list.findChild<QLineEdit*>("DataSetResultFolder"))
            field->setText(QString::fromStdString(results.string()));
        return true;
    };
    runDataSet();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith("The result folder is in use by another run")) << messages.first().toStdString();
    EXPECT_TRUE(messages.first().contains(QString::fromStdString(results.string()))) << messages.first().toStdString();
    EXPECT_TRUE(form->findChildren<DataSetWindow*>().isEmpty());
    EXPECT_FALSE(fs::exists(manifestPath(results.string())));
}

// Left to itself, each data set gets a folder of its own among the user's results, named by the day
// and the codecs, which opens as that data set.
TEST_F(DataSetGuiTest, EachDataSetIsFiledInANewFolderNamedByTheDayAndTheCodecs) {
    const fs::path home = workbenchResultsHome().toStdString();
    const std::set<fs::path> before = foldersIn(home);
    QStringList titles;
    for (int run = 0; run < 2; ++run) {
        DataSetWindow* window = sweepDataSet();
        ASSERT_NE(window, nullptr);
        titles << window->windowTitle();
        window->close();
        settleClosedWindows();
    }
    std::vector<fs::path> made;
    for (const fs::path& found : foldersIn(home))
        if (!before.contains(found)) made.push_back(found);
    ASSERT_EQ(made.size(), 2u);
    const std::string name = QDate::currentDate().toString(Qt::ISODate).toStdString() + " jpeg ajc";
    for (const fs::path& results : made) {
        EXPECT_TRUE(results.filename().string().starts_with(name)) << results;
        EXPECT_EQ(loadDataSet({results.string()}).pictures.size(), 3u) << results;
        EXPECT_EQ(filedItems(results).size(), 6u) << results;
    }

    TempDir other;
    std::vector<CodecCurve> curves = defaultCurves({StillCodec::Jpeg});
    curves.push_back(defaultCurve(StillCodec::Ajc));
    curves.back().name = "ajc:focus/3";
    const QString dated = datedResultFolder(QString::fromStdString(other.path().string()), curves, QDate(2026, 12, 9));
    EXPECT_EQ(dated.toStdString(), (other.path() / "2026-12-09 jpeg ajc_focus_3").string());
    fs::create_directory(dated.toStdString());
    EXPECT_EQ(datedResultFolder(QString::fromStdString(other.path().string()), curves, QDate(2026, 12, 9)),
              dated + " 2");
    // The same folder swept twice: the windows are told apart by a number.
    ASSERT_EQ(titles.size(), 2);
    EXPECT_EQ(titles[1], titles[0] + " (2)");
}

// The workbench's own outputs beside a data set's pictures are left out: each picture counts once.
TEST(DataSetPicturesTest, LeavesOutDecodedResultsAndFilesCodedFromAPictureBesideThem) {
    struct Case {
        std::vector<std::string> found;
        std::vector<std::string> kept;
        std::vector<std::string> outputs;
    };
    const std::vector<Case> cases{
        {{"s/a.bmp", "s/a~.bmp", "s/b.png"}, {"s/a.bmp", "s/b.png"}, {"a~.bmp (a decoded result)"}},
        {{"s/a.bmp", "s/a.jpg", "s/a.webp"}, {"s/a.bmp"}, {"a.jpg (coded from a.bmp)", "a.webp (coded from a.bmp)"}},
        {{"s/a.jpg", "s/a.webp", "s/a~.jpg"}, {"s/a.jpg"}, {"a.webp (coded from a.jpg)", "a~.jpg (a decoded result)"}},
        {{"s/a.jpg", "s/b.webp", "t/a.webp"}, {"s/a.jpg", "s/b.webp", "t/a.webp"}, {}},
        {{"s/a.png", "s/a.tif"}, {"s/a.png", "s/a.tif"}, {}},
    };
    for (const Case& c : cases) {
        const PictureSelection selection = leaveOutOwnOutputs(c.found);
        EXPECT_EQ(selection.pictures, c.kept) << c.found.front();
        EXPECT_EQ(selection.outputs, c.outputs) << c.found.front();
    }
}

// The progress names the items the run says are under way, numbered in run order, never an item
// guessed from the points done: with two threads two items run at once, a picture apart or not.
TEST(DataSetPicturesTest, ProgressNamesTheItemsUnderWayAndTheTimeLeft) {
    DataSetRun run;
    run.pictures = {"set/a.bmp", "set/b.bmp"};
    run.settings.curves = defaultCurves({StillCodec::Jpeg, StillCodec::Ajc});
    run.settings.qualities = {20, 40, 60, 90};
    const auto at = [](int done, double secondsLeft, std::vector<std::string> running) {
        Progress progress;
        progress.done = done;
        progress.total = 16;
        progress.secondsLeft = secondsLeft;
        progress.running = std::move(running);
        return progress;
    };
    const std::vector<std::pair<Progress, QString>> cases{
        {at(0, -1, {}), "Starting 4 items; estimating the time left..."},
        {at(1, 135, {"ajc on set/a.bmp"}), "Item 2 of 4: a.bmp with AJC; about 2 min 15 s left"},
        // Points done say item 1, but the threads hold the picture's first item and the next picture's.
        {at(3, 11, {"ajc on set/a.bmp", "jpeg on set/b.bmp"}),
         "Items 2 and 3 of 4: a.bmp with AJC, b.bmp with JPEG; about 11 s left"},
        {at(9, 1, {"jpeg on set/b.bmp", "ajc on set/b.bmp", "ajc on set/a.bmp"}),
         "Items 3, 4 and 2 of 4: b.bmp with JPEG, b.bmp with AJC, a.bmp with AJC; about 1 s left"},
        {at(16, 0, {}), "All 4 items done; about 0 s left"},
    };
    for (const auto& [progress, text] : cases) EXPECT_EQ(dataSetProgressText(run, progress), text) << progress.done;
}

// While a data set runs, its progress is in the status bar, keeps one width whatever it says, and
// the workbench opens and codes other pictures; the run's window comes when it ends.
TEST_F(DataSetGuiTest, TheWorkbenchStaysInUseWhileADataSetRuns) {
    addLargePictures(6);
    form->DataSetSweep1->trigger();
    ASSERT_TRUE(form->dataSetRunning());
    DataSetRunPanel* panel = form->DataSetProgress1;
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(form->DataSetSweep1->isEnabled()) << "one data set at a time";
    const QWidget* text = panel->findChild<QWidget*>("DataSetProgressText");
    ASSERT_NE(text, nullptr);
    const int width = text->width();

    openCopy(samplePath("astronaut.bmp"));
    ASSERT_EQ(documentCount(), 1);
    form->JPEG1->trigger();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(documentCount(), 2) << "coded while the data set runs";
    EXPECT_TRUE(form->findChildren<DataSetWindow*>().isEmpty());

    QStringList seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, form.get(), [&] {
        if (seen.isEmpty() || seen.last() != panel->labelText()) seen << panel->labelText();
        EXPECT_EQ(text->width(), width);
    });
    watch.start(5);
    ASSERT_TRUE(waitForDataSetRun());
    watch.stop();
    EXPECT_GT(seen.size(), 2);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(form->findChildren<DataSetWindow*>().size(), 1);
    EXPECT_TRUE(form->DataSetSweep1->isEnabled());
}

// Closing the workbench during a run asks first; stopping keeps the items finished, filed in the
// run's folder, and the workbench closes once the run has stopped. Kept running, nothing closes.
TEST_F(DataSetGuiTest, ClosingDuringARunAsksAndStopsItKeepingWhatIsFiled) {
    addLargePictures(8);
    form->askStopDataSet = [this](const QString& question) {
        questions << question;
        return false;
    };
    form->DataSetSweep1->trigger();
    ASSERT_TRUE(form->dataSetRunning());
    EXPECT_FALSE(form->close());
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].startsWith("A data set sweep is under way")) << questions[0].toStdString();
    EXPECT_TRUE(form->dataSetRunning()) << "kept running when the user says so";
    EXPECT_TRUE(form->isVisible());

    form->askStopDataSet = [this](const QString& question) {
        questions << question;
        return true;
    };
    EXPECT_FALSE(form->close()) << "the window waits for the run to stop";
    EXPECT_FALSE(form->close());
    EXPECT_EQ(questions.size(), 2) << "asked once only";
    ASSERT_TRUE(waitForDataSetRun());
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->findChildren<DataSetWindow*>().isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// Exit names the windows whose results are saved nowhere and asks; a data set filed in a result
// folder is said to be there. Without a window that would lose results, exit asks nothing.
TEST_F(DataSetGuiTest, ExitAsksForResultsSavedNowhereAndSaysWhereFiledOnesAre) {
    DataSetWindow* dataSet = sweepDataSet();
    ASSERT_NE(dataSet, nullptr);
    ASSERT_EQ(dataSet->resultFolders.size(), 1u);
    EXPECT_TRUE(form->close()) << "a data set filed on disk loses nothing";
    EXPECT_TRUE(questions.isEmpty()) << questions.join('\n').toStdString();

    form->show();
    dataSet->show();
    openCopy((folder / "a.bmp").string());
    form->Sweep1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const QList<SweepWindow*> sweeps = form->findChildren<SweepWindow*>();
    ASSERT_EQ(sweeps.size(), 1);
    form->askDiscardResults = [this](const QString& question) {
        questions << question;
        return false;
    };
    EXPECT_FALSE(form->close());
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains(sweeps.first()->windowTitle())) << questions[0].toStdString();
    EXPECT_TRUE(questions[0].contains(QString::fromStdString(dataSet->resultFolders.front()))) << questions[0].toStdString();
    EXPECT_TRUE(form->isVisible());
}

// A folder that holds earlier outputs: the list shows the pictures alone, says what it left out
// and counts the runs of the pictures still ticked; the sweep takes those.
TEST_F(DataSetGuiTest, PictureListLeavesOutOutputsAndSweepsTheTickedPictures) {
    saveBitmapFile(patternBitmap(72, 64), (folder / "a~.bmp").string());
    fs::copy_file(samplePath("astronaut.bmp"), folder / "b.jpg");
    saveBitmapFile(patternBitmap(72, 64), (folder / "d.bmp").string());
    QStringList listed;
    QString leftOut;
    QStringList runs;
    form->askDataSetPictures = [&](DataSetPictureList& list) {
        for (int row = 0; row < list.list()->count(); ++row) listed << list.list()->item(row)->text();
        leftOut = list.findChild<QLabel*>("DataSetLeftOut")->text();
        runs << list.runsText();
        list.list()->item(1)->setCheckState(Qt::Unchecked);
        runs << list.runsText();
        return true;
    };
    DataSetWindow* window = sweepDataSet();
    EXPECT_EQ(listed, QStringList({"a.bmp", "b.bmp", "c.bmp", "d.bmp"}));
    EXPECT_TRUE(leftOut.contains("a~.bmp (a decoded result)")) << leftOut.toStdString();
    EXPECT_TRUE(leftOut.contains("b.jpg (coded from b.bmp)")) << leftOut.toStdString();
    EXPECT_EQ(runs, QStringList({"4 pictures x 2 codecs x 4 qualities = 32 runs",
                                 "3 pictures x 2 codecs x 4 qualities = 24 runs"}));
    ASSERT_NE(window, nullptr);
    const std::vector<std::string> expected{(folder / "a.bmp").string(), (folder / "c.bmp").string(),
                                            (folder / "d.bmp").string()};
    EXPECT_EQ(window->outcome().pictures, expected);
    EXPECT_FALSE(window->windowTitle().contains("partial"));
}

TEST_F(DataSetGuiTest, UntickingEveryPictureLeavesNothingToStart) {
    bool startEnabled = true;
    form->askDataSetPictures = [&](DataSetPictureList& list) {
        for (int row = 0; row < list.list()->count(); ++row) list.list()->item(row)->setCheckState(Qt::Unchecked);
        startEnabled = list.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled();
        return false;
    };
    runDataSet();
    EXPECT_FALSE(startEnabled);
    EXPECT_TRUE(form->findChildren<DataSetWindow*>().isEmpty());
}

// Cancel once some pictures are done: they are shown as a partial data set, marked so.
TEST_F(DataSetGuiTest, CancelKeepsTheFinishedPicturesAsAPartialDataSet) {
    addLargePictures(12);
    QString label;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, form.get(), [&] {
        DataSetRunPanel* dialog = form->DataSetProgress1;
        // Two codecs at four qualities: a picture is eight points, each item four. Items under way when
        // the cancel lands are dropped, so a loaded machine's threads may leave every picture of the
        // first eight points half done; at 24 points at least five items are filed, of which two
        // items under way cannot break every pair.
        if (dialog->isVisible() && dialog->value() >= 24) {
            watch.stop();
            label = dialog->labelText();
            dialog->cancelButton()->click();
        }
    });
    watch.start(0);
    DataSetWindow* window = sweepDataSet();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(label.startsWith("Item")) << label.toStdString();
    EXPECT_TRUE(label.contains(" of 30: ")) << label.toStdString();
    EXPECT_TRUE(label.contains(" left")) << label.toStdString();
    const std::size_t done = window->outcome().pictures.size();
    EXPECT_GE(done, 1u);
    EXPECT_LT(done, 15u);
    EXPECT_TRUE(window->windowTitle().endsWith(QString(" - partial: cancelled after %1 of 15 pictures").arg(done)))
        << window->windowTitle().toStdString();
    for (const PictureOutcome& picture : window->outcome().outcomes) EXPECT_EQ(picture.sweep.points.size(), 8u);
}

}  // namespace
}  // namespace brenlow::testing
