#include "app/windows/sweep_window.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <exception>

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

namespace brenlow {

SweepWindow::SweepWindow(const QString& caption, SweepOutcome outcome, std::string anchor, QWidget* parent)
    : QWidget(parent, Qt::Window), outcome_(std::move(outcome)), anchor_(std::move(anchor)), picture_(caption) {
    setObjectName(QStringLiteral("SweepWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Sweep: %1").arg(caption));
    askCsvName = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"), suggestedCsvName(),
                                            QStringLiteral("CSV (*.csv)"));
    };
    askFigure = [this](const std::vector<CurveMeasure>& measures) -> std::optional<FigureChoice> {
        FigureChoiceDialog dialog(measures, shownChartMeasure(*charts_), false, this);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.choice();
    };
    askImageName = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Export the chart as an image"), imageSuggestion_,
                                            QStringLiteral("PDF (*.pdf);;SVG image (*.svg);;PNG image (*.png)"));
    };
    showMessage = [this](const QString& text) { showFailureBox(this, text); };

    auto* layout = new QVBoxLayout(this);
    auto* parts = new QSplitter(Qt::Vertical);
    charts_ = makeRateDistortionCharts(outcome_);
    parts->addWidget(charts_);
    parts->addWidget(makeTables());
    parts->setStretchFactor(0, 3);
    parts->setStretchFactor(1, 2);
    // The buttons stay in sight below whatever has to scroll.
    layout->addWidget(scrolledWhenCramped(parts), 1);
    auto* buttons = new QHBoxLayout;
    auto* exportButton = new QPushButton(QStringLiteral("Export CSV..."));
    exportButton->setObjectName(QStringLiteral("ExportCsv"));
    connect(exportButton, &QPushButton::clicked, this, &SweepWindow::exportCsv);
    auto* imageButton = new QPushButton(QStringLiteral("Export Image..."));
    imageButton->setObjectName(QStringLiteral("ExportImage"));
    connect(imageButton, &QPushButton::clicked, this, &SweepWindow::exportImage);
    buttons->addStretch(1);
    buttons->addWidget(exportButton);
    buttons->addWidget(imageButton);
    layout->addLayout(buttons);
    layout->setMenuBar(makeMenuBar());
    resizeWithinScreen(*this, QSize(980, 760));
}

QMenuBar* SweepWindow::makeMenuBar() {
    auto* bar = new QMenuBar;
    QMenu* exports = bar->addMenu(QStringLiteral("&Export"));
    exports->addAction(QStringLiteral("Export &CSV..."), this, &SweepWindow::exportCsv);
    exports->addAction(QStringLiteral("Export &Image..."), this, &SweepWindow::exportImage);
    return bar;
}

QWidget* SweepWindow::makeTables() const {
    auto* tabs = new QTabWidget;
    tabs->setAccessibleName(QStringLiteral("Tables"));
    tabs->setObjectName(QStringLiteral("SweepTabs"));
    tabs->addTab(makeDeltaRates(), QStringLiteral("Delta rates against %1").arg(withoutMnemonics(curveTitle(anchor_))));
    tabs->addTab(makePointTable(outcome_), QStringLiteral("Every point"));
    return tabs;
}

QWidget* SweepWindow::makeDeltaRates() const {
    auto* rates = new QWidget;
    auto* layout = new QVBoxLayout(rates);
    auto* note = plainLabel();
    note->setObjectName(QStringLiteral("DeltaRates"));
    note->setWordWrap(true);
    layout->addWidget(note);
    QTableWidget* table = makeDeltaTable(outcome_, anchor_);
    if (!table) {
        note->setText(QStringLiteral("No delta rates: they need a curve of %1, the anchor, and of another codec.")
                          .arg(curveTitle(anchor_)));
        layout->addStretch(1);
        return rates;
    }
    note->setText(QStringLiteral("Bjontegaard deltas against %1. A negative BD-rate needs fewer bits for the same "
                                 "quality; a positive BD-quality is better on PSNR and SSIM, a negative one on "
                                 "CIEDE2000 and Butteraugli. \"!\": the curves share less than half of a range, "
                                 "hover for how much.")
                      .arg(curveTitle(anchor_)));
    layout->addWidget(withMeasureFilter(table), 1);
    return rates;
}

void SweepWindow::exportImage() {
    const std::optional<FigureChoice> figure = askFigure(measuresHeld(outcome_));
    if (!figure) return;
    imageSuggestion_ = pictureExportName(picture_, QStringLiteral("-%1.pdf").arg(measureKey(figure->measure)));
    const QString chosen = askImageName();
    if (chosen.isEmpty()) return;
    try {
        writeCharts(withSuffix(chosen, QStringLiteral("pdf")).toStdString(), outcome_,
                    chartExport(*figure, chartHeading(picture_, anchor_)));
    } catch (const std::exception& error) {
        showMessage(QString::fromStdString(failureMessage(error)));
    }
}

QString SweepWindow::suggestedCsvName() const {
    return pictureExportName(picture_, QStringLiteral("-sweep.csv"));
}

QString SweepWindow::csvFileName(const QString& chosen) { return withSuffix(chosen, QStringLiteral("csv")); }

void SweepWindow::exportCsv() {
    const QString chosen = askCsvName();
    if (chosen.isEmpty()) return;
    const QString name = csvFileName(chosen);
    const std::string csv = sweepCsv(outcome_);
    try {
        writeFileAtomically(name.toStdString(),
                            std::span(reinterpret_cast<const std::uint8_t*>(csv.data()), csv.size()));
    } catch (const std::exception& error) {
        showMessage(QString::fromStdString(failureMessage(error)));
    }
}

}  // namespace brenlow
