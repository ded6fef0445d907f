#pragma once

#include <QTableWidgetItem>

class QTableWidget;

namespace brenlow {

// A cell of a number shown as text ("12.5", "-3.1 %", "0.9 !", "n/a"), sorted by its value;
// a cell without one sorts after every number.
class NumberItem : public QTableWidgetItem {
public:
    using QTableWidgetItem::QTableWidgetItem;
    bool operator<(const QTableWidgetItem& other) const override;
};

// The leading number of a cell's text; NaN when it starts with none.
double cellNumber(const QString& text);

// A header click sorts the filled table by that column, a second click the other way; the rows
// keep the order they were filled in until then.
void sortByHeaderClick(QTableWidget& table);

}  // namespace brenlow
