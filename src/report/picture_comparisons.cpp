#include "report/picture_comparisons.h"

namespace brenlow {

// No side-by-side views yet: the page shows the curves and tables alone.
std::string pictureComparisonsHtml(const DataSetOutcome&, const ReportContext&) { return {}; }

}  // namespace brenlow
