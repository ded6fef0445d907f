#pragma once

#include <QString>
#include <QWidget>
#include <functional>

#include "brenlow/studies.h"

namespace brenlow {

// The result of a sweep: the rate-distortion charts, the delta rates against the anchor codec,
// a table of every point, and CSV export. A window of its own; deletes itself when closed.
class SweepWindow : public QWidget {
    Q_OBJECT

public:
    SweepWindow(const QString& caption, SweepOutcome outcome, std::string anchor = "jpeg",
                QWidget* parent = nullptr);

    const SweepOutcome& outcome() const { return outcome_; }
    const std::string& anchor() const { return anchor_; }

    // The save dialog of the export; an empty name means the user cancelled.
    std::function<QString()> askCsvName;
    // The save dialog of the image export; an empty name means the user cancelled.
    std::function<QString()> askImageName;
    // How a failed export is reported.
    std::function<void(const QString&)> showMessage;

    // Writes the table as CSV to the file the user names, whole or not at all.
    void exportCsv();

    // Writes the two charts as a PNG or SVG image, as the name the user gives ends.
    void exportImage();

    // The name the export dialog offers, made from the swept picture's file.
    QString suggestedCsvName() const;

    // The name the export writes: the chosen one, with ".csv" added when it has no extension.
    static QString csvFileName(const QString& chosen);

private:
    QWidget* makeTables() const;
    QWidget* makeDeltaRates() const;

    SweepOutcome outcome_;
    std::string anchor_;  // the name of the curve the delta rates are taken against
    QString picture_;
    QWidget* charts_ = nullptr;
};

}  // namespace brenlow
