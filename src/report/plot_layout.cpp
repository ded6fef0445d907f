#include "report/plot_layout.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace brenlow {
namespace {

constexpr double kLegendShare = 0.35;      // of the width, at most, for the legend's names

std::size_t codePoints(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

double textWidth(const std::string& text, double characterWidth) {
    return static_cast<double>(codePoints(text)) * characterWidth;
}

// The text cut to its first code points that fit in `width`, an ellipsis after them.
std::string elided(const std::string& text, double characterWidth, double width) {
    if (textWidth(text, characterWidth) <= width) return text;
    const auto kept = static_cast<std::size_t>(std::max(1.0, std::floor(width / characterWidth) - 1.0));
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (seen++ == kept) return text.substr(0, i) + "\u2026";
    }
    return text;
}

std::string tickLabel(double value, const AxisScale& scale) {
    if (std::abs(value) < scale.step * 1e-9) value = 0.0;  // no "-0.0" where a sum of steps missed zero
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, scale.decimals);
    return std::string(text, written.ptr);
}

bool isFinite(const RatePoint& point) { return std::isfinite(point.rate) && std::isfinite(point.quality); }

// The half height of the error bar of the curve's point `index`; 0 for none.
double spreadOf(const PlotCurve& curve, std::size_t index) {
    if (index >= curve.spreads.size()) return 0.0;
    const double spread = std::abs(curve.spreads[index]);
    return std::isfinite(spread) ? spread : 0.0;
}

struct DataRange {
    double right = 0.0;
    double bottom = std::numeric_limits<double>::infinity();
    double top = -std::numeric_limits<double>::infinity();
};

DataRange rangeOf(const std::vector<PlotCurve>& curves) {
    DataRange range;
    for (const PlotCurve& curve : curves)
        for (std::size_t i = 0; i < curve.points.size(); ++i) {
            const RatePoint& point = curve.points[i];
            if (!isFinite(point)) continue;
            const double spread = spreadOf(curve, i);
            range.right = std::max(range.right, point.rate);
            range.bottom = std::min(range.bottom, point.quality - spread);
            range.top = std::max(range.top, point.quality + spread);
        }
    if (range.bottom > range.top) range = {1.0, 0.0, 1.0};
    return range;
}

int intervalsFor(double pixels, double pixelsPerStep) {
    return std::max(2, static_cast<int>(std::lround(pixels / pixelsPerStep)));
}

// Tick positions run from `start` (the scale's low end) towards `end` (its high end).
std::vector<AxisTick> ticksOf(const AxisScale& scale, double start, double end) {
    std::vector<AxisTick> ticks;
    const long steps = std::lround((scale.high - scale.low) / scale.step);
    for (long i = 0; i <= steps; ++i) {
        const double value = scale.low + static_cast<double>(i) * scale.step;
        ticks.push_back({start + (end - start) * static_cast<double>(i) / static_cast<double>(steps),
                         tickLabel(value, scale)});
    }
    return ticks;
}

double widestLabel(const std::vector<AxisTick>& ticks, double characterWidth) {
    double widest = 0.0;
    for (const AxisTick& tick : ticks) widest = std::max(widest, textWidth(tick.label, characterWidth));
    return widest;
}

double widestName(const std::vector<PlotCurve>& curves, double characterWidth, double cap) {
    double widest = 0.0;
    for (const PlotCurve& curve : curves) widest = std::max(widest, textWidth(curve.name, characterWidth));
    return std::min(widest, cap);
}

PlacedCurve placed(const PlotCurve& curve, const PlotLayout& layout) {
    const PlotBox& area = layout.area;
    const AxisScale& x = layout.x.scale;
    const AxisScale& y = layout.y.scale;
    const auto across = [&](double rate) { return area.left + (rate - x.low) / (x.high - x.low) * (area.right - area.left); };
    const auto up = [&](double quality) {
        return area.bottom - (quality - y.low) / (y.high - y.low) * (area.bottom - area.top);
    };
    PlacedCurve result{curve.dashed, {}, {}};
    for (std::size_t i = 0; i < curve.points.size(); ++i) {
        const RatePoint& point = curve.points[i];
        if (!isFinite(point)) continue;
        result.points.push_back({across(point.rate), up(point.quality)});
        const double spread = spreadOf(curve, i);
        if (spread > 0.0)
            result.errorBars.push_back(
                {{across(point.rate), up(point.quality - spread)}, {across(point.rate), up(point.quality + spread)}});
    }
    return result;
}

