#include <QComboBox>
#include <QImage>
#include <QSpinBox>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/windows/dataset_window.h"
#include "app/windows/sweep_window.h"
#include "gui_fixture.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

class FigureExportGuiTest : public WorkbenchTest {};

// Two curves at three qualities over five pictures, with PSNR and SSIM in dB only.
DataSetOutcome twoCurves() {
    DataSetOutcome outcome;
    outcome.pictures = {"a.png", "b.png", "c.png", "d.png", "e.png"};
    const std::size_t measures = curveMeasures().size();
    const std::size_t psnr = CurveMeasure("psnr").index();
    const std::size_t ssim = CurveMeasure("ssim_y_db").index();
    for (const std::string name : {"jpeg", "avc"}) {
        outcome.curves.push_back({StillCodec::Jpeg, name, {}, {}});
        for (int quality : {30, 60, 90}) {
            AggregatePoint point;
            point.curve = name;
            point.quality = quality;
            point.pictures = 5;
            point.bitsPerPixel = quality / 40.0;
            point.means.assign(measures, std::nan(""));
            point.deviations.assign(measures, std::nan(""));
            point.counts.assign(measures, 5);
            point.means[psnr] = 25.0 + quality / 10.0 + (name == "avc" ? 1.0 : 0.0);
            point.deviations[psnr] = 1.5;
            point.means[ssim] = 10.0 + quality / 20.0;
            outcome.aggregate.push_back(point);
        }
    }
    return outcome;
}

int curveGroups(const std::string& svg) {
    QXmlStreamReader reader(QByteArray::fromStdString(svg));
    int curves = 0;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"g" &&
            reader.attributes().value("class") == u"curve")
            ++curves;
    return reader.hasError() ? -1 : curves;
}

// JPEG and AVC at three qualities, with PSNR and MS-SSIM in dB.
SweepOutcome sweepOfTwoCodecs() {
    SweepOutcome outcome;
    for (StillCodec codec : {StillCodec::Jpeg, StillCodec::Avc}) {
        for (int q = 0; q < 3; ++q) {
            SweepPoint point;
            point.codec = codec;
            point.curve = codecName(codec);
            point.quality = 30 + 30 * q;
            point.measures.bitsPerPixel = 0.3 * (q + 1);
            PictureMeasures& m = point.measures.picture;
            m.psnrRed = m.psnrGreen = m.psnrBlue = m.psnr = m.psnrLuma = 28.0 + 3.0 * q;
            m.msSsimLuma = 0.85 + 0.04 * q;
            m.msSsimLumaDb = -10.0 * std::log10(1.0 - m.msSsimLuma);
            outcome.points.push_back(point);
        }
    }
    return outcome;
}

QStringList svgTexts(const std::string& svg) {
    QXmlStreamReader reader(QByteArray::fromStdString(svg));
    QStringList texts;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"text")
            texts << reader.readElementText();
    return texts;
}

// A sweep window's export: the measure shown beside PSNR, titled with the picture and the anchor,
// and a PNG as large as the resolution chosen makes it.
TEST_F(FigureExportGuiTest, SweepExportIsTitledHoldsBothChartsWhenAskedAndFollowsTheResolution) {
    SweepWindow window(QString::fromStdString(dir.file("kodim05.png")), sweepOfTwoCodecs(), "avc");
    QStringList messages;
    window.showMessage = [&](const QString& text) { messages << text; };
    std::vector<CurveMeasure> offered;
    FigureChoice chosen{CurveMeasure("psnr"), {}};
    window.askFigure = [&](const std::vector<CurveMeasure>& measures) -> std::optional<FigureChoice> {
        offered = measures;
        return chosen;
    };
    const auto exportAs = [&](const std::string& name) {
        window.askImageName = [&] { return QString::fromStdString(dir.file(name)); };
        window.exportImage();
    };
    chosen = FigureChoice{CurveMeasure("psnr"), {}};
    exportAs("probe.svg");
    const CurveMeasure other("ms_ssim_y_db");
    ASSERT_NE(std::find(offered.begin(), offered.end(), other), offered.end());

    chosen = FigureChoice{other, {FigureSpread::None, FigureWidth::Page}, true};
    exportAs("both.svg");
    const std::string both = fileBytes(dir.file("both.svg"));
    const QStringList texts = svgTexts(both);
    EXPECT_TRUE(texts.contains("kodim05.png, anchor AVC")) << texts.join(" | ").toStdString();
    EXPECT_EQ(curveGroups(both), 4) << "two curves in each of two charts";
    EXPECT_TRUE(texts.contains(QString::fromStdString(measureLabel(CurveMeasure("psnr")))));
    EXPECT_TRUE(texts.contains(QString::fromStdString(measureLabel(other))));

    chosen = FigureChoice{other, {}, false};
    exportAs("one.svg");
    EXPECT_EQ(curveGroups(fileBytes(dir.file("one.svg"))), 2) << "the chart chosen alone";
    EXPECT_FALSE(svgTexts(fileBytes(dir.file("one.svg"))).contains(QString::fromStdString(measureLabel(CurveMeasure("psnr")))));

    chosen = FigureChoice{other, {}, false, 150};
    exportAs("column150.png");
    chosen = FigureChoice{other, {FigureSpread::None, FigureWidth::Page}, true, 600};
    exportAs("page600.png");
    EXPECT_EQ(messages, QStringList());
    const QImage column(QString::fromStdString(dir.file("column150.png")));
    EXPECT_EQ(column.width(), 525) << "3.5 inches at 150 dpi";
    EXPECT_EQ(column.dotsPerMeterX(), std::lround(150 / 0.0254));
    const QImage page(QString::fromStdString(dir.file("page600.png")));
    EXPECT_EQ(page.width(), 4200) << "two charts of 3.5 inches side by side at 600 dpi";
    EXPECT_GT(page.height(), std::lround(2.625 * 600)) << "the charts and the title above them";
}

