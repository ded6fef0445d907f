#include "app/charts/chart_export.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPainter>
#include <QSvgGenerator>
#include <QWidget>
#include <cstdint>
#include <span>

#include "io/error.h"
#include "io/file_io.h"

namespace brenlow {
namespace {

QByteArray svgOf(QWidget& charts) {
    QBuffer buffer;
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(charts.size());
    svg.setViewBox(charts.rect());
    svg.setTitle(charts.windowTitle());
    QPainter painter(&svg);
    charts.render(&painter);
    painter.end();
    return buffer.data();
}

QByteArray pngOf(QWidget& charts) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    charts.grab().save(&buffer, "PNG");
    return buffer.data();
}

}  // namespace

QString chartImageFilter() { return QStringLiteral("PNG image (*.png);;SVG image (*.svg)"); }

QString chartImageFileName(const QString& chosen) {
    if (!QFileInfo(chosen).suffix().isEmpty()) return chosen;
    return chosen + (chosen.endsWith(QLatin1Char('.')) ? QStringLiteral("png") : QStringLiteral(".png"));
}

void saveChartsImage(QWidget& charts, const QString& path) {
    const bool svg = QFileInfo(path).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0;
    const QByteArray bytes = svg ? svgOf(charts) : pngOf(charts);
    if (bytes.isEmpty()) throw Error("The charts could not be drawn as an image.", path.toStdString());
    writeFileAtomically(path.toStdString(),
                        std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size()));
}

}  // namespace brenlow
