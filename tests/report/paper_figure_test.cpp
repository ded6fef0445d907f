#include <gtest/gtest.h>

#include <cmath>

#include "report/paper_figure.h"

namespace brenlow {
namespace {

// One curve "jpeg" at two qualities over five pictures: PSNR 30 and 35, each with a deviation of 2.
DataSetOutcome oneCurve() {
    DataSetOutcome outcome;
    outcome.curves.push_back({StillCodec::Jpeg, "jpeg", {}, {}});
    const std::size_t measures = curveMeasures().size();
    const std::size_t psnr = CurveMeasure("psnr").index();
    for (double mean : {30.0, 35.0}) {
        AggregatePoint point;
        point.curve = "jpeg";
        point.bitsPerPixel = mean / 20.0;
        point.means.assign(measures, std::nan(""));
        point.deviations.assign(measures, std::nan(""));
        point.counts.assign(measures, 5);
        point.means[psnr] = mean;
        point.deviations[psnr] = 2.0;
        outcome.aggregate.push_back(point);
    }
    return outcome;
}

// An error bar's height in the measure's unit.
double barHeight(const PlotLayout& layout, const PlacedErrorBar& bar) {
    const double perUnit = (layout.area.bottom - layout.area.top) / (layout.y.scale.high - layout.y.scale.low);
    return (bar.low.y - bar.high.y) / perUnit;
}

TEST(PaperFigureTest, ErrorBarsSpanTheChosenSpreadAndTheScaleTakesThemIn) {
    const CurveMeasure psnr("psnr");
    const DataSetOutcome outcome = oneCurve();
    EXPECT_TRUE(paperFigure(outcome, {}, psnr, {}).layout.curves.at(0).errorBars.empty());

    const std::vector<std::pair<FigureSpread, double>> cases{
        {FigureSpread::Deviation, 2.0}, {FigureSpread::Interval95, interval95HalfWidth(2.0, 5)}};
    for (const auto& [spread, half] : cases) {
        const PlotLayout layout = paperFigure(outcome, {}, psnr, {spread, FigureWidth::Column}).layout;
        const PlacedCurve& curve = layout.curves.at(0);
        ASSERT_EQ(curve.errorBars.size(), 2u);
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_NEAR(barHeight(layout, curve.errorBars[i]), 2.0 * half, 1e-9);
            EXPECT_NEAR(curve.errorBars[i].low.x, curve.points[i].x, 1e-9);
        }
        EXPECT_LE(layout.y.scale.low, 30.0 - half);
        EXPECT_GE(layout.y.scale.high, 35.0 + half);
    }
}

TEST(PaperFigureTest, PublishedCurvesAreDashedBesideTheirOwnStylesAndTheWidthsArePrintSizes) {
    ImportedCurve published{"paper", {{CurveMeasure("psnr"), {{0.5, 29.0}, {2.0, 36.0}}}}, {}};
    ImportedCurve otherMeasure{"other", {{CurveMeasure("ciede2000"), {{0.5, 2.0}}}}, {}};
    const PaperFigure figure = paperFigure(oneCurve(), {published, otherMeasure}, CurveMeasure("psnr"), {});
    ASSERT_EQ(figure.styles.size(), 2u) << "a curve without the measure is left out";
    const std::vector<CurveStyle> own = curveStyles({"jpeg", "paper"});
    EXPECT_EQ(figure.styles[0], own[0]);
    EXPECT_EQ(figure.styles[1].colour, own[1].colour);
    EXPECT_EQ(figure.styles[1].marker, own[1].marker);
    EXPECT_FALSE(figure.styles[1].dash.empty());
    EXPECT_EQ(figure.layout.legend.at(1).text, "paper (published)");

    EXPECT_DOUBLE_EQ(figure.layout.width, 252.0) << "3.5 inches in points";
    EXPECT_DOUBLE_EQ(paperFigure(oneCurve(), {}, CurveMeasure("psnr"), {FigureSpread::None, FigureWidth::Page})
                         .layout.width,
                     504.0);
    EXPECT_LE(figure.layout.fonts.axisTitle, 9.0);
    EXPECT_GE(figure.layout.fonts.tickLabel, 8.0);
}

// A column is too narrow to give the legend a side: it goes below the axis title, in rows that stay
// inside the figure, however many curves there are.
TEST(PaperFigureTest, AColumnFiguresLegendLiesBelowTheAxisTitleInsideTheFigure) {
    DataSetOutcome outcome = oneCurve();
    for (const std::string name : {"a codec with a rather long label", "webp", "avif:speed=8", "jxl"}) {
        outcome.curves.push_back({StillCodec::Jpeg, name, {}, {}});
        for (AggregatePoint point : oneCurve().aggregate) {
            point.curve = name;
            outcome.aggregate.push_back(point);
        }
    }
    const PlotLayout column = paperFigure(outcome, {}, CurveMeasure("psnr"), {}).layout;
    ASSERT_EQ(column.legend.size(), 5u);
    double lowest = 0.0;
    for (const LegendEntry& entry : column.legend) {
        EXPECT_GT(entry.sampleStart.y, column.x.titleAnchor.y) << entry.text;
        EXPECT_GE(entry.sampleStart.x, 0.0) << entry.text;
        const double end = entry.textStart.x + entry.text.size() * column.fonts.characterWidth * column.fonts.legend;
        EXPECT_LE(end, column.width) << entry.text;
        lowest = std::max(lowest, entry.textStart.y);
    }
    EXPECT_LE(lowest, column.height);
    EXPECT_GT(column.legend.back().sampleStart.y, column.legend.front().sampleStart.y) << "more than one row";

    const PlotLayout page =
        paperFigure(outcome, {}, CurveMeasure("psnr"), {FigureSpread::None, FigureWidth::Page}).layout;
    EXPECT_GT(page.legend.front().sampleStart.x, page.area.right) << "a page has room beside the plot";
}

// A label read from a file is only ever text in the figure's document.
TEST(PaperFigureTest, AMarkupLabelStaysTextInTheSvgFile) {
    DataSetOutcome outcome = oneCurve();
    const std::string label = "</text><script>alert(1)</script>";
    outcome.curves[0].name = label;
    for (AggregatePoint& point : outcome.aggregate) point.curve = label;
    const std::string svg = paperFigureSvg(paperFigure(outcome, {}, CurveMeasure("psnr"), {}));
    EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
    EXPECT_EQ(svg.find("<script"), std::string::npos);
    EXPECT_NE(svg.find("&lt;/text&gt;&lt;script&gt;"), std::string::npos);
}

}  // namespace
}  // namespace brenlow
