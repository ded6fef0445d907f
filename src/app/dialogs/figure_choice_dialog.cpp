#include "app/dialogs/figure_choice_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>

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
    width_ = new QComboBox;
    width_->setObjectName(QStringLiteral("FigureWidth"));
    width_->addItems({QStringLiteral("A column (3.5 inches)"), QStringLiteral("A page (7 inches)")});
    spread_ = new QComboBox(this);
    spread_->setObjectName(QStringLiteral("FigureSpread"));
    spread_->addItems({QStringLiteral("None"), QStringLiteral("One standard deviation over the pictures"),
                       QStringLiteral("95 % confidence interval of the mean")});
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("&Chart:"), measure_);
    layout->addRow(QStringLiteral("&Width:"), width_);
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
             width_->currentIndex() == 1 ? FigureWidth::Page : FigureWidth::Column}};
}

}  // namespace brenlow
