#pragma once

#include <QString>
#include <QWidget>
#include <functional>

#include "research/sweep.h"

class QTableWidget;

namespace brenlow {

// The result of a sweep: the rate-distortion charts, the delta rates against JPEG, a table of
// every point, and CSV export. A window of its own; deletes itself when closed.
class SweepWindow : public QWidget {
    Q_OBJECT

public:
    SweepWindow(const QString& caption, SweepOutcome outcome, QWidget* parent = nullptr);

    const SweepOutcome& outcome() const { return outcome_; }

    // The save dialog of the export; an empty name means the user cancelled.
    std::function<QString()> askCsvName;
    // How a failed export is reported.
    std::function<void(const QString&)> showMessage;

    // Writes the table as CSV to the file the user names, whole or not at all.
    void exportCsv();

    // The name the export writes: the chosen one, with ".csv" added when it has no extension.
    static QString csvFileName(const QString& chosen);

private:
    QTableWidget* makeTable() const;
    QString deltaRatesText() const;

    SweepOutcome outcome_;
};

}  // namespace brenlow
