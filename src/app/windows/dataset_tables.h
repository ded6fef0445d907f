#pragma once

#include <vector>

#include "brenlow/studies.h"

class QTableWidget;

namespace brenlow {

// The measures of which the aggregate holds at least one mean, in the order of curveMeasures().
std::vector<CurveMeasure> aggregateMeasuresHeld(const DataSetOutcome& outcome);

// The per-picture deltas against `anchor` summarised ("DeltaSummaryTable"): for each codec,
// measure and fit a row of the BD-rate in per cent and one of the BD-quality, each with the mean,
// median, least, greatest and standard deviation over the pictures and how many had one. Null
// when the anchor was not swept or no other codec was.
QTableWidget* makeDeltaSummaryTable(const DataSetOutcome& outcome, const std::string& anchor);

// Each curve ("CurveTable"), as the report lists them: its name, codec, settings, qualities and
// what codes it ("libwebp 1.2.4", "commands from codecs/x.json", or that it was coded elsewhere).
QTableWidget* makeCurveTable(const DataSetOutcome& outcome);

}  // namespace brenlow
