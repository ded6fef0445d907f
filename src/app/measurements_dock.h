#pragma once

#include <QDockWidget>
#include <QHash>
#include <QMap>
#include <memory>

#include "app/run_record.h"

class QLabel;
class QMdiSubWindow;

namespace brenlow {

// The Measurements panel: every measure of the active window's last run. A decoded window's run
// is the one that made it; a source document's is the last one that coded it.
class MeasurementsDock : public QDockWidget {
    Q_OBJECT

public:
    explicit MeasurementsDock(QWidget* parent = nullptr);

    // Keeps the run for the document that was coded and for the window showing its result.
    void recordRun(const QMdiSubWindow* source, const QMdiSubWindow* decoded, const RunRecord& record);

    // The last run kept for a window, or null.
    const RunRecord* runOf(const QMdiSubWindow* window) const;
    // The run whose decoded picture the window shows, or null.
    const RunRecord* runThatMade(const QMdiSubWindow* window) const;

    // Shows the run of `window` (null: no window active).
    void showWindow(const QMdiSubWindow* window);

    // The text shown for a measure, by the name of its row ("psnr", "ssim_y", ...).
    QString valueText(const QString& name) const;

private:
    void keep(const QMdiSubWindow* window, const std::shared_ptr<const RunRecord>& record);
    void showRun(const RunRecord* record, const QString& heading);

    QHash<const QMdiSubWindow*, std::shared_ptr<const RunRecord>> runs_;
    QHash<const QMdiSubWindow*, std::shared_ptr<const RunRecord>> made_;
    QLabel* heading_ = nullptr;
    QMap<QString, QLabel*> values_;
};

}  // namespace brenlow
