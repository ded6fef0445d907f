#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSlider>
#include <QPushButton>
#include <QStandardItemModel>
#include <QThread>
#include <QTimer>
#include <filesystem>

#include "anchors/anchor_codec.h"
#include "app/charts/heat_map_legend.h"
#include "app/dialogs/codec_settings_dialog.h"
#include "app/dialogs/window_pair_dialog.h"
#include "app/docks/measurements_dock.h"
#include "app/shell/workbench_settings.h"
#include "app/windows/compare_canvas.h"
#include "app/windows/compare_window.h"
#include "codecs/document.h"
#include "gui_fixture.h"
#include "imaging/difference_image.h"
#include "io/bitmap_file.h"
#include "measures/butteraugli.h"
#include "measures/measures.h"
#include "measures/ssimulacra2.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kSplitMode = 1;
constexpr int kFlipMode = 3;
constexpr int kHeatMapMode = 4;

QString measureText(double value, int decimals) { return QString::fromStdString(formatMeasure(value, decimals)); }

template <typename Window>
QList<Window*> shownWindows() {
    QList<Window*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible()) windows << window;
    return windows;
}

// The heat map is computed on a thread of its own; false when it has not come within a minute.
bool waitForHeatMap(const CompareCanvas& canvas) {
    QElapsedTimer clock;
    clock.start();
    while (canvas.heatMap().isNull() && clock.elapsed() < 60000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return !canvas.heatMap().isNull();
}

// The widget position at the centre of a picture pixel in a single-pane mode.
QPoint centreOf(const CompareCanvas& canvas, QPoint pixel) {
    const QPointF at = (QPointF(pixel) + QPointF(0.5, 0.5) - canvas.origin()) * canvas.zoom();
    return QPoint(static_cast<int>(at.x()), static_cast<int>(at.y()));
}

void pressSpace(QWidget* target) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(target, &press);
}

class AnchorWorkbenchGuiTest : public WorkbenchTest {
protected:
    QString shown(const char* name) const { return form->Measurements->valueText(QString::fromLatin1(name)); }

    QAction* anchorEntry(const QString& title) const {
        for (QAction* entry : form->AnchorCodecEntries)
            if (QString(entry->text()).remove(QLatin1Char('&')) == title) return entry;  // past its mnemonic
        return nullptr;
    }

    // The report line brenlow-cli prints for `args` run in a folder holding copies of `files`; the
    // folder keeps what it wrote.
    static QString cliLine(const TempDir& folder, const QStringList& args) {
#ifdef BRENLOW_CLI_PATH
        QProcess cli;
        cli.setWorkingDirectory(QString::fromStdString(folder.path().string()));
        cli.start(QStringLiteral(BRENLOW_CLI_PATH), args);
        EXPECT_TRUE(cli.waitForFinished(120000));
        return QString::fromUtf8(cli.readAllStandardOutput()).trimmed();
#else
        (void)folder;
        (void)args;
        return {};
#endif
    }

