#pragma once

#include <string>
#include <vector>

#include "experiments/dataset_outcome.h"
#include "report/html_report.h"

namespace brenlow {

// The measures the page draws: those of the default delta measures the run took on which some
// curve or imported curve has a finite point.
std::vector<CurveMeasure> plottedMeasures(const DataSetOutcome& outcome, const ReportContext& context);

// Everything the report page's script draws, as one JSON object: the curves with their full
// settings and styles, the measures, the aggregate points with their spread, every picture's
// points, the delta rates against each swept curve and each picture's delta rates against the
// anchor. Values that are not finite are null. Safe inside a <script> element: no text in it can
// end the element or the script's string.
std::string pageDataJson(const DataSetOutcome& outcome, const ReportContext& context);

// The same, each picture's part (its name, points and delta rates, of `perPicture` as
// perPictureDeltaTable gives it against the context's anchor) of `count` pictures from `first`
// alone, numbered from 0 as the page's pictures.
std::string pageDataJson(const DataSetOutcome& outcome, const ReportContext& context,
                         const std::vector<PerPictureDeltas>& perPicture, std::size_t first, std::size_t count);

// JSON text as it may stand inside a <script> element: <, >, & and the line and paragraph separators
// written as \u escapes, which JSON reads back as the same characters.
std::string scriptSafeJson(const std::string& json);

}  // namespace brenlow
