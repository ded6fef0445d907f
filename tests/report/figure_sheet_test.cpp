#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "report/figure_drawing.h"
#include "report/figure_sheet.h"

namespace brenlow {
namespace {

// Two curves at three qualities of one picture, PSNR only.
SweepOutcome twoCurves() {
    SweepOutcome outcome;
    for (StillCodec codec : {StillCodec::Jpeg, StillCodec::Avc})
        for (int q = 0; q < 3; ++q) {
            SweepPoint point;
            point.codec = codec;
            point.curve = codecName(codec);
            point.quality = 30 + 30 * q;
            point.measures.bitsPerPixel = 0.4 * (q + 1);
            point.measures.picture.psnr = 30.0 + 2.0 * q;
            outcome.points.push_back(point);
        }
    return outcome;
}

// Writes down every call, and the bounds of what each curve draws.
class RecordingCanvas : public PlotCanvas {
public:
    std::vector<std::string> calls;
    std::vector<std::string> texts;
    std::vector<PlotBox> curveBounds;

    void rect(const PlotBox& b, const std::string& fill, const Stroke&) override {
        note("rect", {{b.left, b.top}, {b.right, b.bottom}}, fill);
    }
    void line(PlotPoint from, PlotPoint to, const Stroke&) override { note("line", {from, to}); }
    void polyline(const std::vector<PlotPoint>& points, const Stroke&) override { note("path", points); }
    void polygon(const std::vector<PlotPoint>& corners, const std::string& fill) override {
        note("polygon", corners, fill);
    }
    void circle(PlotPoint centre, double, const std::string& fill) override { note("circle", {centre}, fill); }
    void text(PlotPoint at, const std::string& content, const TextStyle&) override {
        texts.push_back(content);
        note("text", {at}, content);
    }
    void beginCurve() override {
        inCurve_ = true;
        curveBounds.push_back({1e9, 1e9, -1e9, -1e9});
    }
    void endCurve() override { inCurve_ = false; }

private:
    void note(const std::string& what, const std::vector<PlotPoint>& points, const std::string& extra = "") {
        std::ostringstream call;
        call << what << ' ' << extra;
        for (const PlotPoint& point : points) {
            call << ' ' << point.x << ',' << point.y;
            if (!inCurve_) continue;
            PlotBox& box = curveBounds.back();
            box = {std::min(box.left, point.x), std::min(box.top, point.y), std::max(box.right, point.x),
                   std::max(box.bottom, point.y)};
        }
        calls.push_back(call.str());
    }

    bool inCurve_ = false;
};

TEST(FigureSheetTest, ALoneFigureWithoutHeadingIsDrawnExactlyAsTheFigure) {
    const PaperFigure figure = paperFigure(twoCurves(), CurveMeasure("psnr"), FigureWidth::Page);
    RecordingCanvas alone;
    drawStyledPlot(alone, figure.layout, figure.styles);
    RecordingCanvas sheet;
    drawSheet(sheet, sheetOf(figure));
    EXPECT_EQ(sheet.calls, alone.calls);
    EXPECT_EQ(sheetOf(figure).width, figure.layout.width);
    EXPECT_EQ(sheetOf(figure).name, figure.name);
}

// Each figure's curves land in its own part of the sheet, below the heading: stacked in a column,
// side by side on a page.
TEST(FigureSheetTest, FiguresTakeTheirOwnPlacesBelowTheHeading) {
    const PaperFigure figure = paperFigure(twoCurves(), CurveMeasure("psnr"), FigureWidth::Column);
    const double width = figure.layout.width;
    const double height = figure.layout.height;
    for (FigureWidth arrangement : {FigureWidth::Column, FigureWidth::Page}) {
        const FigureSheet sheet = figureSheet({figure, figure}, "kodim05.png, anchor JPEG", arrangement);
        const bool stacked = arrangement == FigureWidth::Column;
        RecordingCanvas canvas;
        drawSheet(canvas, sheet);
        ASSERT_FALSE(canvas.texts.empty());
        EXPECT_EQ(canvas.texts.front(), "kodim05.png, anchor JPEG");
        EXPECT_NEAR(sheet.width, stacked ? width : 2.0 * width, 1e-9);
        const double top = sheet.height - (stacked ? 2.0 * height : height);
        EXPECT_GT(top, 10.0) << "room for the heading";
        ASSERT_EQ(canvas.curveBounds.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i) {
            const PlotBox& drawn = canvas.curveBounds[i];
            const double left = stacked || i < 2 ? 0.0 : width;
            const double figureTop = top + (stacked && i >= 2 ? height : 0.0);
            EXPECT_GE(drawn.left, left) << i;
            EXPECT_LE(drawn.right, left + width) << i;
            EXPECT_GE(drawn.top, figureTop) << i;
            EXPECT_LE(drawn.bottom, figureTop + height) << i;
        }
    }
}

TEST(FigureSheetTest, ALongHeadingTakesSmallerLettersToStayOnTheSheet) {
    const PaperFigure figure = paperFigure(twoCurves(), CurveMeasure("psnr"), FigureWidth::Column);
    const FigureSheet shortOne = figureSheet({figure}, "a.png, anchor JPEG", FigureWidth::Column);
    const std::string longName = std::string(100, 'x') + ".png, anchor JPEG";
    const FigureSheet longOne = figureSheet({figure}, longName, FigureWidth::Column);
    EXPECT_LT(longOne.headingSize, shortOne.headingSize);
    EXPECT_LE(longOne.headingSize * 0.62 * static_cast<double>(longName.size()), longOne.width)
        << "letters about 0.62 of their size wide fit across";
}

}  // namespace
}  // namespace brenlow
