#include <QImage>
#include <QXmlStreamReader>
#include <cmath>
#include <filesystem>

#include "app/windows/dataset_window.h"
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
