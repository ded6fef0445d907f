#include "app/charts/chart_legend.h"

#include <QAbstractSeries>
#include <QChart>
#include <QLegend>
#include <QLegendMarker>

namespace brenlow {

void showCurve(QChart& chart, QAbstractSeries& series, bool shown) {
    series.setVisible(shown);
    for (QLegendMarker* marker : chart.legend()->markers(&series)) {
        // A hidden series hides its marker too, which would leave nothing to click to bring it back.
        marker->setVisible(true);
        QColor text = chart.legend()->labelColor();
        text.setAlphaF(shown ? 1.0f : 0.4f);
        marker->setLabelBrush(text);
    }
}

void letLegendHideCurves(QChart& chart, std::function<void(const QString& name, bool shown)> changed) {
    for (QLegendMarker* marker : chart.legend()->markers()) {
        QObject::connect(marker, &QLegendMarker::clicked, &chart, [&chart, marker, changed] {
            QAbstractSeries& series = *marker->series();
            const bool shown = !series.isVisible();
            showCurve(chart, series, shown);
            if (changed) changed(series.name(), shown);
        });
    }
}

}  // namespace brenlow
