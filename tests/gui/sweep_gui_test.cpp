#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QXYSeries>
#include <cmath>
#include <filesystem>
#include <tuple>

#include "app/charts/sweep_charts.h"
#include "app/dialogs/sweep_dialog.h"
#include "app/shell/codec_titles.h"
#include "app/windows/sweep_window.h"
#include "experiments/quality_list.h"
#include "experiments/sweep_report.h"
#include "gui_fixture.h"
#include "io/bitmap_file.h"
#include "measures/butteraugli.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> namesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void pressOk(SweepDialog& dialog) { dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); }

QStringList namesOf(const std::vector<std::string>& codecs) {
    QStringList names;
    for (const std::string& codec : codecs) names << QString::fromStdString(codec);
    return names;
}

// Lists exactly `codecs` at their defaults and fills in the rest of the dialog as the user would.
void fillDialog(SweepDialog& dialog, const std::vector<std::string>& codecs, const QString& qualities,
                MeasureChoice measures, const std::string& anchor) {
    dialog.clearCurves();
    for (const QString& name : namesOf(codecs)) EXPECT_TRUE(dialog.addCurve(name));
    dialog.findChild<QLineEdit*>("SweepQualities")->setText(qualities);
    for (const OptionalMeasure& measure : optionalMeasures())
        dialog.findChild<QCheckBox*>(measureBoxName(measure))->setChecked(measures.takes(measure.name));
    auto* anchors = dialog.findChild<QComboBox*>("SweepAnchor");
    anchors->setCurrentIndex(anchors->findText(curveTitle(anchor)));
}

QList<QPointF> pointsOf(const std::vector<RatePoint>& curve) {
    QList<QPointF> points;
    for (const RatePoint& point : curve) points << QPointF(point.rate, point.quality);
    return points;
}

class SweepGuiTest : public WorkbenchTest {
protected:
    // The next sweep runs with this choice, as if the user had made it and pressed OK.
    void chooseSweep(const std::vector<std::string>& codecs, const QString& qualities, MeasureChoice measures,
                     const std::string& anchor) {
        form->askSweepChoice = [=](SweepDialog& dialog) {
            fillDialog(dialog, codecs, qualities, measures, anchor);
            pressOk(dialog);
            return dialog.result() == QDialog::Accepted;
        };
    }

    SweepWindow* onlySweepWindow() const {
        const QList<SweepWindow*> windows = form->findChildren<SweepWindow*>();
        EXPECT_EQ(windows.size(), 1);
        return windows.size() == 1 ? windows.first() : nullptr;
    }

    // A picture large enough for MS-SSIM and small enough for a quick sweep.
    void openSmallPicture() { openPicture(loadBitmapFile(samplePath("astronaut.bmp")).copy(160, 160, 192, 192), "crop.bmp"); }
};

