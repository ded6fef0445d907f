// The workbench offers, remembers and shows what the measure table lists: a measure added to the
// table reaches the sweep dialog, the remembered choice and the Measurements panel by itself.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <cstdint>
#include <map>
#include <string>

#include "app/dialogs/sweep_choice.h"
#include "app/dialogs/sweep_dialog.h"
#include "app/docks/measurements_dock.h"
#include "app/shell/workbench_settings.h"
#include "catalogue/codec_registry.h"
#include "jpeg/jpeg_bridge.h"
#include "measures/measure_table.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

// The keys users' settings already hold each choice under.
const std::map<std::string, QString> kRememberedKeys{{"ms_ssim", "sweep/msSsim"},
                                                      {"ciede2000", "sweep/ciede2000"},
                                                      {"butteraugli", "sweep/butteraugli"},
                                                      {"ssimulacra2", "sweep/ssimulacra2"}};

QCheckBox* boxOf(const SweepDialog& dialog, const OptionalMeasure& measure) {
    return dialog.findChild<QCheckBox*>(measureBoxName(measure));
}

class OptionalMeasureGuiTest : public ::testing::TestWithParam<OptionalMeasure> {};

TEST_P(OptionalMeasureGuiTest, TheSweepDialogOffersItAndHandsBackWhetherItIsChecked) {
    const OptionalMeasure& measure = GetParam();
    SweepChoice offered;
    offered.measures = MeasureChoice::every();
    SweepDialog dialog(offered);
    QCheckBox* box = boxOf(dialog, measure);
    ASSERT_NE(box, nullptr) << measureBoxName(measure).toStdString();
    EXPECT_EQ(box->text(), QString::fromUtf8(measure.title));
    EXPECT_EQ(box->isEnabled(), measure.availableHere());
    EXPECT_EQ(box->isChecked(), measure.availableHere());
    box->setChecked(false);
    EXPECT_FALSE(dialog.choice().measures.takes(measure.name));
    for (const OptionalMeasure& other : optionalMeasures())
        EXPECT_EQ(boxOf(dialog, other)->isChecked(), std::string(other.name) != measure.name && other.availableHere())
            << other.name;
}

TEST_P(OptionalMeasureGuiTest, TheChoiceIsRememberedUnderTheKeyUsersAlreadyHave) {
    const OptionalMeasure& measure = GetParam();
    const auto key = kRememberedKeys.find(measure.name);
    for (const bool taken : {true, false}) {
        SweepChoice choice;
        choice.measures = MeasureChoice::every().take(measure.name, taken);
        rememberSweepChoice(choice);
        if (key != kRememberedKeys.end()) {
            EXPECT_EQ(openWorkbenchSettings()->value(key->second).toBool(), taken);
        }
        EXPECT_EQ(recalledSweepChoice().measures.takes(measure.name), taken && measure.availableHere());
    }
    if (key == kRememberedKeys.end()) return;  // a measure newer than the remembered keys
    // A choice remembered before the table knew its measures reads back the same.
    openWorkbenchSettings()->setValue(key->second, true);
    EXPECT_EQ(recalledSweepChoice().measures.takes(measure.name), measure.availableHere());
}

INSTANTIATE_TEST_SUITE_P(EveryOptionalMeasure, OptionalMeasureGuiTest, ::testing::ValuesIn(optionalMeasures()),
                         [](const ::testing::TestParamInfo<OptionalMeasure>& info) {
                             return std::string(info.param.name);
                         });

// One run recorded in a panel of its own and measured to the end, for every row to look at.
struct MeasuredRun {
    QMdiArea area;
    MeasurementsDock dock;
    QMdiSubWindow* window = nullptr;
    PictureMeasures expected;

    MeasuredRun() {
        const QImage reference = testing::patternBitmap(192, 184);
        QImage decoded;
        const auto coded = SaveAsJpeg(reference, std::uint8_t{30});
        LoadJpeg(decoded, coded);
        expected = measurePictures(reference, decoded, MeasureChoice::every());
        window = area.addSubWindow(new QWidget);
        area.show();
        area.setActiveSubWindow(window);
        RunRecord record;
        record.source = QStringLiteral("pattern.bmp");
        record.codec = &codecEntryOf(StillCodec::Jpeg);
        record.figures.codedSize = coded.size();
        record.reference = reference;
        dock.recordRun(nullptr, window, record, decoded);
        const QDeadlineTimer deadline(60000);
        while (dock.measuring() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
        dock.showWindow(window);
    }
};

class MeasureRowGuiTest : public ::testing::TestWithParam<MeasureRow> {
protected:
    static void SetUpTestSuite() { run = new MeasuredRun; }
    static void TearDownTestSuite() {
        delete run;
        run = nullptr;
    }
    static MeasuredRun* run;
};

MeasuredRun* MeasureRowGuiTest::run = nullptr;

TEST_P(MeasureRowGuiTest, TheMeasurementsPanelShowsItsValue) {
    const MeasureRow& row = GetParam();
    ASSERT_FALSE(run->dock.measuring());
    EXPECT_EQ(run->dock.valueText(QString::fromLatin1(row.key)), QString::fromStdString(row.shown(run->expected)));
}

INSTANTIATE_TEST_SUITE_P(EveryMeasure, MeasureRowGuiTest, ::testing::ValuesIn(measureTable()),
                         [](const ::testing::TestParamInfo<MeasureRow>& info) { return std::string(info.param.key); });

}  // namespace
}  // namespace brenlow
