#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "brenlow/figures.h"

class QComboBox;
class QSpinBox;

namespace brenlow {

// Which chart an image export draws, and how wide and with which error bars; whether PSNR's chart
// goes beside it, as the window shows them; a PNG's resolution.
struct FigureChoice {
    CurveMeasure measure;
    FigureOptions options;
    bool bothCharts = false;
    int dotsPerInch = 300;
};

// What the export writes for `choice`, under `heading`.
ChartExport chartExport(const FigureChoice& choice, const std::string& heading);

// The heading of an exported chart: the picture's (or data set's) name and the anchor codec.
std::string chartHeading(const QString& subject, const std::string& anchor);

// Export Image asks for the chart: the measure (those of `measures`, `preferred` first chosen when it
// is among them), alone or with PSNR's beside it, the width (a column or a page), a PNG's resolution
// and, where the curves are means over pictures (`offersSpread`), the error bars.
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
    QComboBox* charts_ = nullptr;
    QSpinBox* resolution_ = nullptr;
};

// The measure rate-distortion charts show now, when their selector names one.
std::optional<CurveMeasure> shownChartMeasure(const QWidget& charts);

}  // namespace brenlow
