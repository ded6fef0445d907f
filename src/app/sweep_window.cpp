#include "app/sweep_window.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>
#include <exception>

#include "app/sweep_charts.h"
#include "research/sweep_report.h"
#include "research/measures.h"
#include "io/file_io.h"

namespace brenlow {
namespace {

QString percent(double rate) {
    return std::isnan(rate) ? QStringLiteral("n/a") : QString::fromStdString(formatMeasure(rate, 2)) + QStringLiteral(" %");
}

QStringList rowOf(const SweepPoint& point) {
    const PictureMeasures& m = point.measures.picture;
    const auto text = [](double value, int decimals) { return QString::fromStdString(formatMeasure(value, decimals)); };
    return {QString::fromLatin1(codecName(point.codec)).toUpper(), QString::number(point.quality),
            QString::number(point.figures.codedSize), text(point.measures.bitsPerPixel, 4), text(m.psnrRed, 3),
            text(m.psnrGreen, 3), text(m.psnrBlue, 3), text(m.psnr, 3), text(m.psnrLuma, 3), text(m.ssimLuma, 5)};
}

}  // namespace

SweepWindow::SweepWindow(const QString& caption, SweepOutcome outcome, QWidget* parent)
    : QWidget(parent, Qt::Window), outcome_(std::move(outcome)) {
    setObjectName(QStringLiteral("SweepWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Sweep: %1").arg(caption));
    askCsvName = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"), QString(), QStringLiteral("CSV (*.csv)"));
    };
    showMessage = [this](const QString& text) { QMessageBox::critical(this, QString(), text); };

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeRateDistortionCharts(outcome_), 3);
    auto* rates = new QLabel(deltaRatesText());
    rates->setObjectName(QStringLiteral("DeltaRates"));
    rates->setWordWrap(true);
    layout->addWidget(rates);
    layout->addWidget(makeTable(), 2);
    auto* buttons = new QHBoxLayout;
    auto* exportButton = new QPushButton(QStringLiteral("Export CSV..."));
    exportButton->setObjectName(QStringLiteral("ExportCsv"));
    connect(exportButton, &QPushButton::clicked, this, &SweepWindow::exportCsv);
    buttons->addStretch(1);
    buttons->addWidget(exportButton);
    layout->addLayout(buttons);
    resize(980, 760);
}

QTableWidget* SweepWindow::makeTable() const {
    const QStringList headers = {"Codec", "Quality", "Coded size", "Bits per pixel", "PSNR R", "PSNR G", "PSNR B",
                                 "PSNR", "PSNR Y", "SSIM Y"};
    auto* table = new QTableWidget(static_cast<int>(outcome_.points.size()), static_cast<int>(headers.size()));
    table->setObjectName(QStringLiteral("SweepTable"));
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    for (int row = 0; row < table->rowCount(); ++row) {
        const QStringList cells = rowOf(outcome_.points[static_cast<std::size_t>(row)]);
        for (int column = 0; column < cells.size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    table->resizeColumnsToContents();
    return table;
}

QString SweepWindow::deltaRatesText() const {
    QStringList lines;
    for (const DeltaRow& row : deltaTable(outcome_, StillCodec::Jpeg, {CurveMeasure::Psnr, CurveMeasure::PsnrLuma})) {
        if (row.interpolation != BdInterpolation::Cubic) continue;
        lines << QStringLiteral("%1 against JPEG on %2: %3")
                     .arg(QString::fromLatin1(codecName(row.codec)).toUpper(),
                          QString::fromStdString(measureLabel(row.measure)), percent(row.rate.value));
    }
    if (lines.isEmpty()) return QStringLiteral("No delta rates: the sweep has no JPEG curve to compare with.");
    return QStringLiteral("Bjontegaard delta rates (cubic fit of log10 bits per pixel against PSNR; n/a where the "
                          "curves share no PSNR interval):\n") +
           lines.join(QLatin1Char('\n'));
}

QString SweepWindow::csvFileName(const QString& chosen) {
    if (!QFileInfo(chosen).suffix().isEmpty()) return chosen;
    return chosen + (chosen.endsWith(QLatin1Char('.')) ? QStringLiteral("csv") : QStringLiteral(".csv"));
}

void SweepWindow::exportCsv() {
    const QString chosen = askCsvName();
    if (chosen.isEmpty()) return;
    const QString name = csvFileName(chosen);
    const std::string csv = sweepCsv(outcome_);
    try {
        writeFileAtomically(name.toStdString(),
                            std::span(reinterpret_cast<const std::uint8_t*>(csv.data()), csv.size()));
    } catch (const std::exception& error) {
        showMessage(QString::fromStdString(error.what()));
    }
}

}  // namespace brenlow
