#include "app/windows/dataset_window.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <span>

#include "app/charts/sweep_charts.h"
#include "app/shell/codec_titles.h"
#include "app/shell/plain_text.h"
#include "app/windows/delta_filter.h"
#include "app/windows/export_names.h"
#include "app/windows/screen_fit.h"
#include "app/windows/sweep_tables.h"
#include "brenlow/figures.h"
#include "brenlow/tables.h"
#include "io/error.h"
#include "io/file_io.h"
#ifdef BRENLOW_HTML_REPORT
#include "brenlow/report.h"
#endif

namespace brenlow {
namespace {

QWidget* withNote(const QString& name, const QString& text, QWidget* table) {
    auto* part = new QWidget;
    auto* layout = new QVBoxLayout(part);
    auto* note = plainLabel(text);
    note->setObjectName(name);
    note->setWordWrap(true);
    layout->addWidget(note);
    if (table) layout->addWidget(table, 1);
    else layout->addStretch(1);
    return part;
}

QPushButton* button(const char* name, const QString& text) {
    auto* pushButton = new QPushButton(text);
    pushButton->setObjectName(QString::fromLatin1(name));
    return pushButton;
}

}  // namespace

DataSetWindow::DataSetWindow(const QString& caption, DataSetOutcome outcome, std::string anchor, QWidget* parent)
    : QWidget(parent, Qt::Window),
      outcome_(std::make_shared<const DataSetOutcome>(std::move(outcome))),
      anchor_(std::move(anchor)),
      folder_(caption) {
    setObjectName(QStringLiteral("DataSetWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    const qsizetype pictures = static_cast<qsizetype>(outcome_->pictures.size());
    setWindowTitle(QStringLiteral("Data set: %1 (%2 %3)")
                       .arg(caption)
                       .arg(pictures)
                       .arg(pictures == 1 ? QStringLiteral("picture") : QStringLiteral("pictures")));
    askSaveName = [this](const QString& title, const QString& filter) {
        return QFileDialog::getSaveFileName(this, title, suggestion_, filter);
    };
    askFigure = [this](const std::vector<CurveMeasure>& measures) -> std::optional<FigureChoice> {
        FigureChoiceDialog dialog(measures, shownChartMeasure(*charts_), true, this);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.choice();
    };
    showMessage = [this](const QString& text) { showFailureBox(this, text); };

    auto* layout = new QVBoxLayout(this);
    auto* parts = new QSplitter(Qt::Vertical);
    // The window holds the outcome the charts read.
    charts_ = makeRateDistortionCharts(
        curveNames(outcome_->curves), aggregateMeasuresHeld(*outcome_),
        [this](const std::string& curve, CurveMeasure measure) { return aggregateCurve(*outcome_, curve, measure); },
        [this](const std::string& curve, double rate) -> std::optional<int> {
            for (const AggregatePoint& point : outcome_->aggregate)
                if (point.curve == curve && point.bitsPerPixel == rate) return point.quality;
            return std::nullopt;
        });
    parts->addWidget(charts_);
    parts->addWidget(makeTables());
    parts->setStretchFactor(0, 3);
    parts->setStretchFactor(1, 2);
    layout->addWidget(scrolledWhenCramped(parts), 1);
    layout->addWidget(makeButtons());
    resizeWithinScreen(*this, QSize(1100, 820));
}

QWidget* DataSetWindow::makeTables() {
    auto* tabs = new QTabWidget;
    tabs->setAccessibleName(QStringLiteral("Tables"));
    tabs->setObjectName(QStringLiteral("DataSetTabs"));
    tabs->addTab(makeDeltaRates(),
                 QStringLiteral("Aggregate delta rates against %1").arg(withoutMnemonics(curveTitle(anchor_))));
    QTableWidget* summary = makeDeltaSummaryTable(*outcome_, anchor_);
    tabs->addTab(withNote(QStringLiteral("DeltaSummaryNote"),
                          summary ? QStringLiteral("Each picture's Bjontegaard deltas against %1, summarised over "
                                                   "the pictures; a picture whose curves share no interval is left "
                                                   "out and counted as n/a.")
                                        .arg(curveTitle(anchor_))
                                  : QStringLiteral("No per-picture deltas: they need a curve of %1, the anchor, and "
                                                   "of another codec.")
                                        .arg(curveTitle(anchor_)),
                          summary),
                 QStringLiteral("Per-picture deltas"));
    QTableWidget* pictures = makePictureTable(outcome_, rows_);
    // A sorted table shows the points in another order; the first cell knows which point it is.
    connect(pictures, &QTableWidget::cellActivated, this,
            [this, pictures](int row, int) { openRow(pictures->item(row, 0)->data(Qt::UserRole).toInt()); });
    tabs->addTab(withNote(QStringLiteral("PictureNote"),
                          QStringLiteral("Double-click a row, or press Enter on it, to open the picture and its "
                                         "result at that codec and quality in the Compare view."),
                          pictures),
                 QStringLiteral("Every picture"));
    tabs->addTab(makeCurveTable(*outcome_), QStringLiteral("Curves"));
    return tabs;
}

QWidget* DataSetWindow::makeDeltaRates() const {
    double megapixels = 0.0;
    for (const PictureOutcome& picture : outcome_->outcomes) megapixels = std::max(megapixels, largestMegapixels(picture.sweep));
    QTableWidget* table = makeDeltaTable(aggregateDeltaTable(*outcome_, anchor_), anchor_, megapixels);
    const QString text =
        table ? QStringLiteral("Bjontegaard deltas of the aggregate curves (each point the mean over the pictures) "
                               "against %1. A negative BD-rate needs fewer bits for the same quality. \"!\": the "
                               "curves share less than half of a range, hover for how much.")
                    .arg(curveTitle(anchor_))
              : QStringLiteral("No delta rates: they need a curve of %1, the anchor, and of another codec.")
                    .arg(curveTitle(anchor_));
    return withNote(QStringLiteral("DeltaRates"), text, table ? withMeasureFilter(table) : nullptr);
}

QWidget* DataSetWindow::makeButtons() {
    auto* buttons = new QWidget;
    auto* layout = new QHBoxLayout(buttons);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    QPushButton* points = button("ExportCsv", QStringLiteral("Export CSV..."));
    connect(points, &QPushButton::clicked, this, &DataSetWindow::exportCsv);
    QPushButton* aggregate = button("ExportAggregateCsv", QStringLiteral("Export Aggregate CSV..."));
    connect(aggregate, &QPushButton::clicked, this, &DataSetWindow::exportAggregateCsv);
    QPushButton* json = button("ExportJson", QStringLiteral("Export JSON..."));
    connect(json, &QPushButton::clicked, this, &DataSetWindow::exportJson);
    QPushButton* image = button("ExportImage", QStringLiteral("Export Image..."));
    connect(image, &QPushButton::clicked, this, &DataSetWindow::exportImage);
    layout->addWidget(points);
    layout->addWidget(aggregate);
    layout->addWidget(image);
    layout->addWidget(json);
    if (htmlReportBuilt()) {
        QPushButton* report = button("ExportHtmlReport", QStringLiteral("Export HTML Report..."));
        connect(report, &QPushButton::clicked, this, &DataSetWindow::exportHtmlReport);
        layout->addWidget(report);
    }
    return buttons;
}

void DataSetWindow::exportCsv() {
    exportText(QStringLiteral("Export CSV of every point"), QStringLiteral("-points.csv"), QStringLiteral("csv"), dataSetCsv(*outcome_));
}

void DataSetWindow::exportAggregateCsv() {
    exportText(QStringLiteral("Export CSV of the aggregate"), QStringLiteral("-aggregate.csv"), QStringLiteral("csv"), aggregateCsv(*outcome_));
}

void DataSetWindow::exportJson() {
    // The seconds of the run are not the window's to know; the object says 0 rather than a guess.
    exportText(QStringLiteral("Export JSON"), QStringLiteral(".json"), QStringLiteral("json"),
               jsonLine(dataSetJson(*outcome_, anchor_, {}, 0.0)) + "\n");
}

bool DataSetWindow::htmlReportBuilt() {
#ifdef BRENLOW_HTML_REPORT
    return true;
#else
    return false;
#endif
}

void DataSetWindow::exportHtmlReport() {
#ifdef BRENLOW_HTML_REPORT
    const QString chosen = askExportName(QStringLiteral("Export HTML report"), QStringLiteral("-report.html"),
                                         QStringLiteral("html"));
    if (chosen.isEmpty()) return;
    try {
        writeDataSetReport(chosen.toStdString(), *outcome_, anchor_, {}, resultFolders);
    } catch (const std::exception& error) {
        showMessage(QString::fromStdString(failureMessage(error)));
    }
#endif
}

void DataSetWindow::exportImage() {
    const std::optional<FigureChoice> figure = askFigure(aggregateMeasuresHeld(*outcome_));
    if (!figure) return;
    suggestion_ = dataSetExportName(folder_, QStringLiteral("-%1.pdf").arg(measureKey(figure->measure)));
    const QString chosen = askSaveName(QStringLiteral("Export the chart as an image"),
                                       QStringLiteral("PDF (*.pdf);;SVG image (*.svg);;PNG image (*.png)"));
    if (chosen.isEmpty()) return;
    try {
        writeCharts(withSuffix(chosen, QStringLiteral("pdf")).toStdString(), *outcome_,
                    chartExport(*figure, chartHeading(folder_, anchor_)));
    } catch (const std::exception& error) {
        showMessage(QString::fromStdString(failureMessage(error)));
    }
}

QString DataSetWindow::askExportName(const QString& title, const QString& ending, const QString& suffix) {
    suggestion_ = dataSetExportName(folder_, ending);
    const QString chosen = askSaveName(title, QStringLiteral("%1 (*.%2)").arg(suffix.toUpper(), suffix));
    return chosen.isEmpty() ? chosen : withSuffix(chosen, suffix);
}

void DataSetWindow::exportText(const QString& title, const QString& ending, const QString& suffix,
                               const std::string& text) {
    const QString chosen = askExportName(title, ending, suffix);
    if (chosen.isEmpty()) return;
    try {
        writeFileAtomically(chosen.toStdString(),
                            std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    } catch (const std::exception& error) {
        showMessage(QString::fromStdString(failureMessage(error)));
    }
}

void DataSetWindow::openRow(int row) {
    if (!openPoint || row < 0 || row >= static_cast<int>(rows_.size())) return;
    const PictureRow& where = rows_[static_cast<std::size_t>(row)];
    const PictureOutcome& picture = outcome_->outcomes[where.picture];
    const SweepPoint& point = picture.sweep.points[where.point];
    const CodecCurve* curve = findCurve(outcome_->curves, point.curve);
    if (curve != nullptr) openPoint(picture.picture, point, *curve);
}

}  // namespace brenlow
