#pragma once

class QTableWidget;
class QWidget;

namespace brenlow {

// The delta table under a choice of measure ("DeltaMeasureFilter": all measures, or one of those
// in its Measure column): only the rows of the measure chosen show, however the table is sorted.
QWidget* withMeasureFilter(QTableWidget* table);

}  // namespace brenlow
