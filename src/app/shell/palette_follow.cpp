#include "app/shell/palette_follow.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace brenlow {
namespace {

class PaletteFollower : public QObject {
public:
    PaletteFollower(QWidget* widget, std::function<void(QWidget&)> apply)
        : QObject(widget), widget_(widget), apply_(std::move(apply)) {
        // The application hears of every change; a widget whose palette is its own may not.
        widget->installEventFilter(this);
        qApp->installEventFilter(this);
        apply_(*widget_);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if ((watched == widget_ || watched == qApp) && event->type() == QEvent::ApplicationPaletteChange)
            apply_(*widget_);
        return false;
    }

private:
    QWidget* widget_;
    std::function<void(QWidget&)> apply_;
};

double linearChannel(double code) {
    return code <= 0.04045 ? code / 12.92 : std::pow((code + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const QColor& colour) {
    return 0.2126 * linearChannel(colour.redF()) + 0.7152 * linearChannel(colour.greenF()) +
           0.0722 * linearChannel(colour.blueF());
}

}  // namespace

void followPalette(QWidget* widget, std::function<void(QWidget&)> apply) {
    new PaletteFollower(widget, std::move(apply));
}

QColor warningText(const QPalette& palette) {
    const QColor window = palette.color(QPalette::Window);
    const QColor dark(176, 0, 0);
    const QColor light(255, 130, 120);
    return contrastRatio(dark, window) >= contrastRatio(light, window) ? dark : light;
}

double contrastRatio(const QColor& a, const QColor& b) {
    const double first = relativeLuminance(a) + 0.05;
    const double second = relativeLuminance(b) + 0.05;
    return std::max(first, second) / std::min(first, second);
}

}  // namespace brenlow
