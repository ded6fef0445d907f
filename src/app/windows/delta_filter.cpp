#include "app/windows/delta_filter.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace brenlow {
namespace {

int measureColumn(const QTableWidget& table) {
    for (int column = 0; column < table.columnCount(); ++column)
        if (table.horizontalHeaderItem(column) && table.horizontalHeaderItem(column)->text() == QStringLiteral("Measure"))
            return column;
    return -1;
}

// Hidden rows belong to the row positions, not to their items: shown again after every sort.
void showOnly(QTableWidget& table, int column, const QString& measure) {
    for (int row = 0; row < table.rowCount(); ++row) {
        const QTableWidgetItem* item = table.item(row, column);
        table.setRowHidden(row, !measure.isEmpty() && (!item || item->text() != measure));
    }
}

}  // namespace

QWidget* withMeasureFilter(QTableWidget* table) {
    auto* part = new QWidget;
    auto* layout = new QVBoxLayout(part);
    layout->setContentsMargins(0, 0, 0, 0);
    const int column = measureColumn(*table);
    if (column >= 0) {
        auto* filter = new QComboBox;
        filter->setObjectName(QStringLiteral("DeltaMeasureFilter"));
        filter->addItem(QStringLiteral("All measures"), QString());
        for (int row = 0; row < table->rowCount(); ++row) {
            const QString measure = table->item(row, column)->text();
            if (filter->findData(measure) < 0) filter->addItem(measure, measure);
        }
        auto* label = new QLabel(QStringLiteral("&Measure:"));
        label->setBuddy(filter);
        auto* choice = new QHBoxLayout;
        choice->addWidget(label);
        choice->addWidget(filter);
        choice->addStretch(1);
        layout->addLayout(choice);
        const auto apply = [table, column, filter] { showOnly(*table, column, filter->currentData().toString()); };
        QObject::connect(filter, &QComboBox::currentIndexChanged, table, apply);
        QObject::connect(table->model(), &QAbstractItemModel::layoutChanged, table, apply);
    }
    layout->addWidget(table, 1);
    return part;
}

}  // namespace brenlow
