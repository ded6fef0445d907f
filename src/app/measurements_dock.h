#pragma once

#include <QDockWidget>
#include <QHash>
#include <QMap>
#include <deque>
#include <functional>
#include <memory>

#include "app/run_record.h"

class QLabel;
class QMdiSubWindow;
class QThread;

namespace brenlow {

// The Measurements panel: every measure of the active window's last run. A decoded window's run
// is the one that made it; a source document's is the last one that coded it.
class MeasurementsDock : public QDockWidget {
    Q_OBJECT

public:
    explicit MeasurementsDock(QWidget* parent = nullptr);
    // Waits for the measures being taken; those not started are dropped.
    ~MeasurementsDock() override;

    // Keeps the run for the document that was coded and for the window showing its result, and
    // measures `decodedPicture` against the run's reference on a thread of its own, one run after
    // another: a command shows its result without waiting for the slow measures.
    void recordRun(const QMdiSubWindow* source, const QMdiSubWindow* decoded, RunRecord record,
                   const QImage& decodedPicture);

    // Whether some run's measures are still being taken.
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

    void keep(const QMdiSubWindow* window, const std::shared_ptr<RunRecord>& record);
    void showRun(const RunRecord* record, const QString& heading);
    void measureNext();
    void showIfActive(const RunRecord* record);

    QHash<const QMdiSubWindow*, std::shared_ptr<RunRecord>> runs_;
    QHash<const QMdiSubWindow*, std::shared_ptr<RunRecord>> made_;
    std::deque<PendingMeasures> pending_;
    std::unique_ptr<QThread> worker_;
    QLabel* heading_ = nullptr;
    QMap<QString, QLabel*> values_;
};

}  // namespace brenlow
