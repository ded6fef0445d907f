#pragma once

#include <optional>

#include "brenlow/studies.h"

class QWidget;

namespace brenlow {

// Runs the sweep on a worker thread behind a modal progress dialog ("SweepProgress") with a
// Cancel button, keeping the workbench painted. Returns nothing when the user cancelled; a
// failure of the sweep is rethrown here, on the GUI thread.
std::optional<SweepOutcome> runSweepWithProgress(QWidget* parent, PictureSweep& sweep);

}  // namespace brenlow
