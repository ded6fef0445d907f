#include "app/sweep_tables.h"

#include <QBrush>
#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>
#include <cmath>
#include <functional>

#include "app/sweep_charts.h"
#include "app/codec_titles.h"
#include "app/table_sorting.h"

namespace brenlow {
namespace {

QString number(double value, int decimals) { return QString::fromStdString(formatMeasure(value, decimals)); }

QString signedNumber(double value, int decimals) {
    return (value > 0 ? QStringLiteral("+") : QString()) + number(value, decimals);
}

struct PointColumn {
    QString header;
    std::function<QString(const SweepPoint&)> cell;
};

PointColumn measureColumn(const char* header, CurveMeasure measure, int decimals) {
    return {QString::fromLatin1(header), [measure, decimals](const SweepPoint& point) {
                return number(measureOf(point, measure), decimals);
            }};
}

std::vector<PointColumn> pointColumns() {
    const auto picture = [](double PictureMeasures::*member, int decimals) {
        return [member, decimals](const SweepPoint& point) { return number(point.measures.picture.*member, decimals); };
    };
    return {
        {"Codec", [](const SweepPoint& point) { return curveTitle(point.curve); }},
        {"Quality", [](const SweepPoint& point) { return QString::number(point.quality); }},
        {"Coded size", [](const SweepPoint& point) { return QString::number(point.figures.codedSize); }},
        {"Bits per pixel", [](const SweepPoint& point) { return number(point.measures.bitsPerPixel, 4); }},
        {"PSNR R", picture(&PictureMeasures::psnrRed, 3)},
        {"PSNR G", picture(&PictureMeasures::psnrGreen, 3)},
        {"PSNR B", picture(&PictureMeasures::psnrBlue, 3)},
        measureColumn("PSNR", CurveMeasure::Psnr, 3),
        measureColumn("PSNR Y", CurveMeasure::PsnrLuma, 3),
        measureColumn("SSIM Y", CurveMeasure::SsimLuma, 5),
        measureColumn("SSIM Y dB", CurveMeasure::SsimLumaDb, 3),
        measureColumn("MS-SSIM Y", CurveMeasure::MsSsimLuma, 5),
        measureColumn("MS-SSIM Y dB", CurveMeasure::MsSsimLumaDb, 3),
        measureColumn("CIEDE2000", CurveMeasure::Ciede2000, 4),
        measureColumn("Butteraugli max", CurveMeasure::ButteraugliMax, 4),
        measureColumn("Butteraugli 3-norm", CurveMeasure::Butteraugli3Norm, 4),
        {"Encode s", [](const SweepPoint& point) { return number(point.encodeSeconds, 4); }},
        {"Decode s", [](const SweepPoint& point) { return number(point.decodeSeconds, 4); }},
        {"Encode MP/s",
         [](const SweepPoint& point) { return number(megapixelsPerSecond(point.megapixels, point.encodeSeconds), 2); }},
        {"Decode MP/s",
         [](const SweepPoint& point) { return number(megapixelsPerSecond(point.megapixels, point.decodeSeconds), 2); }},
    };
}

// "the curves share 35 % of JPEG's PSNR range and 80 % of WEBP's": the range is the quality
// interval for a delta rate and the bit-rate interval for a delta quality.
QString overlapText(const BdResult& result, const std::string& anchor, const std::string& curve,
                    const QString& range) {
    return QStringLiteral("The curves share %1 % of %2's %3 and %4 % of %5's: this delta describes only that part.")
        .arg(number(100.0 * result.sharedFractionAnchor, 0), curveTitle(anchor), range,
             number(100.0 * result.sharedFractionTest, 0), curveTitle(curve));
}

QTableWidgetItem* deltaItem(const BdResult& result, const QString& text, const QString& overlap) {
    if (std::isnan(result.value)) {
        QTableWidgetItem* item = numberItem(QStringLiteral("n/a"));
        item->setToolTip(QStringLiteral("Too few points, or the curves share no interval."));
        return item;
    }
    if (!result.weakOverlap) return numberItem(text);
    QTableWidgetItem* item = numberItem(text + QStringLiteral(" !"));
    item->setToolTip(overlap);
    item->setBackground(QBrush(QColor(255, 236, 179)));
    return item;
}

// The row of one codec and measure: the cubic fit's row comes first, PCHIP's right after it.
void fillDeltaRow(QTableWidget& table, int row, const DeltaRow& cubic, const DeltaRow& pchip,
                  const std::string& anchor) {
    const QString measure = QString::fromStdString(measureLabel(cubic.measure));
    const QString qualityRange = QString::fromStdString(measureLabel(cubic.measure)) + QStringLiteral(" range");
    const QString rateRange = QStringLiteral("bit-rate range");
    table.setItem(row, 0, new QTableWidgetItem(curveTitle(cubic.curve)));
    table.setItem(row, 1, new QTableWidgetItem(measure));
    int column = 2;
    for (const DeltaRow* fit : {&cubic, &pchip}) {
        table.setItem(row, column++, deltaItem(fit->rate, signedNumber(fit->rate.value, 2) + QStringLiteral(" %"),
                                               overlapText(fit->rate, anchor, fit->curve, qualityRange)));
        table.setItem(row, column++, deltaItem(fit->quality, signedNumber(fit->quality.value, 4),
                                               overlapText(fit->quality, anchor, fit->curve, rateRange)));
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

QTableWidget* readOnlyTable(const char* name, int rows, const QStringList& headers) {
    auto* table = new QTableWidget(rows, static_cast<int>(headers.size()));
    table->setObjectName(QString::fromLatin1(name));
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

QTableWidget* makePointTable(const SweepOutcome& outcome) {
    const std::vector<PointColumn> columns = pointColumns();
    QStringList headers;
    for (const PointColumn& column : columns) headers << column.header;
    QTableWidget* table = readOnlyTable("SweepTable", static_cast<int>(outcome.points.size()), headers);
    for (int row = 0; row < table->rowCount(); ++row) {
        const SweepPoint& point = outcome.points[static_cast<std::size_t>(row)];
        table->setItem(row, 0, new QTableWidgetItem(columns[0].cell(point)));
        for (int column = 1; column < static_cast<int>(columns.size()); ++column)
            table->setItem(row, column, numberItem(columns[static_cast<std::size_t>(column)].cell(point)));
    }
    table->resizeColumnsToContents();
    sortByHeaderClick(*table);
    return table;
}

QTableWidget* makeDeltaTable(const SweepOutcome& outcome, const std::string& anchor) {
    return makeDeltaTable(deltaTable(outcome, anchor, deltaMeasuresHeld(outcome)), anchor);
}

QTableWidget* makeDeltaTable(const std::vector<DeltaRow>& rows, const std::string& anchor) {
    if (rows.empty()) return nullptr;
    QTableWidget* table = readOnlyTable("DeltaTable", static_cast<int>(rows.size() / 2),
                                        {"Codec", "Measure", "BD-rate, cubic", "BD-quality, cubic", "BD-rate, PCHIP",
                                         "BD-quality, PCHIP"});
    for (std::size_t pair = 0; pair + 1 < rows.size(); pair += 2)
        fillDeltaRow(*table, static_cast<int>(pair / 2), rows[pair], rows[pair + 1], anchor);
    table->resizeColumnsToContents();
    sortByHeaderClick(*table);
    return table;
}

}  // namespace brenlow
