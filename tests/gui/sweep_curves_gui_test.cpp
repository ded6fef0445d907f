#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStyle>
#include <QTableWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <cmath>

#include "app/dialogs/sweep_dialog.h"
#include "app/shell/codec_titles.h"
#include "app/shell/workbench_settings.h"
#include "app/windows/sweep_window.h"
#include "experiments/sweep_report.h"
#include "gui_fixture.h"
#include "io/bitmap_file.h"
#include "measures/measures.h"

namespace brenlow::testing {
namespace {

class SweepCurvesGuiTest : public WorkbenchTest {
protected:
    SweepCurvesGuiTest() { openWorkbenchSettings()->remove(QStringLiteral("sweep")); }
    ~SweepCurvesGuiTest() override { openWorkbenchSettings()->remove(QStringLiteral("sweep")); }

    QString problemOf(const SweepDialog& dialog) const { return dialog.findChild<QLabel*>("SweepProblem")->text(); }
};

TEST_F(SweepCurvesGuiTest, OneCodecTwiceAtSizeTargetsGivesTwoCurvesCodedToEachSize) {
    openPicture(loadBitmapFile(samplePath("astronaut.bmp")).copy(160, 160, 96, 96), "crop.bmp");
    form->askSweepChoice = [](SweepDialog& dialog) {
        dialog.clearCurves();
        auto* text = dialog.findChild<QLineEdit*>("SweepCurveText");
        for (const char* curve : {"jpeg", "jpeg:optimize=1:label=tight"}) {
            text->setText(curve);
            dialog.findChild<QPushButton*>("SweepAddCurve")->click();
        }
        dialog.findChild<QRadioButton*>("SweepBySize")->setChecked(true);
        dialog.findChild<QLineEdit*>("SweepBppTargets")->setText("1.0, 0.5");
        auto* anchors = dialog.findChild<QComboBox*>("SweepAnchor");
        EXPECT_EQ(anchors->count(), 2);
        anchors->setCurrentIndex(anchors->findText("tight"));
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        return dialog.result() == QDialog::Accepted;
    };
    form->Sweep1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const QList<SweepWindow*> windows = form->findChildren<SweepWindow*>();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows.first()->anchor(), "tight");
    const std::vector<SweepPoint>& points = windows.first()->outcome().points;
    ASSERT_EQ(points.size(), 4u);
    const char* curves[] = {"jpeg", "jpeg", "tight", "tight"};
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].curve, curves[i]);
        EXPECT_DOUBLE_EQ(points[i].targetBpp, i % 2 == 0 ? 0.5 : 1.0);
        if (!points[i].targetMissed) {
            EXPECT_LE(bitsPerPixel(points[i].figures.codedSize, 96, 96), points[i].targetBpp);
        }
    }
    // Huffman tables made for the picture code the same quality smaller.
    EXPECT_GE(points[2].quality, points[0].quality);

    const SweepChoice remembered = recalledSweepChoice();
    EXPECT_EQ(remembered.curves, QStringList({"jpeg", "jpeg:optimize=1:label=tight"}));
    EXPECT_TRUE(remembered.bySize);
    EXPECT_EQ(remembered.bppTargets, "1.0, 0.5");
    EXPECT_EQ(remembered.anchor, "jpeg:optimize=1:label=tight");
}

TEST_F(SweepCurvesGuiTest, CurvesThatDoNotReadAndSizesThatDoNotReadAreRefusedWithTheReason) {
    SweepDialog dialog(SweepChoice{}, form.get());
    dialog.clearCurves();
    ASSERT_TRUE(dialog.addCurve("jpeg"));
    const struct {
        const char* curve;
        const char* named;  // what the reason must name
    } refused[] = {{"jpeg:bogus=1", "bogus"}, {"jpeg:optimize=7", "optimize"}, {"nocodec", "nocodec"}, {"jpeg", "jpeg"}};
    for (const auto& bad : refused) {
        EXPECT_FALSE(dialog.addCurve(bad.curve)) << bad.curve;
        EXPECT_TRUE(problemOf(dialog).contains(bad.named)) << problemOf(dialog).toStdString();
    }
    EXPECT_EQ(dialog.findChild<QListWidget*>("SweepCurves")->count(), 1);

    // Enter in the curve's field adds it; it does not press OK.
    auto* text = dialog.findChild<QLineEdit*>("SweepCurveText");
    dialog.show();
    text->setFocus();
    text->setText("ajc");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(text, &enter);
    EXPECT_EQ(dialog.choice().curves, QStringList({"jpeg", "ajc"}));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    dialog.findChild<QRadioButton*>("SweepBySize")->setChecked(true);
    for (const char* sizes : {"0.5,x", "0", "0.5,0.5", "65"}) {
        dialog.findChild<QLineEdit*>("SweepBppTargets")->setText(sizes);
        dialog.accept();
        EXPECT_TRUE(problemOf(dialog).startsWith(QStringLiteral("The sizes \"%1\" do not read: ").arg(sizes)))
            << problemOf(dialog).toStdString();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
}

// Each field's example reads whole when the field is empty, at the size the dialog opens at.
TEST_F(SweepCurvesGuiTest, EveryFieldsPlaceholderIsShownWhole) {
    SweepDialog dialog(SweepChoice{}, form.get());
    dialog.show();
    QApplication::processEvents();
    int fields = 0;
    for (const QLineEdit* field : dialog.findChildren<QLineEdit*>()) {
        if (field->placeholderText().isEmpty()) continue;
        ++fields;
        // Inside the frame the field keeps two pixels either side of its text.
        const int frame = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, field);
        const QMargins margins = field->textMargins();
        const int room = field->width() - 2 * frame - 4 - margins.left() - margins.right();
        EXPECT_LE(field->fontMetrics().horizontalAdvance(field->placeholderText()), room)
            << field->objectName().toStdString() << " " << field->width() << " wide";
    }
    EXPECT_EQ(fields, 3);
}