    // Runs Compare Two Windows, answering its dialog with `answer`; the compare window it opened, or null.
    CompareWindow* compareTwoWindows(const std::function<void(WindowPairDialog&)>& answer) {
        QTimer::singleShot(0, form.get(), [&] {
            auto* dialog = form->findChild<WindowPairDialog*>();
            if (!dialog) return;
            answer(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        form->CompareTwo1->trigger();
        const QList<CompareWindow*> windows = shownWindows<CompareWindow>();
        QApplication::processEvents();
        return windows.size() == 1 ? windows.first() : nullptr;
    }
};

// A JPEG document beside a bitmap of another picture: an anchor codec measures against the JPEG's
// own picture, as the tool does, and reads the quality field the JPEG command reads.
TEST_F(AnchorWorkbenchGuiTest, AnchorCodecsCodeAtTheQualityFieldAndReportAsTheToolDoes) {
    const QImage original = loadBitmapFile(samplePath("astronaut.bmp"));
    saveBitmapFile(original.mirrored(true, false), dir.file("photo.bmp"));
    ASSERT_TRUE(original.save(QString::fromStdString(dir.file("photo.jpg")), "JPEG", 90));
    const QStringList compressItems = {form->Compress1->actions()[0]->text(), form->Compress1->actions()[1]->text(),
                                       form->Compress1->actions()[2]->text()};
    EXPECT_EQ(compressItems, QStringList({"JPEG", "AJC", "AVC"}));

    openThroughDialog(dir.file("photo.jpg"));
    TMDIChild* document = lastDocument();
    ASSERT_NE(document, nullptr);
    form->Edit2->setText(QStringLiteral("35"));
    int coded = 0;
    for (const AnchorCodec* codec : anchorCodecs()) {
        if (codec->name() != "webp" && codec->name() != "jp2") continue;
        SCOPED_TRACE(codec->name());
        ++coded;
        const QString title = codec->name() == "webp" ? "WebP" : "JPEG 2000";
        QAction* entry = anchorEntry(title);
        ASSERT_NE(entry, nullptr);
        EXPECT_TRUE(entry->statusTip().contains(QString::fromStdString(codec->libraryVersion())));
        EXPECT_TRUE(entry->statusTip().contains(QString::fromStdString(codec->settings())));
        form->ClientArea->setActiveSubWindow(document);
        entry->trigger();
        ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        const QImage decoded = lastDocument()->bitmap();
        const std::string codedFile = dir.file("photo" + codec->extension());
        EXPECT_EQ(form->CodedSize, fs::file_size(codedFile));
        EXPECT_EQ(decoded, loadBitmapFile(dir.file("photo~.bmp")));

        const PictureMeasures m = measurePictures(loadDocumentPicture(dir.file("photo.jpg")), decoded);
        ASSERT_TRUE(waitForMeasures());
        // The run line names the settings the codec coded with, its defaults here.
        EXPECT_EQ(shown("run"), title + (codec->name() == "webp" ? ", quality 35, method 4" : ", quality 35, resolutions 6"));
        EXPECT_EQ(shown("psnr"), measureText(m.psnr, 3) + " dB");
        EXPECT_EQ(shown("ms_ssim_y"), measureText(m.msSsimLuma, 5));
        EXPECT_EQ(shown("ms_ssim_y_db"), measureText(m.msSsimLumaDb, 3) + " dB");
        EXPECT_EQ(shown("ciede2000"), measureText(m.ciede2000, 4));
        EXPECT_EQ(shown("butteraugli_max"), measureText(m.butteraugliMax, 4));
        EXPECT_EQ(shown("butteraugli_3norm"), measureText(m.butteraugli3Norm, 4));
        EXPECT_EQ(shown("ssimulacra2"), measureText(ssimulacra2(loadDocumentPicture(dir.file("photo.jpg")), decoded), 4));
        if (!butteraugliAvailable()) {
            EXPECT_EQ(shown("butteraugli_max"), "n/a");
        }

#ifdef BRENLOW_CLI_PATH
        TempDir other;
        copyInto(dir.file("photo.bmp"), other);
        copyInto(dir.file("photo.jpg"), other);
        const QString line = cliLine(other, {"code", "--codec", QString::fromStdString(codec->name()), "-q", "35",
                                             "photo.jpg"});
        EXPECT_EQ(form->Edit6->text(), line);
        EXPECT_EQ(fileBytes(codedFile), fileBytes(other.file("photo" + codec->extension())));
        EXPECT_EQ(fileBytes(dir.file("photo~.bmp")), fileBytes(other.file("photo~.bmp")));
#endif
    }
    if (coded == 0) GTEST_SKIP() << "neither WebP nor JPEG 2000 is built";
    EXPECT_EQ(documentCount(), 1 + coded);
}

// Settings chosen in the dialog are remembered and code the next run; a value another build
// stored that the codec no longer takes falls back to the default instead of failing.
TEST_F(AnchorWorkbenchGuiTest, ChosenCodecSettingsAreRememberedAndCodeTheNextRun) {
    QAction* webp = anchorEntry("WebP");
    if (!webp) GTEST_SKIP() << "WebP is not built";
    const AnchorCodec& codec = *anchorCodecNamed("webp");
    ASSERT_NE(form->AnchorCodecSettings1, nullptr);
    const std::string source = openCopy(samplePath("astronaut.bmp"));
    form->Edit2->setText(QStringLiteral("60"));

    CodecSettingsDialog* dialog = form->AnchorCodecSettingsClick();
    dialog->showCodec(dialog->codecChoice->findText(QStringLiteral("WebP")));
    EXPECT_EQ(dialog->shownSettings(), codec.defaultSettings());
    EXPECT_FALSE(dialog->setField(QStringLiteral("method"), QStringLiteral("7"))) << "outside 0-6";
    ASSERT_TRUE(dialog->setField(QStringLiteral("method"), QStringLiteral("0")));
    dialog->acceptChoices();
    EXPECT_TRUE(webp->statusTip().contains("method 0")) << webp->statusTip().toStdString();

    form->ClientArea->setActiveSubWindow(lastDocument());
    webp->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const CodecSettings chosen{{"method", "0"}};
    const Bytes expected = codec.encodeWith(loadBitmapFile(source), 60, resolvedSettings(chosen, codec.settingDescriptions()));
    EXPECT_EQ(readWholeFile(dir.file("astronaut.webp")), expected);
    EXPECT_EQ(openWorkbenchSettings()->value("codecSettings/webp").toString(), "method=0");
    ASSERT_TRUE(waitForMeasures());
    EXPECT_EQ(shown("run"), "WebP, quality 60, method 0") << "the run line names the settings chosen";

    openWorkbenchSettings()->setValue("codecSettings/webp", "method=9:quality=2");
    EXPECT_EQ(rememberedCodecSettings(*codecEntryNamed("webp")), CodecSettings{});
    CodecSettingsDialog* reopened = form->AnchorCodecSettingsClick();
    reopened->showCodec(reopened->codecChoice->findText(QStringLiteral("WebP")));
    EXPECT_EQ(reopened->shownSettings(), codec.defaultSettings());
    reopened->close();
}

TEST_F(AnchorWorkbenchGuiTest, AQualityTheCodecRefusesIsReportedAndNothingIsWritten) {
    QAction* webp = anchorEntry("WebP");
    if (!webp) GTEST_SKIP() << "WebP is not built";
    openCopy(samplePath("astronaut.bmp"));
    const std::vector<fs::path> before(fs::directory_iterator(dir.path()), fs::directory_iterator());
    for (const QString& quality : {QStringLiteral("-5"), QStringLiteral("x")}) {
        messages.clear();
        form->Edit2->setText(quality);
        webp->trigger();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages.first().startsWith("WebP takes a quality from 0 to 100")) << messages.first().toStdString();
        EXPECT_EQ(form->Edit2->text(), quality) << "the field is not reset as the JPEG command resets it";
    }
    EXPECT_EQ(documentCount(), 1);
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(dir.path()), fs::directory_iterator()).size(),
              before.size());
}

