#pragma once

#include <string>
#include <vector>

#include "experiments/dataset_outcome.h"
#include "experiments/imported_curves.h"

namespace brenlow {

// The text with &, <, > and quotes written as entities, safe in an element or an attribute value.
std::string htmlEscaped(const std::string& text);

// The delta rates on the aggregate curves as an HTML table: one row per curve or imported curve
// and measure (id "bd-NAME-MEASURE"), the cubic fit and PCHIP side by side; a value taken over
// little of the curves is marked.
std::string aggregateDeltaTableHtml(const std::vector<DeltaRow>& rows, const std::string& anchor);

// The data set's curves: name, codec, every setting, qualities and the library behind each.
std::string curvesTableHtml(const DataSetOutcome& outcome);

// Each per-picture delta rate's mean, median, min, max and standard deviation over the pictures,
// one row per curve, measure and fit (id "pp-CURVE-MEASURE-FIT").
std::string perPictureSummaryHtml(const std::vector<PerPictureDeltas>& rows);

// Every picture's delta rate with the cubic fit: one table per measure, a row per picture and a
// column per curve.
std::string perPictureTablesHtml(const DataSetOutcome& outcome, const std::vector<PerPictureDeltas>& rows);

// The aggregate's speeds: per curve and quality (or size target), the median over the timed
// pictures of their megapixels per second of coding and of decoding, on the wall clock and on the
// processor clock (id "speed-CURVE-PLACE").
std::string speedTableHtml(const DataSetOutcome& outcome);

// How each run timed its items: when it started, its shard, items, jobs, codings at a time and
// whether they shared the cores, timing runs, threads per codec, processor, cores and load average
// at its start and end.
std::string timedRunsTableHtml(const std::vector<TimedRun>& runs);

// "+1.23", "-4.56", "n/a": a delta as the tables show it.
std::string signedFigure(double value, int decimals);

}  // namespace brenlow
