#pragma once

#include <string>

#include "experiments/dataset_outcome.h"
#include "report/html_report.h"

namespace brenlow {

// The side-by-side viewer of the pictures whose decoded pictures were kept: a section of the page
// with, per picture, the same crop of the source and of the decoded picture at a low, a middle and a
// high quality of each curve (as lossless PNGs inside the page), a split slider, a flicker toggle
// and a zoom. A kept picture that is missing or has changed since its point was measured is listed
// with the reason and left out, never shown in its place. Empty when no point kept a decoded picture.
std::string pictureComparisonsHtml(const DataSetOutcome& outcome, const ReportContext& context);

}  // namespace brenlow
