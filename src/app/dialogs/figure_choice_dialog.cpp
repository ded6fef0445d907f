#include "app/dialogs/figure_choice_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QSpinBox>

#include "app/shell/codec_titles.h"
#include "app/shell/plain_text.h"

namespace brenlow {

FigureChoiceDialog::FigureChoiceDialog(const std::vector<CurveMeasure>& measures,
                                       std::optional<CurveMeasure> preferred, bool offersSpread, QWidget* parent)
    : QDialog(parent), measures_(measures) {
    setObjectName(QStringLiteral("FigureChoiceDialog"));
    setWindowTitle(QStringLiteral("Export Image"));
    measure_ = new QComboBox;
    measure_->setObjectName(QStringLiteral("FigureMeasure"));
    for (CurveMeasure measure : measures_) measure_->addItem(QString::fromStdString(measureLabel(measure)));
    for (std::size_t i = 0; i < measures_.size(); ++i)
        if (preferred && measures_[i] == *preferred) measure_->setCurrentIndex(static_cast<int>(i));
    charts_ = new QComboBox;
    charts_->setObjectName(QStringLiteral("FigureCharts"));
    charts_->addItems({QStringLiteral("This chart alone"), QStringLiteral("Both charts: PSNR beside this one")});
    width_ = new QComboBox;
    width_->setObjectName(QStringLiteral("FigureWidth"));
    width_->addItems({QStringLiteral("A column (3.5 inches)"), QStringLiteral("A page (7 inches)")});
    resolution_ = new QSpinBox;
    resolution_->setObjectName(QStringLiteral("FigureResolution"));
    resolution_->setRange(72, 1200);
    resolution_->setSingleStep(50);
    resolution_->setValue(300);
    resolution_->setSuffix(QStringLiteral(" dpi"));
    resolution_->setToolTip(QStringLiteral("The PNG's resolution; PDF and SVG figures scale without loss"));
    spread_ = new QComboBox(this);
    spread_->setObjectName(QStringLiteral("FigureSpread"));
    spread_->addItems({QStringLiteral("None"), QStringLiteral("One standard deviation over the pictures"),
                       QStringLiteral("95 % confidence interval of the mean")});
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("&Chart:"), measure_);
    layout->addRow(QStringLiteral("&Draw:"), charts_);
    layout->addRow(QStringLiteral("&Width:"), width_);
    layout->addRow(QStringLiteral("PNG &resolution:"), resolution_);
    if (offersSpread) layout->addRow(QStringLiteral("&Error bars:"), spread_);
    else spread_->hide();
    layout->addRow(buttons);
}

std::optional<CurveMeasure> shownChartMeasure(const QWidget& charts) {
    const auto* selector = charts.findChild<QComboBox*>(QStringLiteral("ChartMeasure"));
    if (selector == nullptr) return std::nullopt;
    return curveMeasureNamed(selector->currentData().toString().toStdString());
}

FigureChoice FigureChoiceDialog::choice() const {
    const auto index = static_cast<std::size_t>(std::max(0, measure_->currentIndex()));
    constexpr FigureSpread kSpreads[] = {FigureSpread::None, FigureSpread::Deviation, FigureSpread::Interval95};
    return {measures_.at(index),
            {kSpreads[std::max(0, spread_->currentIndex())],
             width_->currentIndex() == 1 ? FigureWidth::Page : FigureWidth::Column},
            charts_->currentIndex() == 1,
            resolution_->value()};
}

ChartExport chartExport(const FigureChoice& choice, const std::string& heading) {
    const CurveMeasure psnr("psnr");
    std::vector<CurveMeasure> measures{choice.measure};
    if (choice.bothCharts && !(choice.measure == psnr)) measures.insert(measures.begin(), psnr);
    return {measures, heading, choice.options, choice.dotsPerInch};
}

std::string chartHeading(const QString& subject, const std::string& anchor) {
    return QStringLiteral("%1, anchor %2")
        .arg(QFileInfo(subject).fileName(), withoutMnemonics(curveTitle(anchor)))
        .toStdString();
}

}  // namespace brenlow
