#pragma once

#include <QString>

class QWidget;

namespace brenlow {

// The file filters of an image export, PNG first.
QString chartImageFilter();

// The name an image export writes: the chosen one, with ".png" added when it has no extension.
QString chartImageFileName(const QString& chosen);

// Writes the charts as an SVG file when the name ends in ".svg", as PNG otherwise, whole or not at
// all. Throws Error naming the file.
void saveChartsImage(QWidget& charts, const QString& path);

}  // namespace brenlow