// A is the reference: B is offered among the windows of A's size only, and the view measures B
// against A and names both by their captions.
TEST_F(AnchorWorkbenchGuiTest, CompareTwoWindowsOffersWindowsOfASizeAndMeasuresBAgainstA) {
    const std::string source = copyInto(samplePath("astronaut.bmp"), dir);
    const QImage original = loadBitmapFile(source);
    const QImage other = original.mirrored(true, false);
    saveBitmapFile(other, dir.file("other.bmp"));
    openThroughDialog(source);
    openPicture(patternBitmap(64, 48), "small.bmp");
    openThroughDialog(dir.file("other.bmp"));
    ASSERT_EQ(documentCount(), 3);

    QStringList offeredB;
    QString noteForSmallA;
    bool okForSmallA = true;
    CompareWindow* window = compareTwoWindows([&](WindowPairDialog& dialog) {
        auto* boxA = dialog.findChild<QComboBox*>("WindowA");
        auto* boxB = dialog.findChild<QComboBox*>("WindowB");
        EXPECT_EQ(boxA->currentText().toStdString(), source) << "the earliest window of the active one's size";
        EXPECT_EQ(boxB->currentText().toStdString(), dir.file("other.bmp")) << "the active window";
        for (int i = 0; i < boxB->count(); ++i) offeredB << boxB->itemText(i);
        boxA->setCurrentIndex(1);
        noteForSmallA = dialog.findChild<QLabel*>("WindowPairNote")->text();
        okForSmallA = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled();
        boxA->setCurrentIndex(0);
        EXPECT_EQ(dialog.windowB()->windowTitle().toStdString(), dir.file("other.bmp"));
        dialog.accept();
    });
    EXPECT_EQ(offeredB, QStringList({QString::fromStdString(dir.file("other.bmp"))}));
    EXPECT_EQ(noteForSmallA, "No other window shows a 64 x 48 picture as A does.");
    EXPECT_FALSE(okForSmallA);
    ASSERT_NE(window, nullptr) << messages.join('\n').toStdString();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    CompareCanvas* canvas = window->canvas();
    EXPECT_EQ(canvas->findChild<QLabel*>("SourceCaption")->text(), "A: astronaut.bmp");
    EXPECT_EQ(canvas->findChild<QLabel*>("ResultCaption")->text(), "B: other.bmp");
    EXPECT_EQ(canvas->difference(), amplifiedDifference(original, other, 8));
    const PictureMeasures m = measurePictures(original, other);
    EXPECT_EQ(window->measuresText(),
              QString("B against A:  PSNR %1 dB,  SSIM %2,  MS-SSIM %3 dB,  CIEDE2000 %4,  Butteraugli %5 (3-norm %6)")
                  .arg(measureText(m.psnr, 3), measureText(m.ssimLuma, 5), measureText(m.msSsimLumaDb, 3),
                       measureText(m.ciede2000, 4), measureText(m.butteraugliMax, 4),
                       measureText(m.butteraugli3Norm, 4)));
    PictureMeasures withScore = m;
    withScore.ssimulacra2 = 87.25;
    window->showMeasures(withScore);
    EXPECT_TRUE(window->measuresText().endsWith(",  SSIMULACRA 2 87.2500")) << window->measuresText().toStdString();
    window->close();
}

