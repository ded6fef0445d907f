#include "report/curve_plot.h"

#include <QBuffer>
#include <QChart>
#include <QFont>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QPainter>
#include <QPen>
#include <QRegularExpression>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace brenlow {
namespace {

// Enough colours that seven codecs and a few published curves never share one.
QColor curveColour(std::size_t index) {
    static const std::array<QColor, 12> colours{
        QColor(0x1f, 0x5f, 0xbf), QColor(0xe0, 0x7b, 0x00), QColor(0x2e, 0x9e, 0x3e), QColor(0xc6, 0x28, 0x28),
        QColor(0x7b, 0x3f, 0xb5), QColor(0x00, 0x89, 0x7b), QColor(0x8d, 0x6e, 0x63), QColor(0xd8, 0x1b, 0x60),
        QColor(0x55, 0x55, 0x55), QColor(0x9e, 0x9d, 0x24), QColor(0x17, 0xbe, 0xcf), QColor(0x3f, 0x51, 0xb5)};
    return colours[index % colours.size()];
}

// Qt Charts draws every name and title as HTML: a curve's label, from a result folder or a curve
// file someone handed over, is escaped so that it shows as typed and no <img> in it reads a file.
QString drawnText(const std::string& text) { return QString::fromStdString(text).toHtmlEscaped(); }

QLineSeries* seriesOf(const PlotCurve& curve, std::size_t index) {
    auto* line = new QLineSeries;
    line->setName(drawnText(curve.name));
    QPen pen(curveColour(index));
    pen.setWidthF(2.0);
    if (curve.dashed) pen.setStyle(Qt::DashLine);
    line->setPen(pen);
    line->setPointsVisible(true);
    for (const RatePoint& point : curve.points)
        if (std::isfinite(point.rate) && std::isfinite(point.quality)) line->append(point.rate, point.quality);
    return line;
}

// Axes from zero bits to the furthest point, over every curve's qualities, on round numbers.
void fitAxes(const std::vector<PlotCurve>& curves, QValueAxis& x, QValueAxis& y) {
    double right = 0.0;
    double bottom = std::numeric_limits<double>::infinity();
    double top = -bottom;
    for (const PlotCurve& curve : curves) {
        for (const RatePoint& point : curve.points) {
            if (!std::isfinite(point.rate) || !std::isfinite(point.quality)) continue;
            right = std::max(right, point.rate);
            bottom = std::min(bottom, point.quality);
            top = std::max(top, point.quality);
        }
    }
    if (bottom > top) return;
    x.setRange(0.0, right > 0.0 ? right : 1.0);
    y.setRange(bottom, top > bottom ? top : bottom + 1.0);
    x.applyNiceNumbers();
    y.applyNiceNumbers();
}

// A font by a name browsers know, at a size in pixels: the generator writes both into the SVG.
QFont plotFont(int pixels, bool bold = false) {
    QFont font(QStringLiteral("sans-serif"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QValueAxis* axisTitled(const std::string& title) {
    auto* axis = new QValueAxis;
    axis->setTitleText(drawnText(title));
    axis->setTitleFont(plotFont(13));
    axis->setLabelsFont(plotFont(11));
    return axis;
}

QChart* chartOf(const std::vector<PlotCurve>& curves, const std::string& title, const std::string& xTitle,
                const std::string& yTitle) {
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setTitle(drawnText(title));
    chart->setTitleFont(plotFont(15, true));
    chart->legend()->setFont(plotFont(12));
    for (std::size_t i = 0; i < curves.size(); ++i) chart->addSeries(seriesOf(curves[i], i));
    QValueAxis* x = axisTitled(xTitle);
    QValueAxis* y = axisTitled(yTitle);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    fitAxes(curves, *x, *y);
    chart->legend()->setAlignment(Qt::AlignRight);
    return chart;
}

// The generator writes a standalone file: an HTML page takes the <svg> element alone, with
// neither the XML namespaces it does not need nor a size in millimetres.
std::string svgElement(QByteArray document, int width, int height) {
    const qsizetype start = document.indexOf("<svg");
    if (start < 0) return {};
    document = document.mid(start).trimmed();
    const qsizetype end = document.indexOf('>');
    QString head = QString::fromUtf8(document.left(end));
    head.remove(QRegularExpression(QStringLiteral(R"(\s(xmlns(:\w+)?|width|height)="[^"]*")")));
    head += QStringLiteral(" width=\"%1\" height=\"%2\"").arg(width).arg(height);
    return head.toStdString() + document.mid(end).toStdString();
}

}  // namespace

std::string curvePlotSvg(const std::vector<PlotCurve>& curves, const std::string& title, const std::string& xTitle,
                         const std::string& yTitle, int width, int height) {
    QGraphicsScene scene;
    QChart* chart = chartOf(curves, title, xTitle, yTitle);
    scene.addItem(chart);  // the scene owns it from here
    const QRectF area(0, 0, width, height);
    chart->setGeometry(area);
    chart->layout()->activate();

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(width, height));
    generator.setViewBox(area);
    generator.setTitle(QString::fromStdString(title));
    QPainter painter(&generator);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, area, area);
    painter.end();
    return svgElement(buffer.data(), width, height);
}

}  // namespace brenlow
