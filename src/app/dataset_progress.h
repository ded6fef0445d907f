#pragma once

#include <optional>

#include "research/dataset_run.h"

class QWidget;

namespace brenlow {

// Runs the data set's items on worker threads behind a modal progress dialog ("DataSetProgress")
// with a Cancel button, keeping the workbench painted. Returns nothing when the user cancelled; a
// failure is rethrown here, on the GUI thread.
std::optional<DataSetOutcome> runDataSetWithProgress(QWidget* parent, const DataSetRun& run);

}  // namespace brenlow
