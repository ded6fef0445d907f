#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QJsonDocument>
#include <QJsonArray>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QXYSeries>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/codec_titles.h"
#include "app/compare_window.h"
#include "app/dataset_window.h"
#include "app/mdi_child.h"
#include "app/sweep_dialog.h"
#include "gui_fixture.h"
#include "io/bitmap_file.h"
#include "research/measures.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
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
            for (StillCodec codec : availableCodecs())
                dialog.findChild<QCheckBox*>(QStringLiteral("SweepCodec_%1").arg(codecName(codec)))
                    ->setChecked(codec == StillCodec::Jpeg || codec == StillCodec::Ajc);
            dialog.findChild<QLineEdit*>("SweepQualities")->setText("20,40,60,90");
            dialog.findChild<QCheckBox*>("SweepMsSsim")->setChecked(false);
            dialog.findChild<QCheckBox*>("SweepCiede2000")->setChecked(true);
            auto* anchors = dialog.findChild<QComboBox*>("SweepAnchor");
            anchors->setCurrentIndex(anchors->findText(codecTitle(StillCodec::Jpeg)));
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            return dialog.result() == QDialog::Accepted;
        };
    }

    DataSetWindow* sweepDataSet() {
        form->DataSetSweep1->trigger();
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        const QList<DataSetWindow*> windows = form->findChildren<DataSetWindow*>();
        EXPECT_EQ(windows.size(), 1);
        return windows.size() == 1 ? windows.first() : nullptr;
    }

    fs::path folder;
    QStringList startsOffered;
};

TEST_F(DataSetGuiTest, DataSetSweepGivesTheAggregateOfTheCommandLineAndExportsIt) {
#ifndef BRENLOW_CLI_PATH
    GTEST_SKIP() << "brenlow-cli is not built";
#else
    DataSetWindow* window = sweepDataSet();
    ASSERT_NE(window, nullptr);
    const DataSetOutcome& outcome = window->outcome();
    ASSERT_EQ(outcome.pictures.size(), 3u);

    QProcess cli;
    cli.setWorkingDirectory(QString::fromStdString(dir.path().string()));
    cli.start(QStringLiteral(BRENLOW_CLI_PATH), {"sweep", "set", "--codecs", "jpeg,ajc", "--qualities", "20,40,60,90",
                                                 "--measures", "ciede2000", "--aggregate-csv", "cli.csv", "--json"});
    ASSERT_TRUE(cli.waitForFinished(120000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    const std::string expected = fileText(dir.path() / "cli.csv");
    ASSERT_FALSE(expected.empty());
    const QJsonObject cliJson = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();

    QStringList filters;
    window->askSaveName = [&](const QString&, const QString& filter) {
        filters << filter;
        const char* names[] = {"aggregate", "points.csv", "set", "report"};
        return QString::fromStdString(dir.file(names[filters.size() - 1]));
    };
    window->findChild<QPushButton*>("ExportAggregateCsv")->click();
    EXPECT_EQ(fileText(dir.path() / "aggregate.csv"), expected);
    window->findChild<QPushButton*>("ExportCsv")->click();
    EXPECT_EQ(fileText(dir.path() / "points.csv"), dataSetCsv(outcome));
    window->findChild<QPushButton*>("ExportJson")->click();
    const QJsonObject exported = QJsonDocument::fromJson(QByteArray::fromStdString(fileText(dir.path() / "set.json"))).object();
    ASSERT_EQ(cliJson["aggregate"].toArray().size(), 2 * 4);
    EXPECT_EQ(exported["aggregate"], cliJson["aggregate"]);
    EXPECT_EQ(exported["bd_rate"], cliJson["bd_rate"]);
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
    const std::vector<RatePoint> curve = aggregateCurve(outcome, "ajc", CurveMeasure::Psnr);
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
    form->DataSetSweep1->trigger();
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
    EXPECT_DOUBLE_EQ(measures.psnr, measureOf(point, CurveMeasure::Psnr));
    EXPECT_DOUBLE_EQ(measures.ssimLuma, measureOf(point, CurveMeasure::SsimLuma));
}

// A picture that cannot be read fails its own items: the data set window shows the others and a
// message names the failed items with their reasons.
TEST_F(DataSetGuiTest, APictureThatFailsIsNamedAndTheOthersAreShown) {
    std::ofstream(folder / "d_text.png") << "not a picture";
    form->DataSetSweep1->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith("2 of the data set's items failed")) << messages.first().toStdString();
    EXPECT_TRUE(messages.first().contains("d_text.png")) << messages.first().toStdString();
    const QList<DataSetWindow*> windows = form->findChildren<DataSetWindow*>();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows.first()->outcome().failed.size(), 2u);
}

TEST_F(DataSetGuiTest, CancelledDataSetSweepShowsNothing) {
    bool sawDialog = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, form.get(), [&] {
        if (auto* dialog = form->findChild<QProgressDialog*>("DataSetProgress")) {
            watch.stop();
            sawDialog = dialog->isVisible();
            dialog->findChild<QPushButton*>()->click();
        }
    });
    watch.start(0);
    form->DataSetSweep1->trigger();
    EXPECT_TRUE(sawDialog);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(form->findChildren<DataSetWindow*>().isEmpty());
    EXPECT_EQ(form->findChild<QProgressDialog*>("DataSetProgress"), nullptr);
    EXPECT_EQ(documentCount(), 0);
    EXPECT_TRUE(form->DataSetSweep1->isEnabled()) << "the workbench is ready for the next command";
}

}  // namespace
}  // namespace brenlow::testing
