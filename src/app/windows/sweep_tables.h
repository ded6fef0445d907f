#pragma once

#include <QString>
#include <QStringList>

#include "brenlow/tables.h"

class QTableWidget;
class QTableWidgetItem;

namespace brenlow {

// Every point of a sweep, one row each ("SweepTable"): codec, quality, the size target where the
// points were coded to sizes, coded size, bits per pixel, every measure of the measure table ("n/a"
// where not taken), and the coding and decoding times and speeds.
QTableWidget* makePointTable(const SweepOutcome& outcome);

// The delta rates against `anchor` ("DeltaTable"), one row per other codec and measure held:
// BD-rate in per cent and BD-quality in the measure's unit, with the cubic fit and with PCHIP.
// A delta averaged over less than half of a curve's range ends in " !" and its tooltip says how
// much the curves share. Null when the sweep has no anchor curve or no other codec.
QTableWidget* makeDeltaTable(const SweepOutcome& outcome, const std::string& anchor);

// The same table of rows as deltaTable gives them, the cubic fit's row of each pair first. An
// "n/a" says why in its tooltip; `megapixels`, of the largest picture, tells a measure's reason.
QTableWidget* makeDeltaTable(const std::vector<DeltaRow>& rows, const std::string& anchor, double megapixels);

// A table the user cannot edit, without row numbers, named `name`, read out as `spokenName`.
QTableWidget* readOnlyTable(const char* name, int rows, const QStringList& headers, const QString& spokenName = {});

// A cell of a number, aligned right.
QTableWidgetItem* numberItem(const QString& text);

// Why a measure is n/a for pictures of `megapixels`, as a tooltip says it.
QString undefinedMeasureText(const MeasureRow& row, double megapixels);

// A cell of a measure's value; "n/a" with its reason as the tooltip where it has none.
QTableWidgetItem* measureItem(const MeasureRow& row, double value, int decimals, double megapixels);

// The most megapixels of the sweep's points: their picture's.
double largestMegapixels(const SweepOutcome& outcome);

}  // namespace brenlow