// The legend's rows, centred beside the plot area; they close up when there are many.
std::vector<LegendEntry> legendOf(const std::vector<PlotCurve>& curves, const PlotLayout& layout, double nameWidth) {
    std::vector<LegendEntry> legend;
    if (curves.empty()) return legend;
    const double count = static_cast<double>(curves.size());
    const PlotSpacing& spacing = layout.spacing;
    const double row = std::min(spacing.legendRow, (layout.area.bottom - layout.area.top) / count);
    const double left = layout.area.right + spacing.legendGap;
    double middle = (layout.area.top + layout.area.bottom) / 2.0 - row * (count - 1.0) / 2.0;
    for (const PlotCurve& curve : curves) {
        legend.push_back({elided(curve.name, layout.fonts.characterWidth * layout.fonts.legend, nameWidth), {left, middle}, spacing.sampleLength,
                          {left + spacing.sampleLength + spacing.sampleGap, middle + 0.35 * layout.fonts.legend}});
        middle += row;
    }
    return legend;
}


// A legend below the plot: entries side by side from `left`, a new row where the next would pass `right`.
struct LegendFlow {
    double left = 0.0;
    double right = 0.0;
    double nameWidth = 0.0;  // at most, so that one entry always fits a row
};

double entryWidth(const PlotCurve& curve, const PlotLayout& layout, const LegendFlow& flow) {
    const PlotSpacing& spacing = layout.spacing;
    return spacing.sampleLength + spacing.sampleGap +
           std::min(flow.nameWidth, textWidth(curve.name, layout.fonts.characterWidth * layout.fonts.legend));
}

// Each entry's row and its left end, in the order of the curves.
std::vector<std::pair<int, double>> flowed(const std::vector<PlotCurve>& curves, const PlotLayout& layout,
                                           const LegendFlow& flow) {
    std::vector<std::pair<int, double>> places;
    int row = 0;
    double x = flow.left;
    for (const PlotCurve& curve : curves) {
        const double width = entryWidth(curve, layout, flow);
        if (x > flow.left && x + width > flow.right) {
            ++row;
            x = flow.left;
        }
        places.push_back({row, x});
        x += width + layout.spacing.legendGap;
    }
    return places;
}

int rowsOf(const std::vector<std::pair<int, double>>& places) { return places.empty() ? 0 : places.back().first + 1; }

std::vector<LegendEntry> legendBelow(const std::vector<PlotCurve>& curves, const PlotLayout& layout,
                                     const LegendFlow& flow, double top) {
    std::vector<LegendEntry> legend;
    const std::vector<std::pair<int, double>> places = flowed(curves, layout, flow);
    const PlotSpacing& spacing = layout.spacing;
    for (std::size_t i = 0; i < curves.size(); ++i) {
        const auto [row, left] = places[i];
        const double middle = top + (row + 0.5) * spacing.legendRow;
        legend.push_back({elided(curves[i].name, layout.fonts.characterWidth * layout.fonts.legend, flow.nameWidth),
                          {left, middle},
                          spacing.sampleLength,
                          {left + spacing.sampleLength + spacing.sampleGap, middle + 0.35 * layout.fonts.legend}});
    }
    return legend;
}

}  // namespace

AxisScale roundScale(double low, double high, int intervals) {
    if (!(high > low)) high = low + 1.0;
    const double rough = (high - low) / std::max(1, intervals);
    const double power = std::floor(std::log10(rough));
    const double magnitude = std::pow(10.0, power);
    double multiple = 10.0;
    for (double candidate : {1.0, 2.0, 2.5, 5.0})
        if (rough <= candidate * magnitude * (1.0 + 1e-9)) {
            multiple = candidate;
            break;
        }
    AxisScale scale;
    scale.step = multiple * magnitude;
    scale.low = std::floor(low / scale.step + 1e-9) * scale.step;
    scale.high = std::ceil(high / scale.step - 1e-9) * scale.step;
    const int stepDecimals = static_cast<int>(-power) + (multiple == 2.5 ? 1 : 0) - (multiple == 10.0 ? 1 : 0);
    scale.decimals = std::max(1, stepDecimals);
    return scale;
}

