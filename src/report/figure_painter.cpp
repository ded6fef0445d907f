#include "report/figure_painter.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include "io/error.h"

namespace brenlow {
namespace {

// Debian's Qt pulls in this family, so a figure looks the same on every machine that builds it.
const char* kFontFamily = "DejaVu Sans";
constexpr double kPointsPerInch = 72.0;

QColor colourOf(const std::string& colour) {
    return colour == "none" ? QColor(Qt::transparent) : QColor(QString::fromStdString(colour));
}

QPointF pointOf(PlotPoint point) { return {point.x, point.y}; }

QPen penOf(const Stroke& stroke) {
    if (stroke.colour == "none" || stroke.width <= 0.0) return QPen(Qt::NoPen);
    QPen pen(colourOf(stroke.colour), stroke.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const std::vector<double> dash = dashPattern(stroke);
    if (!dash.empty()) {
        pen.setCapStyle(Qt::FlatCap);  // round caps would close up short gaps
        pen.setDashPattern(QList<qreal>(dash.begin(), dash.end()));
    }
    return pen;
}

// Draws on a painter whose unit is the point, whatever the device's resolution.
class PainterCanvas : public PlotCanvas {
public:
    explicit PainterCanvas(QPainter& painter) : painter_(painter) {
        painter_.setRenderHint(QPainter::Antialiasing);
        painter_.setRenderHint(QPainter::TextAntialiasing);
    }

    void rect(const PlotBox& box, const std::string& fill, const Stroke& stroke) override {
        painter_.setPen(penOf(stroke));
        painter_.setBrush(fill == "none" ? QBrush(Qt::NoBrush) : QBrush(colourOf(fill)));
        painter_.drawRect(QRectF(box.left, box.top, box.right - box.left, box.bottom - box.top));
    }

    void line(PlotPoint from, PlotPoint to, const Stroke& stroke) override {
        painter_.setPen(penOf(stroke));
        painter_.drawLine(pointOf(from), pointOf(to));
    }

    void polyline(const std::vector<PlotPoint>& points, const Stroke& stroke) override {
        if (points.empty()) return;
        QPainterPath path(pointOf(points.front()));
        for (std::size_t i = 1; i < points.size(); ++i) path.lineTo(pointOf(points[i]));
        painter_.setPen(penOf(stroke));
        painter_.setBrush(Qt::NoBrush);
        painter_.drawPath(path);
    }

    void polygon(const std::vector<PlotPoint>& corners, const std::string& fill) override {
        QPolygonF shape;
        for (const PlotPoint& corner : corners) shape << pointOf(corner);
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(colourOf(fill));
        painter_.drawPolygon(shape);
    }

    void circle(PlotPoint centre, double radius, const std::string& fill) override {
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(colourOf(fill));
        painter_.drawEllipse(pointOf(centre), radius, radius);
    }

    void text(PlotPoint at, const std::string& content, const TextStyle& style) override {
        QFont font(kFontFamily);
        font.setPointSizeF(style.size);
        font.setBold(style.bold);
        const QString shown = QString::fromStdString(content);
        const double width = QFontMetricsF(font, painter_.device()).horizontalAdvance(shown);
        const double shift = style.anchor == "middle" ? -width / 2.0 : style.anchor == "end" ? -width : 0.0;
        painter_.save();
        painter_.translate(pointOf(at));
        painter_.rotate(style.turn);
        painter_.setFont(font);
        painter_.setPen(colourOf(style.colour));
        painter_.drawText(QPointF(shift, 0.0), shown);
        painter_.restore();
    }

    void beginCurve() override {}
    void endCurve() override {}

private:
    QPainter& painter_;
};

void requireGuiApplication() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        throw Error("PDF and PNG figures are painted with fonts, which needs a QGuiApplication; SVG figures do not");
}

void paint(QPaintDevice& device, const FigureSheet& sheet, double scale) {
    QPainter painter(&device);
    painter.scale(scale, scale);
    PainterCanvas canvas(painter);
    drawSheet(canvas, sheet);
}

std::vector<std::uint8_t> bytesOf(const QByteArray& data) { return {data.begin(), data.end()}; }

// QPdfWriter stamps every file with the time it was written ("/CreationDate (D:20261210025256Z)" in
// the document's information; nothing else differs between two runs) and Qt 6.4 has no setting for
// it; the digits are overwritten in place with zeros, the same length, so that the cross-reference
// table's offsets still hold.
void fixCreationDate(QByteArray& pdf) {
    const QByteArray key = "/CreationDate (D:";
    const qsizetype start = pdf.indexOf(key);
    if (start < 0) return;
    const qsizetype digits = start + key.size();
    const qsizetype end = pdf.indexOf(')', digits);
    if (end < 0) return;
    for (qsizetype i = digits; i < end; ++i)
        if (pdf[i] >= '0' && pdf[i] <= '9') pdf[i] = '0';
}

}  // namespace

std::vector<std::uint8_t> paperFigurePdf(const PaperFigure& figure) { return paperFigurePdf(sheetOf(figure)); }

std::vector<std::uint8_t> paperFigurePng(const PaperFigure& figure, int dotsPerInch) {
    return paperFigurePng(sheetOf(figure), dotsPerInch);
}

std::vector<std::uint8_t> paperFigurePdf(const FigureSheet& sheet) {
    requireGuiApplication();
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(static_cast<int>(kPointsPerInch));
        writer.setPageSize(QPageSize(QSizeF(sheet.width, sheet.height), QPageSize::Point,
                                     QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(QString::fromStdString(sheet.name));
        writer.setCreator("Brenlow");
        paint(writer, sheet, 1.0);
    }
    fixCreationDate(pdf);
    return bytesOf(pdf);
}

std::vector<std::uint8_t> paperFigurePng(const FigureSheet& sheet, int dotsPerInch) {
    requireGuiApplication();
    const double scale = dotsPerInch / kPointsPerInch;
    QImage picture(static_cast<int>(std::lround(sheet.width * scale)),
                   static_cast<int>(std::lround(sheet.height * scale)), QImage::Format_RGB32);
    picture.fill(Qt::white);
    // Painted at 72 dots per inch, so that a point of text is a unit before the scale, then marked
    // with the resolution it was drawn for.
    constexpr double kMetresPerInch = 0.0254;
    picture.setDotsPerMeterX(static_cast<int>(std::lround(kPointsPerInch / kMetresPerInch)));
    picture.setDotsPerMeterY(static_cast<int>(std::lround(kPointsPerInch / kMetresPerInch)));
    paint(picture, sheet, scale);
    picture.setDotsPerMeterX(static_cast<int>(std::lround(dotsPerInch / kMetresPerInch)));
    picture.setDotsPerMeterY(static_cast<int>(std::lround(dotsPerInch / kMetresPerInch)));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) throw Error("The figure could not be coded as PNG");
    return bytesOf(png);
}

}  // namespace brenlow
