#include "app/windows/dataset_tables.h"

#include <QStringList>
#include <QTableWidget>
#include <cmath>

#include "app/shell/codec_titles.h"
#include "app/windows/sweep_tables.h"
#include "app/windows/table_sorting.h"
#include "brenlow/codec.h"

namespace brenlow {
namespace {

QString number(double value, int decimals) { return QString::fromStdString(formatMeasure(value, decimals)); }

QString summaryCount(const DeltaSummary& summary) {
    return summary.leftOut == 0 ? QString::number(summary.count)
                                : QStringLiteral("%1 (%2 n/a)").arg(summary.count).arg(summary.leftOut);
}

void fillSummaryRow(QTableWidget& table, int row, const PerPictureDeltas& deltas, bool rate) {
    const DeltaSummary& summary = rate ? deltas.rate : deltas.quality;
    const int decimals = rate ? 2 : 4;
    const QStringList texts{curveTitle(deltas.curve), QString::fromStdString(measureLabel(deltas.measure)),
                            deltas.interpolation == BdInterpolation::Cubic ? QStringLiteral("cubic")
                                                                           : QStringLiteral("PCHIP"),
                            rate ? QStringLiteral("BD-rate %") : QStringLiteral("BD-quality")};
    int column = 0;
    for (const QString& text : texts) table.setItem(row, column++, new QTableWidgetItem(text));
    for (double value : {summary.mean, summary.median, summary.min, summary.max, summary.stdev})
        table.setItem(row, column++, numberItem(number(value, decimals)));
    table.setItem(row, column, numberItem(summaryCount(summary)));
}

}  // namespace

std::vector<CurveMeasure> aggregateMeasuresHeld(const DataSetOutcome& outcome) {
    std::vector<CurveMeasure> held;
    const std::vector<CurveMeasure>& measures = curveMeasures();
    for (std::size_t m = 0; m < measures.size(); ++m)
        for (const AggregatePoint& point : outcome.aggregate)
            if (m < point.means.size() && !std::isnan(point.means[m])) {
                held.push_back(measures[m]);
                break;
            }
    return held;
}

QTableWidget* makeDeltaSummaryTable(const DataSetOutcome& outcome, const std::string& anchor) {
    const std::vector<PerPictureDeltas> deltas = perPictureDeltaTable(outcome, anchor);
    if (deltas.empty()) return nullptr;
    QTableWidget* table = readOnlyTable("DeltaSummaryTable", static_cast<int>(2 * deltas.size()),
                                        {"Codec", "Measure", "Fit", "Delta", "Mean", "Median", "Min", "Max",
                                         "Stdev", "Pictures"},
                                        QStringLiteral("Per-picture deltas"));
    for (std::size_t i = 0; i < deltas.size(); ++i) {
        fillSummaryRow(*table, static_cast<int>(2 * i), deltas[i], true);
        fillSummaryRow(*table, static_cast<int>(2 * i + 1), deltas[i], false);
    }
    table->resizeColumnsToContents();
    sortByHeaderClick(*table);
    return table;
}

QTableWidget* makeCurveTable(const DataSetOutcome& outcome) {
    QTableWidget* table = readOnlyTable("CurveTable", static_cast<int>(outcome.curves.size()),
                                        {"Curve", "Codec", "Settings", "Qualities", "Library"}, QStringLiteral("Curves"));
    int row = 0;
    for (const CodecCurve& curve : outcome.curves) {
        QStringList qualities;
        for (int quality : curve.qualitiesOr(outcome.parameters.qualities)) qualities << QString::number(quality);
        const std::string settings = curve.settingsText();
        const QStringList texts{QString::fromStdString(curve.name), QString::fromStdString(curveCodecName(curve)),
                                settings.empty() ? QStringLiteral("none") : QString::fromStdString(settings),
                                qualities.join(QStringLiteral(", ")), QString::fromStdString(curveLibrary(curve))};
        int column = 0;
        for (const QString& text : texts) table->setItem(row, column++, new QTableWidgetItem(text));
        ++row;
    }
    table->resizeColumnsToContents();
    return table;
}

}  // namespace brenlow