TEST_F(SweepGuiTest, TheDialogsChoiceReachesTheSweepItsChartsAndItsDeltaTableAndIsOfferedAgain) {
    openSmallPicture();
    const std::string anchor = availableCodecs().back();
    const std::vector<std::string> codecs{"jpeg", "avc", anchor};
    chooseSweep(codecs, " 40:80:20", MeasureChoice::only({"ms_ssim"}), anchor);
    form->Sweep1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    SweepWindow* window = onlySweepWindow();
    ASSERT_NE(window, nullptr);
    const SweepOutcome& outcome = window->outcome();
    ASSERT_EQ(outcome.points.size(), 9u);
    for (std::size_t i = 0; i < outcome.points.size(); ++i) {
        EXPECT_EQ(outcome.points[i].curve, codecs[i / 3]);
        EXPECT_EQ(outcome.points[i].quality, 40 + 20 * static_cast<int>(i % 3));
        EXPECT_TRUE(std::isfinite(outcome.points[i].measures.picture.msSsimLumaDb));
        EXPECT_TRUE(std::isnan(outcome.points[i].measures.picture.ciede2000)) << "left out in the dialog";
    }

    // The chart offers the measures taken only and plots the one chosen.
    auto* selector = window->findChild<QComboBox*>("ChartMeasure");
    auto* chart = window->findChild<QChartView*>("MeasureChart");
    EXPECT_EQ(selector->currentText(), "MS-SSIM of the luma (dB)");
    EXPECT_EQ(selector->findText("CIEDE2000 (mean difference)"), -1);
    selector->setCurrentIndex(selector->findText("PSNR of the luma (dB)"));
    const QList<QAbstractSeries*> series = chart->chart()->series();
    ASSERT_EQ(series.size(), 3);
    for (std::size_t c = 0; c < codecs.size(); ++c) {
        EXPECT_EQ(series[static_cast<int>(c)]->name(), curveTitle(codecs[c]));
        EXPECT_EQ(static_cast<QXYSeries*>(series[static_cast<int>(c)])->points(),
                  pointsOf(curveOf(outcome, codecs[c], CurveMeasure("psnr_y"))));
    }

    // Against the anchor chosen: its own curve has no row; a PCHIP BD-rate is the core's figure.
    EXPECT_EQ(window->anchor(), anchor);
    auto* deltas = window->findChild<QTableWidget*>("DeltaTable");
    ASSERT_NE(deltas, nullptr);
    const std::vector<CurveMeasure> measures{CurveMeasure("psnr"), CurveMeasure("psnr_y"), CurveMeasure("ssim_y_db"),
                                             CurveMeasure("ms_ssim_y_db")};
    ASSERT_EQ(deltas->rowCount(), 8);
    const std::vector<DeltaRow> expected = deltaTable(outcome, anchor, measures);
    for (int row = 0; row < deltas->rowCount(); ++row) {
        const DeltaRow& pchip = expected[2 * static_cast<std::size_t>(row) + 1];
        EXPECT_EQ(deltas->item(row, 0)->text(), curveTitle(pchip.curve));
        EXPECT_EQ(deltas->item(row, 1)->text().toStdString(), measureLabel(pchip.measure));
        EXPECT_EQ(deltas->item(row, 2)->text(), "n/a") << "three qualities make no cubic fit";
        const QString rate = QString::fromStdString(formatMeasure(pchip.rate.value, 2));
        const QString shown = deltas->item(row, 4)->text();
        if (std::isnan(pchip.rate.value)) EXPECT_EQ(shown, "n/a");
        else EXPECT_TRUE(shown.startsWith((pchip.rate.value > 0 ? "+" : "") + rate + " %")) << shown.toStdString();
    }

    form = std::make_unique<TMainForm>();
    form->showMessage = [this](const QString& text) { messages << text; };
    std::optional<SweepChoice> offered;
    form->askSweepChoice = [&](SweepDialog& dialog) {
        offered = dialog.choice();
        EXPECT_EQ(form->statusBar()->currentMessage(), "") << "nothing sweeps while the dialog asks";
        return false;
    };
    openSmallPicture();
    form->Sweep1->trigger();
    ASSERT_TRUE(offered.has_value());
    EXPECT_EQ(offered->curves, namesOf(codecs));
    EXPECT_EQ(offered->qualities, "40:80:20");
    EXPECT_TRUE(offered->measures.takes("ms_ssim"));
    EXPECT_FALSE(offered->measures.takes("ciede2000"));
    EXPECT_EQ(offered->anchor, QString::fromStdString(anchor));
    EXPECT_TRUE(form->findChildren<SweepWindow*>().isEmpty()) << "Cancel runs nothing";
}

// The dialog names the picture it sweeps, and warns when the active window is a decoded result
// rather than a source picture, which is what a sweep of the wrong window looks like.
TEST_F(SweepGuiTest, TheDialogNamesThePictureAndWarnsOfADecodedResult) {
    openSmallPicture();
    TMDIChild* source = lastDocument();
    form->JPEG1->trigger();
    TMDIChild* result = lastDocument();
    ASSERT_NE(result, source);
    struct Seen {
        QString subject;
        bool warned = false;
        QString warning;
    };
    QList<Seen> seen;
    form->askSweepChoice = [&](SweepDialog& dialog) {
        const auto* warning = dialog.findChild<QLabel*>("SweepSubjectWarning");
        seen.append({dialog.findChild<QLabel*>("SweepSubject")->text(), !warning->isHidden(), warning->text()});
        return false;
    };
    for (TMDIChild* window : {source, result}) {
        form->ClientArea->setActiveSubWindow(window);
        form->Sweep1->trigger();
    }
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0].subject, "Sweeps " + source->caption());
    EXPECT_FALSE(seen[0].warned);
    EXPECT_EQ(seen[1].subject, "Sweeps " + result->caption());
    EXPECT_TRUE(seen[1].warned);
    EXPECT_TRUE(seen[1].warning.startsWith("crop~.bmp is a decoded result")) << seen[1].warning.toStdString();
}

