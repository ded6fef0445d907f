#pragma once

#include <QJsonArray>
#include <QJsonObject>

#include "experiments/dataset_outcome.h"
#include "experiments/imported_curves.h"

namespace brenlow {

// A data set's sweep as one object: the parameters and library versions its results were made
// with, the pictures, every point with its picture, the aggregate per codec and quality, the items
// that failed with their reasons, and the delta rates on the aggregate curves and summarised over
// the pictures; the imported curves with the measures each has, and their delta rates against the
// anchor in bd_rate.imported.
QJsonObject dataSetJson(const DataSetOutcome& outcome, const std::string& anchor, const std::vector<ImportedCurve>& imported,
                        double seconds);

// The failed items as `failed` lists them: picture, codec (the curve's name) and reason.
QJsonArray failedItemsJson(const std::vector<FailedItem>& failed);

}  // namespace brenlow
