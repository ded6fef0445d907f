#pragma once

#include <QDockWidget>
#include <QHash>
#include <QMap>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <thread>

#include "app/docks/run_record.h"

class QMdiSubWindow;

namespace brenlow {

class ElidedLabel;

// The Measurements panel: every measure of the active window's last run. A decoded window's run
// is the one that made it; a source document's is the last one that coded it. Its width is the
// user's: long texts lose their middle (the tooltip holds them whole), and the run's settings
// break onto further lines, so that switching windows never resizes the panel.
class MeasurementsDock : public QDockWidget {
    Q_OBJECT

public:
    explicit MeasurementsDock(QWidget* parent = nullptr);
    // Stops the measures being taken after their current step and waits for them; those not
    // started are dropped.
    ~MeasurementsDock() override;

    // Keeps the run for the document that was coded and for the window showing its result, and
    // measures `decodedPicture` against the run's reference on a thread of its own, one run after
    // another: a command shows its result without waiting for the slow measures.
    void recordRun(const QMdiSubWindow* source, const QMdiSubWindow* decoded, RunRecord record,
                   const QImage& decodedPicture);

    // Keeps a run measured elsewhere (a data set sweep's point) for the window showing its result.
    void recordMeasuredRun(const QMdiSubWindow* decoded, RunRecord record);

    // Whether some run's measures are still being taken. A run that no window shows any more is
    // stopped after the step under way (the usual measures, then each slower one) and its thread joined.
    bool measuring() const;

    // Told why a run's measures could not be taken.
    std::function<void(const QString&)> showFailure;

    // The last run kept for a window, or null.
    const RunRecord* runOf(const QMdiSubWindow* window) const;
    // The run whose decoded picture the window shows, or null.
    const RunRecord* runThatMade(const QMdiSubWindow* window) const;

    // Shows the run of `window` (null: no window active).
    void showWindow(const QMdiSubWindow* window);

    // The text shown for a measure, by the name of its row ("psnr", "ssim_y", ...).
    QString valueText(const QString& name) const;

private:
    struct PendingMeasures {
        std::shared_ptr<RunRecord> record;
        QImage decoded;
    };

    // The run being measured on its own thread, which posts finishMeasures() when it ends.
    struct Measuring {
        std::shared_ptr<RunRecord> record;
        std::atomic<bool> stop{false};
        StillMeasures measures;
        QString failure;
        std::thread thread;
    };

    void keep(const QMdiSubWindow* window, const std::shared_ptr<RunRecord>& record);
    void forget(const QMdiSubWindow* window);
    void showRun(const RunRecord* record, const QString& heading);
    void measureNext();
    void finishMeasures();
    void stopMeasuring();
    void showIfActive(const RunRecord* record);

    QHash<const QMdiSubWindow*, std::shared_ptr<RunRecord>> runs_;
    QHash<const QMdiSubWindow*, std::shared_ptr<RunRecord>> made_;
    std::deque<PendingMeasures> pending_;
    std::unique_ptr<Measuring> measuring_;
    ElidedLabel* heading_ = nullptr;
    QMap<QString, ElidedLabel*> values_;
};

}  // namespace brenlow
