#include "app/windows/table_sorting.h"

#include <QHeaderView>
#include <QRegularExpression>
#include <QTableWidget>
#include <cmath>
#include <limits>

namespace brenlow {

double cellNumber(const QString& text) {
    static const QRegularExpression leading(QStringLiteral(R"(^\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?))"));
    const QRegularExpressionMatch match = leading.match(text);
    return match.hasMatch() ? match.captured(1).toDouble() : std::numeric_limits<double>::quiet_NaN();
}

bool NumberItem::operator<(const QTableWidgetItem& other) const {
    const double mine = cellNumber(text());
    const double theirs = cellNumber(other.text());
    if (std::isnan(mine) || std::isnan(theirs)) return !std::isnan(mine) && std::isnan(theirs);
    return mine < theirs;
}

void sortByHeaderClick(QTableWidget& table) {
    // No column is sorted yet: enabling sorting would otherwise reorder the rows at once.
    table.horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table.setSortingEnabled(true);
    table.horizontalHeader()->setSortIndicatorShown(true);
}

}  // namespace brenlow
