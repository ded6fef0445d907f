#include "app/windows/sweep_tables.h"

#include <QBrush>
#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>
#include <cmath>
#include <functional>

#include "app/charts/sweep_charts.h"
#include "app/shell/codec_titles.h"
#include "app/shell/plain_text.h"
#include "app/windows/table_sorting.h"
#include "brenlow/measures.h"

namespace brenlow {
namespace {

const QString kNotAvailable = QStringLiteral("n/a");

QString number(double value, int decimals) { return QString::fromStdString(formatMeasure(value, decimals)); }

QString signedNumber(double value, int decimals) {
    return (value > 0 ? QStringLiteral("+") : QString()) + number(value, decimals);
}

struct PointColumn {
    QString header;
    std::function<QString(const SweepPoint&)> cell;
    // Why a cell reads "n/a"; unset where a cell never does.
    std::function<QString(const SweepPoint&)> whyNotAvailable = {};
};

PointColumn tableColumn(const MeasureRow& row) {
    return {QString::fromLatin1(row.label),
            [&row](const SweepPoint& point) { return number(row.of(point.measures.picture), row.decimals); },
            [&row](const SweepPoint& point) { return undefinedMeasureText(row, point.megapixels); }};
}

QString untimed(const SweepPoint&) {
    return QStringLiteral("Not timed: the point was decoded elsewhere, or kept before its times were recorded.");
}

// "0.5", or "0.5 missed" where even the lowest quality codes larger.
QString targetText(const SweepPoint& point) {
    const QString target = number(point.targetBpp, 3);
    return point.targetMissed ? target + QStringLiteral(" missed") : target;
}

bool codedToSizes(const SweepOutcome& outcome) {
    return std::any_of(outcome.points.begin(), outcome.points.end(),
                       [](const SweepPoint& point) { return !std::isnan(point.targetBpp); });
}

// Every measure of the measure table, SSIM's dB beside SSIM, and the size target where the points have one.
std::vector<PointColumn> pointColumns(const SweepOutcome& outcome) {
    std::vector<PointColumn> columns{
        {"Codec", [](const SweepPoint& point) { return curveTitle(point.curve); }},
        {"Quality", [](const SweepPoint& point) { return QString::number(point.quality); }},
    };
    if (codedToSizes(outcome)) columns.push_back({"Target bpp", targetText});
    columns.push_back({"Coded size", [](const SweepPoint& point) { return QString::number(point.figures.codedSize); }});
    columns.push_back({"Bits per pixel", [](const SweepPoint& point) { return number(point.measures.bitsPerPixel, 4); }});
    for (const MeasureRow& row : measureTable()) {
        columns.push_back(tableColumn(row));
        for (const MeasureRow& derived : curveMeasureTable())
            if (derived.curve.decibelsOfValue && derived.value == row.value) columns.push_back(tableColumn(derived));
    }
    columns.push_back({"Encode s", [](const SweepPoint& point) { return number(point.encodeSeconds, 4); }, untimed});
    columns.push_back({"Decode s", [](const SweepPoint& point) { return number(point.decodeSeconds, 4); }, untimed});
    columns.push_back({"Encode MP/s",
                       [](const SweepPoint& point) {
                           return number(megapixelsPerSecond(point.megapixels, point.encodeSeconds), 2);
                       },
                       untimed});
    columns.push_back({"Decode MP/s",
                       [](const SweepPoint& point) {
                           return number(megapixelsPerSecond(point.megapixels, point.decodeSeconds), 2);
                       },
                       untimed});
    return columns;
}

// "the curves share 35 % of JPEG's PSNR range and 80 % of WEBP's": the range is the quality
// interval for a delta rate and the bit-rate interval for a delta quality.
QString overlapText(const BdResult& result, const std::string& anchor, const std::string& curve,
                    const QString& range) {
    return QStringLiteral("The curves share %1 % of %2's %3 and %4 % of %5's: this delta describes only that part.")
        .arg(number(100.0 * result.sharedFractionAnchor, 0), curveTitle(anchor), range,
             number(100.0 * result.sharedFractionTest, 0), curveTitle(curve));
}

QString undefinedDeltaReason(BdUndefined why, const MeasureRow& measure, double megapixels) {
    switch (why) {
        case BdUndefined::NoValues:
            return QStringLiteral("A curve has no value of %1. %2")
                .arg(QString::fromLatin1(measure.label), undefinedMeasureText(measure, megapixels));
        case BdUndefined::TooFewPoints: return QStringLiteral("A curve has too few distinct points to fit.");
        case BdUndefined::NoSharedInterval: return QStringLiteral("The curves share no interval of this measure.");
        case BdUndefined::No: break;
    }
    return QStringLiteral("Too few points, or the curves share no interval.");
}

// `megapixels`: of the pictures, for the reason a measure has no values.
QTableWidgetItem* deltaItem(const BdResult& result, const QString& text, const QString& overlap,
                            const MeasureRow& measure, double megapixels) {
    if (std::isnan(result.value)) {
        QTableWidgetItem* item = numberItem(QStringLiteral("n/a"));
        item->setToolTip(undefinedDeltaReason(result.undefined, measure, megapixels));
        return item;
    }
    if (!result.weakOverlap) return numberItem(text);
    QTableWidgetItem* item = numberItem(text + QStringLiteral(" !"));
    item->setToolTip(plainTip(overlap));
    // Its pale mark keeps dark text whatever the palette, which may give light text (a dark theme).
    item->setBackground(QBrush(QColor(255, 236, 179)));
    item->setForeground(QBrush(QColor(0, 0, 0)));
    return item;
}

// The row of one codec and measure: the cubic fit's row comes first, PCHIP's right after it.
void fillDeltaRow(QTableWidget& table, int row, const DeltaRow& cubic, const DeltaRow& pchip,
                  const std::string& anchor, double megapixels) {
    const QString measure = QString::fromStdString(measureLabel(cubic.measure));
    const QString qualityRange = QString::fromStdString(measureLabel(cubic.measure)) + QStringLiteral(" range");
    const QString rateRange = QStringLiteral("bit-rate range");
    table.setItem(row, 0, new QTableWidgetItem(curveTitle(cubic.curve)));
    table.setItem(row, 1, new QTableWidgetItem(measure));
    int column = 2;
    for (const DeltaRow* fit : {&cubic, &pchip}) {
        table.setItem(row, column++, deltaItem(fit->rate, signedNumber(fit->rate.value, 2) + QStringLiteral(" %"),
                                               overlapText(fit->rate, anchor, fit->curve, qualityRange),
                                               fit->measure.row(), megapixels));
        table.setItem(row, column++, deltaItem(fit->quality, signedNumber(fit->quality.value, 4),
                                               overlapText(fit->quality, anchor, fit->curve, rateRange),
                                               fit->measure.row(), megapixels));
    }
}

std::vector<CurveMeasure> deltaMeasuresHeld(const SweepOutcome& outcome) {
    const std::vector<CurveMeasure> held = measuresHeld(outcome);
    std::vector<CurveMeasure> measures;
    for (CurveMeasure measure : deltaMeasures())
        if (std::find(held.begin(), held.end(), measure) != held.end()) measures.push_back(measure);
    return measures;
}

}  // namespace

QTableWidget* readOnlyTable(const char* name, int rows, const QStringList& headers, const QString& spokenName) {
    auto* table = new QTableWidget(rows, static_cast<int>(headers.size()));
    table->setObjectName(QString::fromLatin1(name));
    table->setAccessibleName(spokenName);
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    return table;
}

QTableWidgetItem* numberItem(const QString& text) {
    auto* item = new NumberItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QString undefinedMeasureText(const MeasureRow& row, double megapixels) {
    return QString::fromStdString(undefinedMeasureReason(row, megapixels));
}

QTableWidgetItem* measureItem(const MeasureRow& row, double value, int decimals, double megapixels) {
    QTableWidgetItem* item = numberItem(number(value, decimals));
    if (std::isnan(value)) item->setToolTip(undefinedMeasureText(row, megapixels));
    return item;
}

double largestMegapixels(const SweepOutcome& outcome) {
    double largest = 0.0;
    for (const SweepPoint& point : outcome.points) largest = std::max(largest, point.megapixels);
    return largest;
}

QTableWidget* makePointTable(const SweepOutcome& outcome) {
    const std::vector<PointColumn> columns = pointColumns(outcome);
    QStringList headers;
    for (const PointColumn& column : columns) headers << column.header;
    QTableWidget* table = readOnlyTable("SweepTable", static_cast<int>(outcome.points.size()), headers,
                                         QStringLiteral("Every point"));
    for (int row = 0; row < table->rowCount(); ++row) {
        const SweepPoint& point = outcome.points[static_cast<std::size_t>(row)];
        table->setItem(row, 0, new QTableWidgetItem(columns[0].cell(point)));
        for (int column = 1; column < static_cast<int>(columns.size()); ++column) {
            const PointColumn& shown = columns[static_cast<std::size_t>(column)];
            QTableWidgetItem* item = numberItem(shown.cell(point));
            if (item->text() == kNotAvailable && shown.whyNotAvailable) item->setToolTip(shown.whyNotAvailable(point));
            table->setItem(row, column, item);
        }
    }
    table->resizeColumnsToContents();
    sortByHeaderClick(*table);
    return table;
}

QTableWidget* makeDeltaTable(const SweepOutcome& outcome, const std::string& anchor) {
    return makeDeltaTable(deltaTable(outcome, anchor, deltaMeasuresHeld(outcome)), anchor, largestMegapixels(outcome));
}

QTableWidget* makeDeltaTable(const std::vector<DeltaRow>& rows, const std::string& anchor, double megapixels) {
    if (rows.empty()) return nullptr;
    QTableWidget* table = readOnlyTable("DeltaTable", static_cast<int>(rows.size() / 2),
                                        {"Codec", "Measure", "BD-rate, cubic", "BD-quality, cubic", "BD-rate, PCHIP",
                                         "BD-quality, PCHIP"},
                                        QStringLiteral("Delta rates against %1").arg(curveTitle(anchor)));
    for (std::size_t pair = 0; pair + 1 < rows.size(); pair += 2)
        fillDeltaRow(*table, static_cast<int>(pair / 2), rows[pair], rows[pair + 1], anchor, megapixels);
    table->resizeColumnsToContents();
    sortByHeaderClick(*table);
    return table;
}

}  // namespace brenlow
