#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "app/dialogs/figure_choice_dialog.h"
#include "brenlow/studies.h"

class QMenuBar;

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
    // Which chart the image export draws, among `measures`; nothing when the user cancelled.
    std::function<std::optional<FigureChoice>(const std::vector<CurveMeasure>& measures)> askFigure;
    // The save dialog of the image export; an empty name means the user cancelled.
    std::function<QString()> askImageName;
    // How a failed export is reported.
    std::function<void(const QString&)> showMessage;

    // Writes the table as CSV to the file the user names, whole or not at all.
    void exportCsv();

    // Writes the chart of the measure the user chooses, alone or beside PSNR's, as a figure titled with
    // the picture and the anchor, in the styles every curve has everywhere: PDF, SVG or PNG (at the
    // resolution chosen) as the name the user gives ends (PDF when it has no ending).
    void exportImage();

    // The name the export dialog offers, made from the swept picture's file.
    QString suggestedCsvName() const;

    // The name the export writes: the chosen one, with ".csv" added when it has no extension.
    static QString csvFileName(const QString& chosen);

private:
    QMenuBar* makeMenuBar();
    QWidget* makeTables() const;
    QWidget* makeDeltaRates() const;

    SweepOutcome outcome_;
    std::string anchor_;  // the name of the curve the delta rates are taken against
    QString picture_;
    QWidget* charts_ = nullptr;
    QString imageSuggestion_;  // what the image export's dialog offers, named after the chart chosen
};

}  // namespace brenlow