TEST_F(AnchorWorkbenchGuiTest, CompareTwoWindowsNeedsTwoPictures) {
    openPicture(patternBitmap(16, 16), "alone.bmp");
    EXPECT_FALSE(form->CompareTwo1->isEnabled());
    // Reached all the same when the window activated last was not the one that closed.
    form->CompareTwo1Click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith("Compare Two Windows needs two")) << messages.first().toStdString();
    EXPECT_TRUE(shownWindows<CompareWindow>().isEmpty());
}

// Space flips between A and B where the user zoomed and panned to, in either direction.
TEST_F(AnchorWorkbenchGuiTest, FlipShowsThePicturesInTurnAtTheSameZoomAndPlace) {
    const QImage a = patternBitmap(120, 90);
    const QImage b = a.mirrored(true, true);
    CompareWindow window("a.bmp", a, "b.bmp", b, form.get(), CompareRoles::twoWindows());
    window.show();
    QApplication::processEvents();
    CompareCanvas* canvas = window.canvas();
    window.findChild<QComboBox*>("CompareMode")->setCurrentIndex(kFlipMode);
    ASSERT_EQ(canvas->mode(), CompareCanvas::Mode::Flip);
    canvas->setZoom(8.0, QPointF(37, 21));
    canvas->zoomBy(1.25);
    const double zoom = canvas->zoom();
    const QPointF origin = canvas->origin();
    const QPoint pixel(canvas->pixelAt(QPoint(100, 80)).value_or(QPoint(-1, -1)));
    ASSERT_TRUE(a.rect().contains(pixel));
    ASSERT_NE(a.pixelColor(pixel), b.pixelColor(pixel));
    auto* caption = canvas->findChild<QLabel*>("FlipCaption");

    for (const bool showsB : {true, false, true}) {
        pressSpace(canvas);
        EXPECT_EQ(canvas->showsResult(), showsB);
        EXPECT_EQ(canvas->zoom(), zoom);
        EXPECT_EQ(canvas->origin(), origin);
        const QImage shot = canvas->grab().toImage();
        EXPECT_EQ(shot.pixelColor(centreOf(*canvas, pixel)), (showsB ? b : a).pixelColor(pixel));
        EXPECT_EQ(caption->text(), showsB ? "B: b.bmp    Space: show A" : "A: a.bmp    Space: show B");
    }
    window.findChild<QComboBox*>("CompareMode")->setCurrentIndex(0);
    pressSpace(canvas);
    EXPECT_TRUE(canvas->showsResult()) << "Space flips in Flip mode only";
}

