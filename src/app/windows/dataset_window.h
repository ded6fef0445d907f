#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs/figure_choice_dialog.h"
#include "app/windows/dataset_tables.h"
#include "app/windows/picture_table.h"
#include "brenlow/studies.h"

namespace brenlow {

// The result of a data set sweep: the aggregate rate-distortion charts, the aggregate delta rates
// against the anchor, the per-picture deltas summarised, every picture's points, and export of
// the points and of the aggregate as CSV and of the whole as an HTML report. A window of its own; deletes itself when closed.
class DataSetWindow : public QWidget {
    Q_OBJECT

public:
    DataSetWindow(const QString& caption, DataSetOutcome outcome, std::string anchor, QWidget* parent = nullptr);

    const DataSetOutcome& outcome() const { return *outcome_; }
    const std::string& anchor() const { return anchor_; }

    // The save dialog of an export, given its title and filter; an empty name means the user cancelled.
    std::function<QString(const QString& title, const QString& filter)> askSaveName;
    // Which chart Export Image draws, among `measures`; nothing when the user cancelled.
    std::function<std::optional<FigureChoice>(const std::vector<CurveMeasure>& measures)> askFigure;
    // How a failed export is reported.
    std::function<void(const QString&)> showMessage;
    // Opens one point of one picture: what a row of the picture table does when activated
    // (double-click or Enter). Unset, rows do nothing.
    std::function<void(const std::string& picture, const SweepPoint& point, const CodecCurve& curve)> openPoint;
    // The result folders the data set was filed in or read from: its report finds the pictures beside them.
    std::vector<std::string> resultFolders;

    // Writes dataSetCsv, or aggregateCsv, to the file the user names, whole or not at all.
    void exportCsv();
    void exportAggregateCsv();
    // Writes the data set as the command line's --json object: every point, the aggregate and the delta rates.
    void exportJson();
    // Writes the chart of the measure the user chooses, alone or beside PSNR's, as a figure titled with
    // the data set and the anchor, in the styles every curve has everywhere: PDF, SVG or PNG (at the
    // resolution chosen) as the name the user gives ends (PDF when it has no ending).
    void exportImage();
    // Writes the data set's HTML report as `brenlow-cli report` writes it for the result folders, its
    // delta rates against the anchor; only in a build with the report.
    void exportHtmlReport();

    // The name the export dialog open now, or last, offers: made from the data set's folder.
    const QString& suggestedName() const { return suggestion_; }

    // Whether this build writes the HTML report.
    static bool htmlReportBuilt();

    // What activating the `row`th point of the picture table, as first listed, does.
    void openRow(int row);

private:
    QWidget* makeTables();
    QWidget* makeDeltaRates() const;
    QWidget* makeButtons();
    void exportText(const QString& title, const QString& ending, const QString& suffix, const std::string& text);
    // The file the user names for an export, ending in `suffix`; empty when they cancel.
    QString askExportName(const QString& title, const QString& ending, const QString& suffix);

    // Shared with the picture table, whose cells read it until the table is gone.
    std::shared_ptr<const DataSetOutcome> outcome_;
    std::string anchor_;  // the name of the curve the delta rates are taken against
    std::vector<PictureRow> rows_;
    QString folder_;
    QString suggestion_;
    QWidget* charts_ = nullptr;
};

}  // namespace brenlow
