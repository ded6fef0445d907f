#pragma once

#include <string>
#include <vector>

#include "experiments/dataset_outcome.h"
#include "experiments/imported_curves.h"

namespace brenlow {

// Writes a data set's HTML report, whole or not at all, as every front end writes it: titled with
// its pictures and curves, its delta rates against `anchor`, the imported curves drawn beside it,
// and where each picture is found now (beside the result folders it was read from, else where the
// run found it), and the command line that asked for it when one did. Past kPicturesPerReportPage
// pictures the further pages are written beside it ("report-2.html", ...). Throws Error when a page
// cannot be written.
void writeDataSetReport(const std::string& htmlPath, const DataSetOutcome& outcome, const std::string& anchor,
                        const std::vector<ImportedCurve>& imported, const std::vector<std::string>& resultFolders,
                        const std::string& commandLine = {});

}  // namespace brenlow