TEST_F(FigureExportGuiTest, TheDialogOffersBothChartsAndAResolution) {
    FigureChoiceDialog dialog({CurveMeasure("psnr"), CurveMeasure("ms_ssim_y_db")}, CurveMeasure("ms_ssim_y_db"), false);
    EXPECT_EQ(dialog.choice().dotsPerInch, 300) << "print quality unless asked";
    EXPECT_FALSE(dialog.choice().bothCharts);
    auto* charts = dialog.findChild<QComboBox*>("FigureCharts");
    auto* resolution = dialog.findChild<QSpinBox*>("FigureResolution");
    ASSERT_NE(charts, nullptr);
    ASSERT_NE(resolution, nullptr);
    charts->setCurrentIndex(1);
    resolution->setValue(150);
    const FigureChoice choice = dialog.choice();
    EXPECT_TRUE(choice.bothCharts);
    EXPECT_EQ(choice.dotsPerInch, 150);
    EXPECT_EQ(choice.measure, CurveMeasure("ms_ssim_y_db"));
}

// The data set's export names the data set's folder and its anchor.
TEST_F(FigureExportGuiTest, DataSetExportIsTitledWithTheSetAndTheAnchor) {
    DataSetWindow window(QString::fromStdString(dir.file("kodak")), twoCurves(), "avc");
    window.askFigure = [](const std::vector<CurveMeasure>&) {
        return std::optional<FigureChoice>(FigureChoice{CurveMeasure("ssim_y_db"), {}, true});
    };
    QStringList messages;
    window.showMessage = [&](const QString& text) { messages << text; };
    window.askSaveName = [&](const QString&, const QString&) { return QString::fromStdString(dir.file("set.svg")); };
    window.exportImage();
    EXPECT_EQ(messages, QStringList());
    const std::string svg = fileBytes(dir.file("set.svg"));
    EXPECT_TRUE(svgTexts(svg).contains("kodak, anchor AVC")) << svgTexts(svg).join(" | ").toStdString();
    EXPECT_EQ(curveGroups(svg), 4);
}

TEST_F(FigureExportGuiTest, ExportImageWritesTheOneChartChosenInTheFormatOfTheName) {
    DataSetWindow window(QString::fromStdString(dir.file("set")), twoCurves(), "jpeg");
    std::vector<CurveMeasure> offered;
    window.askFigure = [&](const std::vector<CurveMeasure>& measures) -> std::optional<FigureChoice> {
        offered = measures;
        return FigureChoice{CurveMeasure("psnr"), {FigureSpread::Deviation, FigureWidth::Page}};
    };
    QStringList messages;
    window.showMessage = [&](const QString& text) { messages << text; };
    for (const std::string name : {"psnr.svg", "psnr.png", "psnr"}) {
        window.askSaveName = [&](const QString&, const QString&) { return QString::fromStdString(dir.file(name)); };
        window.exportImage();
    }
    EXPECT_EQ(messages, QStringList());
    EXPECT_EQ(offered, (std::vector<CurveMeasure>{CurveMeasure("psnr"), CurveMeasure("ssim_y_db")}));

    const std::string svg = fileBytes(dir.file("psnr.svg"));
    EXPECT_EQ(curveGroups(svg), 2);
    EXPECT_NE(svg.find("<title>PSNR (dB) against bits per pixel</title>"), std::string::npos) << "one chart: PSNR";
    EXPECT_EQ(svg.find("SSIM"), std::string::npos) << "and no other";
    EXPECT_EQ(QImage(QString::fromStdString(dir.file("psnr.png"))).width(), 2100) << "a page, 7 inches at 300 dpi";
    EXPECT_EQ(fileBytes(dir.file("psnr.pdf")).rfind("%PDF-", 0), 0u) << "a name without an ending is a PDF";
}

TEST_F(FigureExportGuiTest, ACancelledChoiceWritesNothingAndAFailedWriteSaysWhy) {
    DataSetWindow window(QString::fromStdString(dir.file("set")), twoCurves(), "jpeg");
    QStringList messages;
    window.showMessage = [&](const QString& text) { messages << text; };
    int asked = 0;
    window.askSaveName = [&](const QString&, const QString&) {
        ++asked;
        return QString::fromStdString(dir.file("missing/psnr.svg"));
    };
    window.askFigure = [](const std::vector<CurveMeasure>&) { return std::optional<FigureChoice>(); };
    window.exportImage();
    EXPECT_EQ(asked, 0) << "no file is asked for once the chart was not chosen";

    window.askFigure = [](const std::vector<CurveMeasure>&) {
        return std::optional<FigureChoice>(FigureChoice{CurveMeasure("psnr"), {}});
    };
    window.exportImage();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("missing/psnr.svg")) << messages[0].toStdString();
    EXPECT_FALSE(fs::exists(dir.file("missing")));
}

}  // namespace
}  // namespace brenlow::testing
