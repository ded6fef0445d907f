#pragma once

#include <QObject>
#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

#include "brenlow/run_control.h"
#include "brenlow/studies.h"

class QThread;

namespace brenlow {

// What a data set run ended with.
struct DataSetProgressOutcome {
    std::optional<DataSetOutcome> outcome;  // nothing when no picture was finished
    std::size_t picturesDone = 0;
    std::size_t picturesTotal = 0;
    bool cancelled = false;  // then `outcome` holds the pictures finished whole before, a partial data set
    QString summary;         // the items made, taken from the result folder and made again, as workSummary says
    QString failure;         // why the run ended early, for the user; empty when it did not fail
};

// Runs one data set at a time on a thread of its own while the workbench goes on, into its result
// folder (made and locked for the run). Cancel keeps every item finished before it, filed, so that
// the next run into that folder takes them. Its reports and its end come on the thread it lives on.
class DataSetRunner : public QObject {
    Q_OBJECT

public:
    explicit DataSetRunner(QObject* parent = nullptr);
    // A run still under way is cancelled and waited for.
    ~DataSetRunner() override;

    // What the run says while it works: the points done of `total`, and dataSetProgressText.
    std::function<void(int done, int total, const QString& text)> progressed;
    // The run has ended, finished, cancelled or failed; running() is false by then.
    std::function<void(DataSetProgressOutcome&)> ended;

    // Starts `plan` with `plan.run.jobs` items at a time; false, and nothing started, while a run is under way.
    bool start(DataSetPlan plan);
    void cancel();
    bool running() const { return worker_ != nullptr; }
    bool cancelled() const { return running() && control_.cancel.cancelled(); }
    // The run under way, or the last one.
    const DataSetPlan& plan() const { return plan_; }

private:
    void finish();

    DataSetPlan plan_;
    RunControl control_;
    DataSetRunOutcome ran_;
    std::exception_ptr failure_;
    std::unique_ptr<QThread> worker_;
};

// "Item 3 of 12: b.bmp with JPEG; about 11 s left" for the items under way that `progress` names
// ("Items 3 and 4 of 12: b.bmp with JPEG, b.bmp with AJC; ..."), and the time left at its pace.
QString dataSetProgressText(const DataSetRun& run, const Progress& progress);

// The points of every item of the run.
int dataSetPointCount(const DataSetRun& run);

}  // namespace brenlow