TEST_F(SweepGuiTest, BadQualitiesOrNoCodecAreRefusedWithTheReasonAndNothingRuns) {
    openSmallPicture();
    const SweepChoice before = recalledSweepChoice();
    QStringList problems;
    form->askSweepChoice = [&](SweepDialog& dialog) {
        auto* qualities = dialog.findChild<QLineEdit*>("SweepQualities");
        for (const char* bad : {"10:x:10", "90:10:10", "0,50", "10:90"}) {
            qualities->setText(bad);
            pressOk(dialog);
            problems << dialog.findChild<QLabel*>("SweepProblem")->text();
        }
        qualities->setText("10,50");
        dialog.clearCurves();
        pressOk(dialog);
        problems << dialog.findChild<QLabel*>("SweepProblem")->text();
        EXPECT_FALSE(dialog.findChild<QComboBox*>("SweepAnchor")->isEnabled()) << "no codec to be the anchor";
        auto* butteraugli = dialog.findChild<QCheckBox*>("SweepButteraugli");
        EXPECT_EQ(butteraugli->isEnabled(), butteraugliAvailable());
        EXPECT_FALSE(butteraugli->toolTip().isEmpty());
        return dialog.result() == QDialog::Accepted;
    };
    form->Sweep1->trigger();
    ASSERT_EQ(problems.size(), 5);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(problems[i].contains("FROM:TO:STEP")) << problems[i].toStdString();
        EXPECT_TRUE(problems[i].contains("1 to 100"));
    }
    EXPECT_TRUE(problems[0].contains("\"10:x:10\""));
    EXPECT_EQ(problems[4], "Add at least one curve.");
    EXPECT_TRUE(form->findChildren<SweepWindow*>().isEmpty());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(recalledSweepChoice().qualities, before.qualities) << "a refused choice is not remembered";
}

TEST(QualityList, ReadsARangeOrAListOfQualitiesFrom1To100) {
    EXPECT_EQ(parseQualities("10:40:15"), std::vector<int>({10, 25, 40}));
    EXPECT_EQ(parseQualities("100,1,050"), std::vector<int>({100, 1, 50}));
    for (const char* bad : {"", "10:40", "10:40:0", "40:10:5", "1,,2", "101", "-5", "+5", "1:100:1:1", "9999999999"})
        EXPECT_TRUE(parseQualities(bad).empty()) << bad;
}

// A point of a made-up sweep measured on PSNR alone.
SweepPoint psnrPoint(StillCodec codec, int quality, double bitsPerPixel, double psnr) {
    SweepPoint point;
    point.codec = codec;
    point.curve = codecName(codec);
    point.quality = quality;
    point.measures.bitsPerPixel = bitsPerPixel;
    PictureMeasures& m = point.measures.picture;
    m.psnr = m.psnrLuma = psnr;
    m.ssimLuma = m.msSsimLuma = m.msSsimLumaDb = m.ciede2000 = m.butteraugliMax = m.butteraugli3Norm = m.ssimulacra2 = NAN;
    return point;
}

TEST(SweepWindowDeltas, ADeltaOverLittleOfTheCurvesIsMarkedAndSaysHowMuchTheyShare) {
    // AVC's curve lies over most of JPEG's; AJC's reaches JPEG's PSNR only near its top.
    SweepOutcome outcome;
    for (const auto& [codec, rate, psnr] : {std::tuple{StillCodec::Jpeg, 0.5, 30.0}, std::tuple{StillCodec::Avc, 0.4, 30.5},
                                            std::tuple{StillCodec::Ajc, 2.0, 37.0}})
        for (int i = 0; i < 4; ++i) outcome.points.push_back(psnrPoint(codec, 20 * (i + 1), rate * (i + 1), psnr + 3.0 * i));
    SweepWindow window("made up", outcome, "jpeg");
    QPalette dark = window.palette();
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(235, 235, 235));
    window.setPalette(dark);
    const auto* deltas = window.findChild<QTableWidget*>("DeltaTable");
    ASSERT_NE(deltas, nullptr);
    ASSERT_EQ(deltas->rowCount(), 4) << "AVC and AJC on PSNR and PSNR Y";
    const QTableWidgetItem* close = deltas->item(0, 2);
    EXPECT_EQ(deltas->item(0, 0)->text(), "AVC");
    EXPECT_FALSE(close->text().endsWith("!")) << close->text().toStdString();
    EXPECT_TRUE(close->toolTip().isEmpty());
    const QTableWidgetItem* apart = deltas->item(2, 2);
    EXPECT_EQ(deltas->item(2, 0)->text(), "AJC");
    EXPECT_TRUE(apart->text().endsWith(" !")) << apart->text().toStdString();
    // A dark palette's light text must not land on the mark's pale background.
    const QColor text = apart->foreground().style() == Qt::NoBrush ? deltas->palette().color(QPalette::Text)
                                                                     : apart->foreground().color();
    EXPECT_GT(std::abs(apart->background().color().lightness() - text.lightness()), 128)
        << "text " << text.name().toStdString() << " on " << apart->background().color().name().toStdString();
    const DeltaRow ajc = deltaTable(outcome, "jpeg", {CurveMeasure("psnr")})[2];
    EXPECT_TRUE(apart->toolTip().startsWith(QStringLiteral("The curves share %1 % of JPEG's PSNR (dB) range and %2 % of AJC's")
                                                .arg(formatMeasure(100 * ajc.rate.sharedFractionAnchor, 0).c_str())
                                                .arg(formatMeasure(100 * ajc.rate.sharedFractionTest, 0).c_str())))
        << apart->toolTip().toStdString();

    const SweepWindow withoutAnchor("made up", outcome, "webp");
    EXPECT_EQ(withoutAnchor.findChild<QTableWidget*>("DeltaTable"), nullptr);
    EXPECT_TRUE(withoutAnchor.findChild<QLabel*>("DeltaRates")->text().startsWith("No delta rates"));
}

