#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "brenlow/studies.h"

class QWidget;

namespace brenlow {

// What a progress dialog says: its object name, title and label.
struct ProgressText {
    QString name;
    QString title;
    QString label;
};

// Runs `work` on a worker thread behind a modal progress dialog with a Cancel button, keeping the
// workbench painted. `work` reports through the function it is given (from any thread, one call at
// a time), which returns false once the user has cancelled. False when the user cancelled; a
// failure of `work` is rethrown here, on the GUI thread.
bool runWithProgressDialog(QWidget* parent, const ProgressText& text, int total,
                           const std::function<void(const std::function<bool(int done, int total)>&)>& work);

// Runs the sweep on a worker thread behind a modal progress dialog ("SweepProgress") with a
// Cancel button, keeping the workbench painted. Returns nothing when the user cancelled; a
// failure of the sweep is rethrown here, on the GUI thread.
std::optional<SweepOutcome> runSweepWithProgress(QWidget* parent, const SweepSource& source,
                                                 const SweepSettings& settings);

}  // namespace brenlow
