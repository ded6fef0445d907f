#pragma once

#include <QString>
#include <cstddef>
#include <optional>

#include "brenlow/studies.h"

class QWidget;

namespace brenlow {

// What a data set run shown with its progress ended with.
struct DataSetProgressOutcome {
    std::optional<DataSetOutcome> outcome;  // nothing when no picture was finished
    std::size_t picturesDone = 0;
    std::size_t picturesTotal = 0;
    bool cancelled = false;  // then `outcome` holds the pictures finished whole before, a partial data set
    QString summary;         // the items made, taken from the result folder and made again, as workSummary says
};

// Runs the data set's items, `run.jobs` at a time, into its result folder (made and locked for the
// run) behind a modal progress dialog ("DataSetProgress") with a Cancel button, keeping the
// workbench painted: it says which item of how many is under way, its picture and codec, and the
// time left. Cancel keeps every item finished before it, filed, so that the next run into that
// folder takes them. A failure is rethrown here, on the GUI thread.
DataSetProgressOutcome runDataSetWithProgress(QWidget* parent, const DataSetPlan& plan);

// "Item 3 of 12: b.bmp with JPEG" for `done` of the run's points, and the time left when
// `elapsedMs` of work did them.
QString dataSetProgressText(const DataSetRun& run, int done, qint64 elapsedMs);

}  // namespace brenlow