TEST_F(SweepGuiTest, SweepCanBeCancelledAndLeavesNoFileBehind) {
    openCopy(testDataPath("chelsea.bmp"));
    const std::vector<std::string> before = namesIn(dir);
    chooseSweep({"jpeg", "avc", "ajc"}, "10:90:10", {}, "jpeg");
    bool sawDialog = false;
    // The sweep prepares its source before the dialog comes up.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, form.get(), [&] {
        if (auto* dialog = form->findChild<QProgressDialog*>("SweepProgress")) {
            watch.stop();
            sawDialog = dialog->isVisible();
            dialog->findChild<QPushButton*>()->click();
        }
    });
    watch.start(0);
    form->Sweep1->trigger();
    EXPECT_TRUE(sawDialog);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(form->findChildren<SweepWindow*>().isEmpty());
    EXPECT_EQ(namesIn(dir), before);
    EXPECT_EQ(documentCount(), 1);
    EXPECT_EQ(form->findChild<QProgressDialog*>("SweepProgress"), nullptr);
}

TEST_F(SweepGuiTest, SweepShowsOneCurvePerCodecAndExportsItsTable) {
    openCopy(testDataPath("chelsea.bmp"));
    const std::vector<std::string> before = namesIn(dir);
    chooseSweep({"jpeg", "avc", "ajc"}, "10:90:10", MeasureChoice::none(), "jpeg");
    form->Sweep1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(namesIn(dir), before);
    SweepWindow* window = onlySweepWindow();
    ASSERT_NE(window, nullptr);
    auto* table = window->findChild<QTableWidget*>("SweepTable");
    EXPECT_EQ(table->rowCount(), 27);
    EXPECT_EQ(table->horizontalHeaderItem(table->columnCount() - 1)->text(), "Decode MP/s");
    for (const char* name : {"PsnrChart", "MeasureChart"}) {
        const QChartView* chart = window->findChild<QChartView*>(name);
        ASSERT_NE(chart, nullptr) << name;
        QStringList curves;
        for (QAbstractSeries* series : chart->chart()->series()) {
            curves << series->name();
            EXPECT_EQ(static_cast<QXYSeries*>(series)->count(), 9);
        }
        EXPECT_EQ(curves, QStringList({"JPEG", "AVC", "AJC"}));
    }
    const std::string csvPath = dir.file("curves.csv");
    window->askCsvName = [&] { return QString::fromStdString(csvPath); };
    window->findChild<QPushButton*>("ExportCsv")->click();
    EXPECT_EQ(fileBytes(csvPath), sweepCsv(window->outcome()));

    // The workbench's own AVC command at quality 80 gives the sweep's figures at 80.
    const SweepPoint& avc80 = window->outcome().points[9 + 7];
    ASSERT_EQ(avc80.codec, StillCodec::Avc);
    ASSERT_EQ(avc80.quality, 80);
    window->close();
    form->AJC1->trigger();
    EXPECT_EQ(form->Edit6->text().toStdString(), avc80.reportLine);
    EXPECT_EQ(form->CodedSize, avc80.figures.codedSize);
}

}  // namespace
}  // namespace brenlow::testing
