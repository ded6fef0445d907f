#pragma once

#include <string>

#include "measures/measure_table.h"

namespace brenlow {

// Why a measure of the table has no value for a picture pair whose common area is width x height:
// a build without it, a picture below the least size it is defined for or above the most it
// measures; a measure that holds for that size was not taken. A sentence for a tool tip.
std::string undefinedMeasureReason(const MeasureRow& row, int width, int height);

// The same where only the pair's megapixels are known (a table of points): a picture whose
// pixels cannot fill the least square is too small for certain; otherwise a picture narrower or
// lower than the least side, or a run that did not take the measure, are both named.
std::string undefinedMeasureReason(const MeasureRow& row, double megapixels);

}  // namespace brenlow
