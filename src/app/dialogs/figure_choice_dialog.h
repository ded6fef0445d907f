#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "brenlow/figures.h"

class QComboBox;

namespace brenlow {

// Which chart an image export draws, and how wide and with which error bars.
struct FigureChoice {
    CurveMeasure measure;
    FigureOptions options;
};

// Export Image asks for one chart at a time: the measure (those of `measures`, `preferred` first
// chosen when it is among them), the width (a column or a page) and, where the curves are means over
// pictures (`offersSpread`), the error bars.
class FigureChoiceDialog : public QDialog {
    Q_OBJECT

public:
    FigureChoiceDialog(const std::vector<CurveMeasure>& measures, std::optional<CurveMeasure> preferred,
                       bool offersSpread, QWidget* parent = nullptr);

    FigureChoice choice() const;

private:
    std::vector<CurveMeasure> measures_;
    QComboBox* measure_ = nullptr;
    QComboBox* width_ = nullptr;
    QComboBox* spread_ = nullptr;
};

// The measure rate-distortion charts show now, when their selector names one.
std::optional<CurveMeasure> shownChartMeasure(const QWidget& charts);

}  // namespace brenlow