TEST_F(SweepCurvesGuiTest, RemovingTheAnchorsCurveHandsTheAnchorToTheFirst) {
    SweepChoice offered;
    offered.curves = {"jpeg", "ajc", "avc"};
    offered.anchor = "ajc";
    SweepDialog dialog(offered, form.get());
    EXPECT_EQ(dialog.choice().anchor, "ajc");
    auto* list = dialog.findChild<QListWidget*>("SweepCurves");
    list->item(1)->setSelected(true);
    dialog.findChild<QPushButton*>("SweepRemoveCurve")->click();
    EXPECT_EQ(dialog.choice().curves, QStringList({"jpeg", "avc"}));
    EXPECT_EQ(dialog.choice().anchor, "jpeg");
}

TEST_F(SweepCurvesGuiTest, ACodecListRememberedBeforeCurvesComesBackAsCurves) {
    {
        const std::unique_ptr<QSettings> settings = openWorkbenchSettings();
        settings->setValue("sweep/codecs", QStringList{"jpeg", "ajc", "unknown"});
        settings->setValue("sweep/anchor", "ajc");
    }
    const SweepChoice recalled = recalledSweepChoice();
    EXPECT_EQ(recalled.curves, QStringList({rememberedCurveName(StillCodec::Jpeg), "ajc"}));
    EXPECT_EQ(recalled.anchor, "ajc");
    EXPECT_FALSE(recalled.bySize);
}

// The column of that header in a table; -1 when there is none.
int columnOf(const QTableWidget& table, const QString& header) {
    for (int column = 0; column < table.columnCount(); ++column)
        if (table.horizontalHeaderItem(column)->text() == header) return column;
    return -1;
}

TEST_F(SweepCurvesGuiTest, PointTableAndChartsShowSsimulacra2WhereTheSweepHoldsItAndTheSizesAimedAt) {
    openPicture(loadBitmapFile(samplePath("astronaut.bmp")).copy(160, 160, 64, 64), "crop.bmp");
    for (const bool ssimulacra2 : {true, false}) {
        SCOPED_TRACE(ssimulacra2);
        form->askSweepChoice = [ssimulacra2](SweepDialog& dialog) {
            dialog.clearCurves();
            EXPECT_TRUE(dialog.addCurve("jpeg"));
            dialog.findChild<QRadioButton*>(ssimulacra2 ? "SweepBySize" : "SweepByQuality")->setChecked(true);
            dialog.findChild<QLineEdit*>("SweepBppTargets")->setText("0.05, 2");
            dialog.findChild<QLineEdit*>("SweepQualities")->setText("30,60");
            dialog.findChild<QCheckBox*>("SweepSsimulacra2")->setChecked(ssimulacra2);
            dialog.accept();
            return dialog.result() == QDialog::Accepted;
        };
        form->ClientArea->setActiveSubWindow(form->ClientArea->subWindowList().first());
        form->Sweep1->trigger();
        ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        const QList<SweepWindow*> windows = form->findChildren<SweepWindow*>();
        ASSERT_EQ(windows.size(), 1);
        SweepWindow* window = windows.first();
        const auto* table = window->findChild<QTableWidget*>("SweepTable");
        const int column = columnOf(*table, "SSIMULACRA 2");
        ASSERT_GE(column, 0);
        const SweepPoint& point = window->outcome().points[1];
        EXPECT_EQ(table->item(1, column)->text(),
                  QString::fromStdString(formatMeasure(point.measures.picture.ssimulacra2, 4)));
        EXPECT_EQ(std::isnan(point.measures.picture.ssimulacra2), !ssimulacra2);
        auto* selector = window->findChild<QComboBox*>("ChartMeasure");
        EXPECT_EQ(selector->findText(QString::fromStdString(measureLabel(CurveMeasure("ssimulacra2")))) >= 0, ssimulacra2);

        // Coded to sizes, the table says what each point aimed at and which could not get under it.
        const int target = columnOf(*table, "Target bpp");
        EXPECT_EQ(target >= 0, ssimulacra2);
        if (target >= 0) {
            EXPECT_EQ(table->item(0, target)->text(), "0.050 missed");
            EXPECT_EQ(table->item(1, target)->text(), "2.000");
        }
        window->close();
        settleClosedWindows();
    }
}

}  // namespace
}  // namespace brenlow::testing
