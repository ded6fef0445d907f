#include "app/windows/picture_table.h"

#include <QFileInfo>
#include <QObject>
#include <QStringList>
#include <QTableWidget>
#include <cmath>
#include <cstdint>
#include <unordered_map>

#include "app/shell/codec_titles.h"
#include "app/windows/dataset_tables.h"
#include "app/windows/sweep_tables.h"
#include "app/windows/table_sorting.h"
#include "brenlow/measures.h"

namespace brenlow {
namespace {

constexpr int kPictureCellType = QTableWidgetItem::UserType + 1;
constexpr int kFirstNumberColumn = 2;
constexpr int kFirstMeasureColumn = 5;

// What the cells of the table read, made once: each picture's file name and each curve's title; a
// column's sort keys the first time it is sorted. A child of the table, so it lives as long as the cells.
class PictureCells : public QObject {
public:
    PictureCells(std::shared_ptr<const DataSetOutcome> outcome, std::vector<PictureRow> rows,
                 std::vector<CurveMeasure> measures, QObject* parent)
        : QObject(parent), outcome_(std::move(outcome)), rows_(std::move(rows)), measures_(std::move(measures)) {
        for (const PictureOutcome& picture : outcome_->outcomes)
            names_.push_back(QFileInfo(QString::fromStdString(picture.picture)).fileName());
        for (const CodecCurve& curve : outcome_->curves) titles_.emplace(curve.name, curveTitle(curve.name));
        keys_.resize(static_cast<std::size_t>(kFirstMeasureColumn) + measures_.size());
    }

    QString text(std::size_t row, int column) const {
        const SweepPoint& point = pointAt(row);
        switch (column) {
            case 0: return names_[rows_[row].picture];
            case 1: return title(point.curve);
            case 2: return QString::number(point.quality);
            case 3: return QString::number(point.figures.codedSize);
            case 4: return number(point.measures.bitsPerPixel);
            default: return number(measureOf(point, measureIn(column)));
        }
    }

    // Why a measure's cell reads "n/a"; nothing where it has a value or never reads so.
    QVariant toolTip(std::size_t row, int column) const {
        if (column < kFirstMeasureColumn) return {};
        const SweepPoint& point = pointAt(row);
        const CurveMeasure measure = measureIn(column);
        if (!std::isnan(measureOf(point, measure))) return {};
        return undefinedMeasureText(measure.row(), point.megapixels);
    }

    // The number its text starts with, as a sort reads a cell; NaN where it starts with none.
    double key(std::size_t row, int column) const {
        std::vector<double>& keys = keys_[static_cast<std::size_t>(column)];
        if (keys.empty()) {
            keys.reserve(rows_.size());
            for (std::size_t r = 0; r < rows_.size(); ++r) keys.push_back(cellNumber(text(r, column)));
        }
        return keys[row];
    }

private:
    static QString number(double value) { return QString::fromStdString(formatMeasure(value, 4)); }

    const SweepPoint& pointAt(std::size_t row) const {
        const PictureRow& where = rows_[row];
        return outcome_->outcomes[where.picture].sweep.points[where.point];
    }

    CurveMeasure measureIn(int column) const { return measures_[static_cast<std::size_t>(column - kFirstMeasureColumn)]; }

    QString title(const std::string& curve) const {
        const auto found = titles_.find(curve);
        return found != titles_.end() ? found->second : curveTitle(curve);
    }

    std::shared_ptr<const DataSetOutcome> outcome_;
    std::vector<PictureRow> rows_;
    std::vector<CurveMeasure> measures_;
    std::vector<QString> names_;
    std::unordered_map<std::string, QString> titles_;
    mutable std::vector<std::vector<double>> keys_;  // by column
};

// A cell that knows only where its text comes from; read-only, so nothing is ever stored in it.
class PictureCell : public NumberItem {
public:
    PictureCell(const PictureCells& cells, std::size_t row, int column)
        : NumberItem(kPictureCellType), cells_(cells), row_(static_cast<std::uint32_t>(row)), column_(column) {}

    QVariant data(int role) const override {
        switch (role) {
            case Qt::DisplayRole:
            case Qt::EditRole: return cells_.text(row_, column_);
            case Qt::ToolTipRole: return cells_.toolTip(row_, column_);
            case Qt::TextAlignmentRole:
                if (column_ >= kFirstNumberColumn) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
                break;
            case Qt::UserRole:
                // The row's place in `rows`, which a sort of the table does not move.
                if (column_ == 0) return static_cast<int>(row_);
                break;
            default: break;
        }
        return QTableWidgetItem::data(role);
    }

    bool operator<(const QTableWidgetItem& other) const override {
        if (column_ < kFirstNumberColumn) return QTableWidgetItem::operator<(other);
        if (other.type() != kPictureCellType) return NumberItem::operator<(other);
        const auto& theirs = static_cast<const PictureCell&>(other);
        const double mine = cells_.key(row_, column_);
        const double their = cells_.key(theirs.row_, theirs.column_);
        if (std::isnan(mine) || std::isnan(their)) return !std::isnan(mine) && std::isnan(their);
        return mine < their;
    }

private:
    const PictureCells& cells_;
    std::uint32_t row_;
    int column_;
};

std::vector<PictureRow> pictureRows(const DataSetOutcome& outcome) {
    std::vector<PictureRow> rows;
    for (std::size_t picture = 0; picture < outcome.outcomes.size(); ++picture)
        for (std::size_t point = 0; point < outcome.outcomes[picture].sweep.points.size(); ++point)
            rows.push_back({picture, point});
    return rows;
}

}  // namespace

QTableWidget* makePictureTable(std::shared_ptr<const DataSetOutcome> outcome, std::vector<PictureRow>& rows) {
    std::vector<CurveMeasure> measures = aggregateMeasuresHeld(*outcome);
    QStringList headers{"Picture", "Codec", "Quality", "Coded size", "Bits per pixel"};
    for (CurveMeasure measure : measures) headers << QString::fromStdString(measureLabel(measure));
    rows = pictureRows(*outcome);
    QTableWidget* table = readOnlyTable("PictureTable", 0, headers, QStringLiteral("Every picture"));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    // Switched on while the table is empty: on a filled one it goes through every cell to reorder none.
    sortByHeaderClick(*table);
    const auto* cells = new PictureCells(std::move(outcome), rows, std::move(measures), table);
    const int columns = table->columnCount();
    table->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < table->rowCount(); ++row)
        for (int column = 0; column < columns; ++column)
            table->setItem(row, column, new PictureCell(*cells, static_cast<std::size_t>(row), column));
    table->resizeColumnsToContents();
    return table;
}

}  // namespace brenlow
