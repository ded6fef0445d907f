#pragma once

#include <string>

#include "experiments/dataset_outcome.h"
#include "report/html_report.h"

namespace brenlow {

// The report page's side-by-side views of the source and decoded pictures that the data set kept,
// as one self-contained HTML fragment (its own section, data and script); "" when there is none.
std::string pictureComparisonsHtml(const DataSetOutcome& outcome, const ReportContext& context);

}  // namespace brenlow