// The heat map is B's distance from A over the pictures' common area, computed when first asked for.
TEST_F(AnchorWorkbenchGuiTest, HeatMapModeShowsTheDistanceOfBFromAOverTheCommonArea) {
    if (!butteraugliAvailable()) {
        CompareWindow window("a.bmp", patternBitmap(64, 64), "b.bmp", patternBitmap(64, 64), form.get());
        auto* mode = window.findChild<QComboBox*>("CompareMode");
        EXPECT_FALSE(static_cast<QStandardItemModel*>(mode->model())->item(kHeatMapMode)->isEnabled());
        EXPECT_TRUE(mode->itemData(kHeatMapMode, Qt::ToolTipRole).toString().contains("no Butteraugli"));
        return;
    }
    const QImage original = loadBitmapFile(samplePath("astronaut.bmp"));
    // An odd source and a result one row and one column short, as an AVC picture of it would be.
    const QImage source = original.copy(0, 0, 201, 161);
    const QImage result = original.copy(0, 1, 200, 160).mirrored(true, false);
    CompareWindow window("a.bmp", source, "b.bmp", result, form.get());
    window.show();
    CompareCanvas* canvas = window.canvas();
    EXPECT_TRUE(canvas->heatMap().isNull()) << "computed only when asked for";
    EXPECT_FALSE(window.legend()->isVisible());
    window.findChild<QComboBox*>("CompareMode")->setCurrentIndex(kHeatMapMode);
    EXPECT_TRUE(window.legend()->isVisible());
    ASSERT_TRUE(waitForHeatMap(*canvas));

    const auto [commonSource, commonResult] = commonAreaOf(source, result);
    ASSERT_EQ(commonSource.size(), QSize(200, 160));
    const QImage expected = butteraugliHeatMap(commonSource, commonResult);
    ASSERT_NE(expected, butteraugliHeatMap(commonResult, commonSource)) << "the order must matter for this test";
    EXPECT_EQ(canvas->heatMap(), expected);
    EXPECT_EQ(canvas->findChild<QLabel*>("HeatMapCaption")->text(),
              "Butteraugli distance of Result: b.bmp against Source: a.bmp");
    const QImage shot = canvas->grab().toImage();
    EXPECT_EQ(shot.pixelColor(centreOf(*canvas, QPoint(100, 80))), expected.pixelColor(100, 80));

    window.findChild<QComboBox*>("CompareMode")->setCurrentIndex(0);
    EXPECT_FALSE(window.legend()->isVisible());
}

