#pragma once

#include <QString>
#include <functional>

#include "brenlow/run_control.h"

class QWidget;

namespace brenlow {

// What a progress dialog says: its object name, title and first label.
struct ProgressText {
    QString name;
    QString title;
    QString label;
};

// Runs `work` on a worker thread behind a modal progress dialog of `total` steps with a Cancel
// button, keeping the workbench painted. `work` is handed the control to pass to the front door:
// its progress moves the bar (and, with `describe`, rewrites the label), and Cancel cancels it.
// False when the user cancelled; a failure of `work` is rethrown here, on the GUI thread.
bool runWithProgressDialog(QWidget* parent, const ProgressText& text, int total,
                           const std::function<void(const RunControl&)>& work,
                           const std::function<QString(const Progress&)>& describe = {});

}  // namespace brenlow