PlotLayout layoutCurvePlot(const std::vector<PlotCurve>& curves, const std::string& title, const std::string& xTitle,
                           const std::string& yTitle, double width, double height) {
    return layoutCurvePlot(curves, title, xTitle, yTitle, width, height, PlotOptions{});
}

PlotLayout layoutCurvePlot(const std::vector<PlotCurve>& curves, const std::string& title, const std::string& xTitle,
                           const std::string& yTitle, double width, double height, const PlotOptions& options) {
    PlotLayout layout;
    layout.width = width;
    layout.height = height;
    layout.title = title;
    layout.fonts = options.fonts;
    layout.spacing = options.spacing;
    const PlotFonts& fonts = layout.fonts;
    const PlotSpacing& spacing = layout.spacing;
    layout.titleAnchor = {width / 2.0, spacing.padding + fonts.title};

    PlotBox& area = layout.area;
    area.top = (title.empty() ? 0.0 : layout.titleAnchor.y) + spacing.padding + fonts.tickLabel / 2.0;

    // Below the plot the legend starts about where the plot does: after the vertical axis's title
    // and tick labels of some five characters.
    LegendFlow flow;
    flow.left = spacing.padding + fonts.axisTitle + spacing.titleGap + spacing.tickGap +
                5.0 * fonts.characterWidth * fonts.tickLabel;
    flow.right = width - spacing.padding;
    flow.nameWidth = std::max(0.0, flow.right - flow.left - spacing.sampleLength - spacing.sampleGap);
    const int legendRows = options.legendBelow ? rowsOf(flowed(curves, layout, flow)) : 0;
    const double legendHeight = legendRows > 0 ? spacing.titleGap + legendRows * spacing.legendRow : 0.0;
    const double xTitleBaseline = height - spacing.padding - legendHeight - 0.25 * fonts.axisTitle;
    area.bottom = xTitleBaseline - fonts.axisTitle - spacing.titleGap - fonts.tickLabel - spacing.tickGap;

    const DataRange range = rangeOf(curves);
    layout.y.title = yTitle;
    layout.y.scale = roundScale(range.bottom, range.top, intervalsFor(area.bottom - area.top, spacing.yStepLength));
    layout.y.ticks = ticksOf(layout.y.scale, area.bottom, area.top);
    area.left = spacing.padding + fonts.axisTitle + spacing.titleGap +
                widestLabel(layout.y.ticks, fonts.characterWidth * fonts.tickLabel) + spacing.tickGap;

    const double nameWidth = widestName(curves, fonts.characterWidth * fonts.legend, kLegendShare * width);
    // A last tick label centred on the right edge needs half its width there.
    area.right = options.legendBelow
                     ? width - spacing.padding - 2.0 * fonts.characterWidth * fonts.tickLabel
                     : width - spacing.padding - nameWidth - spacing.sampleGap - spacing.sampleLength - spacing.legendGap;

    layout.x.title = xTitle;
    layout.x.scale = roundScale(0.0, range.right, intervalsFor(area.right - area.left, spacing.xStepLength));
    layout.x.ticks = ticksOf(layout.x.scale, area.left, area.right);

    layout.x.titleAnchor = {(area.left + area.right) / 2.0, xTitleBaseline};
    layout.y.titleAnchor = {spacing.padding + fonts.axisTitle, (area.top + area.bottom) / 2.0};
    for (const PlotCurve& curve : curves) layout.curves.push_back(placed(curve, layout));
    layout.legend = options.legendBelow
                        ? legendBelow(curves, layout, flow, xTitleBaseline + 0.25 * fonts.axisTitle + spacing.titleGap)
                        : legendOf(curves, layout, nameWidth);
    return layout;
}

}  // namespace brenlow