TEST_F(AnchorWorkbenchGuiTest, HeatMapModeSaysWhyItIsUnavailableAboveItsLimit) {
    if (!butteraugliAvailable()) GTEST_SKIP() << "no Butteraugli in this build";
    const QImage large = patternBitmap(2049, 2048);
    CompareWindow window("a.bmp", large, "b.bmp", large, form.get());
    auto* mode = window.findChild<QComboBox*>("CompareMode");
    EXPECT_FALSE(static_cast<QStandardItemModel*>(mode->model())->item(kHeatMapMode)->isEnabled());
    EXPECT_EQ(mode->itemData(kHeatMapMode, Qt::ToolTipRole).toString(),
              "The heat map takes pictures of up to 4194304 pixels; these have 2049 x 2048.");
    EXPECT_TRUE(static_cast<QStandardItemModel*>(mode->model())->item(kFlipMode)->isEnabled());
}

// The legend below the heat map takes room from the canvas: the picture is fitted again, whole;
// the readout tells the distance under the pointer, and the split slider works in Split mode alone.
TEST_F(AnchorWorkbenchGuiTest, HeatMapStaysFittedUnderItsLegendAndTheReadoutGivesTheDistance) {
    if (!butteraugliAvailable()) GTEST_SKIP() << "no Butteraugli in this build";
    const QImage original = loadBitmapFile(samplePath("astronaut.bmp"));
    const QImage source = original.copy(0, 0, 480, 360);
    const QImage result = original.copy(0, 0, 480, 360).mirrored(true, false);
    CompareWindow window("a.bmp", source, "b.bmp", result, form.get());
    window.resize(700, 500);
    window.show();
    QApplication::processEvents();
    auto* mode = window.findChild<QComboBox*>("CompareMode");
    auto* split = window.findChild<QSlider*>("SplitSlider");
    for (int index = 0; index < mode->count(); ++index) {
        mode->setCurrentIndex(index);
        EXPECT_EQ(split->isEnabled(), index == kSplitMode) << mode->itemText(index).toStdString();
    }
    mode->setCurrentIndex(kHeatMapMode);
    CompareCanvas* canvas = window.canvas();
    ASSERT_TRUE(waitForHeatMap(*canvas));
    QApplication::processEvents();
    const double whole = std::min(canvas->width() / 480.0, canvas->height() / 360.0);
    EXPECT_TRUE(canvas->fitted());
    EXPECT_NEAR(canvas->zoom(), whole, 1e-9) << "canvas " << canvas->width() << " x " << canvas->height();

    const ButteraugliMap distances = butteraugliDistanceMap(source, result);
    for (const QPoint pixel : {QPoint(10, 20), QPoint(240, 180), QPoint(470, 350)}) {
        const QPoint at = centreOf(*canvas, pixel);
        QMouseEvent move(QEvent::MouseMove, at, canvas->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(canvas, &move);
        // Below 1:1 the pointer's position may fall on a neighbour: the readout says which pixel it read.
        const QStringList read = window.readout().split(QRegularExpression("[ ,]+"));
        ASSERT_GE(read.size(), 4) << window.readout().toStdString();
        const QPoint shown(read[1].toInt(), read[3].toInt());
        EXPECT_LE((shown - pixel).manhattanLength(), 2);
        EXPECT_TRUE(window.readout().endsWith(
            QString("Butteraugli %1").arg(QString::number(distances.at(shown.x(), shown.y()), 'f', 3))))
            << window.readout().toStdString();
    }
    EXPECT_EQ(heatMapOf(distances), canvas->heatMap()) << "the map shown is the map read";
    mode->setCurrentIndex(kFlipMode);
    EXPECT_FALSE(window.readout().isEmpty());
    const QPoint at = centreOf(*canvas, QPoint(5, 5));
    QMouseEvent move(QEvent::MouseMove, at, canvas->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
    EXPECT_FALSE(window.readout().contains("Butteraugli")) << "the distance belongs to the heat map";
}

}  // namespace
}  // namespace brenlow::testing
