#pragma once

#include <QColor>
#include <functional>

class QPalette;
class QWidget;

namespace brenlow {

// Calls `apply` on `widget` now and again whenever the application's palette changes while the
// program runs (a dark theme switched on), so that colours derived from the palette are derived
// anew. `apply` should start from QApplication::palette(widget): a palette set on the widget
// itself keeps the roles it sets through later changes.
void followPalette(QWidget* widget, std::function<void(QWidget&)> apply);

// The palette's text colour for a warning: red, light or dark enough to read on its window colour.
QColor warningText(const QPalette& palette);

// WCAG's contrast ratio of two opaque colours, from 1 (the same) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

}  // namespace brenlow
