#include "report/svg_writer.h"

#include <charconv>
#include <cmath>

namespace brenlow {
namespace {

// Two decimals are a hundredth of a pixel; trailing zeros are left off.
std::string number(double value) {
    char text[64];
    const double rounded = std::round(value * 100.0) / 100.0;
    const auto written =
        std::to_chars(text, text + sizeof text, rounded == 0.0 ? 0.0 : rounded, std::chars_format::fixed, 2);
    std::string result(text, written.ptr);
    result.erase(result.find_last_not_of('0') + 1);
    if (result.back() == '.') result.pop_back();
    return result;
}

std::string strokeAttributes(const Stroke& stroke) {
    std::string attributes = " stroke=\"" + stroke.colour + "\" stroke-width=\"" + number(stroke.width) + "\"";
    const std::vector<double> dash = dashPattern(stroke);
    if (dash.empty()) return attributes;
    std::string lengths;
    for (double length : dash) {
        if (!lengths.empty()) lengths += ' ';
        lengths += number(length * stroke.width);
    }
    return attributes + " stroke-dasharray=\"" + lengths + "\"";
}

std::string pointList(const std::vector<PlotPoint>& points) {
    std::string list;
    for (const PlotPoint& point : points) {
        if (!list.empty()) list += ' ';
        list += number(point.x) + "," + number(point.y);
    }
    return list;
}

bool allowedInXml(unsigned char c) { return c >= 0x20 || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::string svgText(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '&') escaped += "&amp;";
        else if (c == '<') escaped += "&lt;";
        else if (c == '>') escaped += "&gt;";
        else if (c == '"') escaped += "&quot;";
        else if (!allowedInXml(static_cast<unsigned char>(c))) escaped += "\uFFFD";
        else escaped += c;
    }
    return escaped;
}

std::vector<double> dashPattern(const Stroke& stroke) {
    if (!stroke.dash.empty()) return stroke.dash;
    if (stroke.dashed) return {3.0, 2.0};
    return {};
}

SvgWriter::SvgWriter(double width, double height, const std::string& title, Kind kind) {
    const bool document = kind == Kind::Document;
    const std::string unit = document ? "pt" : "";
    svg_ = std::string(document ? "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" : "") + "<svg" +
           (document ? " xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\"" : "") + " viewBox=\"0 0 " +
           number(width) + " " + number(height) + "\" width=\"" + number(width) + unit + "\" height=\"" +
           number(height) + unit + "\" font-family=\"" + (document ? "DejaVu Sans, sans-serif" : "sans-serif") +
           "\">\n<title>" + svgText(title) + "</title>\n";
}

void SvgWriter::rect(const PlotBox& box, const std::string& fill, const Stroke& stroke) {
    svg_ += "<rect x=\"" + number(box.left) + "\" y=\"" + number(box.top) + "\" width=\"" +
            number(box.right - box.left) + "\" height=\"" + number(box.bottom - box.top) + "\" fill=\"" + fill +
            "\"" + strokeAttributes(stroke) + "/>\n";
}

void SvgWriter::line(PlotPoint from, PlotPoint to, const Stroke& stroke) {
    svg_ += "<line x1=\"" + number(from.x) + "\" y1=\"" + number(from.y) + "\" x2=\"" + number(to.x) + "\" y2=\"" +
            number(to.y) + "\"" + strokeAttributes(stroke) + "/>\n";
}

void SvgWriter::polyline(const std::vector<PlotPoint>& points, const Stroke& stroke) {
    if (points.empty()) return;
    std::string path;
    for (const PlotPoint& point : points)
        path += (path.empty() ? "M" : " L") + number(point.x) + " " + number(point.y);
    svg_ += "<path d=\"" + path + "\" fill=\"none\"" + strokeAttributes(stroke) +
            " stroke-linejoin=\"round\" stroke-linecap=\"round\"/>\n";
}

void SvgWriter::polygon(const std::vector<PlotPoint>& corners, const std::string& fill) {
    if (corners.empty()) return;
    svg_ += "<polygon points=\"" + pointList(corners) + "\" fill=\"" + fill + "\"/>\n";
}

void SvgWriter::circle(PlotPoint centre, double radius, const std::string& fill) {
    svg_ += "<circle cx=\"" + number(centre.x) + "\" cy=\"" + number(centre.y) + "\" r=\"" + number(radius) +
            "\" fill=\"" + fill + "\"/>\n";
}

void SvgWriter::text(PlotPoint at, const std::string& content, const TextStyle& style) {
    svg_ += "<text x=\"" + number(at.x) + "\" y=\"" + number(at.y) + "\" font-size=\"" + number(style.size) +
            "\" fill=\"" + style.colour + "\"";
    if (style.bold) svg_ += " font-weight=\"bold\"";
    if (style.anchor != "start") svg_ += " text-anchor=\"" + style.anchor + "\"";
    if (style.turn != 0.0)
        svg_ += " transform=\"rotate(" + number(style.turn) + " " + number(at.x) + " " + number(at.y) + ")\"";
    svg_ += " xml:space=\"preserve\">" + svgText(content) + "</text>\n";
}

void SvgWriter::beginGroup() { svg_ += "<g>\n"; }

void SvgWriter::endGroup() { svg_ += "</g>\n"; }

void SvgWriter::beginCurve() { svg_ += "<g class=\"curve\">\n"; }

void SvgWriter::endCurve() { endGroup(); }

std::string SvgWriter::finish() { return svg_ + "</svg>"; }

}  // namespace brenlow
