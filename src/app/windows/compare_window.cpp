#include "app/windows/compare_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <memory>
#include <string_view>

#include "app/charts/heat_map_legend.h"
#include "app/shell/plain_text.h"
#include "app/windows/compare_canvas.h"
#include "app/windows/ringed_combo_box.h"
#include "app/windows/screen_fit.h"
#include "brenlow/measures.h"
#include "imaging/difference_image.h"
#include "io/error.h"

namespace brenlow {
namespace {

// The entries of the mode box, in the order of CompareCanvas::Mode.
constexpr int kSplitMode = 1;
constexpr int kDifferenceMode = 2;
constexpr int kFlipMode = 3;
constexpr int kHeatMapMode = 4;

QString rgbText(const QImage& picture, QPoint pixel) {
    const uchar* p = picture.constScanLine(pixel.y()) + 3 * pixel.x();
    return QStringLiteral("R %1 G %2 B %3").arg(p[2]).arg(p[1]).arg(p[0]);
}

QString differenceText(const QImage& source, const QImage& decoded, QPoint pixel) {
    const uchar* a = source.constScanLine(pixel.y()) + 3 * pixel.x();
    const uchar* b = decoded.constScanLine(pixel.y()) + 3 * pixel.x();
    const auto signedText = [](int value) { return (value > 0 ? QStringLiteral("+") : QString()) + QString::number(value); };
    return QStringLiteral("R %1 G %2 B %3").arg(signedText(b[2] - a[2]), signedText(b[1] - a[1]), signedText(b[0] - a[0]));
}

// `spoken`: what a screen reader says for a button whose text is a sign.
QToolButton* button(const QString& text, const char* name, const QString& spoken) {
    auto* tool = new QToolButton;
    tool->setText(text);
    tool->setObjectName(QString::fromLatin1(name));
    tool->setAccessibleName(spoken);
    tool->setToolTip(spoken);
    return tool;
}

QLabel* buddyLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

// "PSNR 31.250 dB,  SSIM 0.91234,  ...,  Butteraugli 2.1000 (3-norm 0.9000)": the table's rows that
// have a short name, a group's further rows in brackets after its first. A measure a run leaves out
// unless asked shows only where it was taken, as a data set's may be.
bool inSummary(const MeasureRow& row, const PictureMeasures& measures) {
    if (row.shortName == nullptr) return false;
    const OptionalMeasure* optional = row.group ? optionalMeasureNamed(row.group) : nullptr;
    return !optional || optional->takenByDefault || !std::isnan(row.of(measures));
}

QString measuresSummary(const PictureMeasures& measures) {
    QString text;
    const char* lastGroup = nullptr;
    for (const MeasureRow& row : measureTable()) {
        if (!inSummary(row, measures)) continue;
        const QString item = QString::fromUtf8(row.shortName) + QLatin1Char(' ') + QString::fromStdString(row.shown(measures));
        const bool sameGroup = row.group != nullptr && lastGroup != nullptr && std::string_view(row.group) == lastGroup;
        text += sameGroup ? QStringLiteral(" (%1)").arg(item) : (text.isEmpty() ? item : QStringLiteral(",  ") + item);
        lastGroup = row.group;
    }
    return text;
}

// One line for each measure of the summary that reads n/a, saying why.
QString undefinedMeasuresTip(const PictureMeasures& measures, QSize area) {
    QStringList reasons;
    for (const MeasureRow& row : measureTable()) {
        if (!inSummary(row, measures) || !std::isnan(row.of(measures))) continue;
        const QString reason =
            QString::fromStdString(undefinedMeasureReason(row, area.width(), area.height()));
        if (!reasons.contains(reason)) reasons << reason;
    }
    return reasons.isEmpty() ? QString() : QStringLiteral("n/a: ") + reasons.join(QStringLiteral("\n"));
}

// The result of the heat map's thread, handed back to the window's.
struct HeatMapOutcome {
    ButteraugliMap distances;
    QImage map;
    QString failure;
};

}  // namespace

CompareRoles CompareRoles::sourceAndResult() {
    return {QStringLiteral("Source"), QStringLiteral("Result"), QStringLiteral("source"), QStringLiteral("decoded")};
}

CompareRoles CompareRoles::twoWindows() {
    return {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A:"), QStringLiteral("B:")};
}

CompareWindow::CompareWindow(const QString& sourceCaption, const QImage& source, const QString& caption,
                             const QImage& decoded, QWidget* parent, const CompareRoles& roles)
    : QWidget(parent, Qt::Window), roles_(roles) {
    setObjectName(QStringLiteral("CompareWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Compare: %1").arg(caption));
    std::tie(source_, decoded_) = commonAreaOf(source, decoded);
    sourceTop_ = source.height() - source_.height();

    canvas_ = new CompareCanvas(source_, decoded_);
    canvas_->setNames(sourceCaption, caption);
    canvas_->setRoles(roles_.first, roles_.second);
    canvas_->setAccessibleName(QStringLiteral("%1 and %2 pictures").arg(roles_.first, roles_.second));
    readout_ = plainLabel(QStringLiteral("Point at a pixel to read both pictures."));
    readout_->setObjectName(QStringLiteral("PixelReadout"));
    // Long lines wrap rather than widen the window past a small screen.
    readout_->setWordWrap(true);
    measures_ = plainLabel();
    measures_->setObjectName(QStringLiteral("PairMeasures"));
    measures_->setWordWrap(true);
    measures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    legend_ = new HeatMapLegend;
    legend_->hide();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(measures_, 1);
    bottom->addWidget(legend_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeControls());
    layout->addWidget(canvas_, 1);
    layout->addWidget(readout_);
    layout->addLayout(bottom);
    connect(canvas_, &CompareCanvas::hovered, this, &CompareWindow::showPixel);
    connect(canvas_, &CompareCanvas::zoomChanged, this,
            [this](double zoom) { zoomText_->setText(QStringLiteral("%1 %").arg(qRound(zoom * 100))); });
    resizeWithinScreen(*this, QSize(1100, 720));
    // A window of its own, closed by the keys a document closes with, and by Esc as a viewer is.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W),
                                    QKeySequence(Qt::CTRL | Qt::Key_F4)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);
    // Fitting needs the canvas's final size.
    QTimer::singleShot(0, canvas_, &CompareCanvas::fitToView);
}

QWidget* CompareWindow::makeControls() {
    auto* controls = new QWidget;
    auto* row = new QHBoxLayout(controls);
    row->setContentsMargins(0, 0, 0, 0);
    QComboBox* mode = makeModeBox();
    mode_ = mode;
    auto* split = new QSlider(Qt::Horizontal);
    split_ = split;
    split->setObjectName(QStringLiteral("SplitSlider"));
    split->setRange(0, 1000);
    split->setValue(500);
    split->setEnabled(false);
    auto* gain = new QSpinBox;
    gain_ = gain;
    gain->setObjectName(QStringLiteral("DifferenceGain"));
    gain->setRange(1, 64);
    gain->setValue(8);
    gain->setPrefix(QStringLiteral("x "));
    gain->setEnabled(false);
    connect(mode, &QComboBox::currentIndexChanged, this, &CompareWindow::chooseMode);
    connect(split, &QSlider::valueChanged, this, [this](int value) { canvas_->setSplit(value / 1000.0); });
    connect(gain, &QSpinBox::valueChanged, this, [this](int value) { canvas_->setGain(value); });

    QToolButton* fit = button(QStringLiteral("Fit"), "ZoomFit", QStringLiteral("Zoom to fit"));
    QToolButton* actual = button(QStringLiteral("1:1"), "ZoomActual", QStringLiteral("Zoom 1:1"));
    QToolButton* in = button(QStringLiteral("+"), "ZoomIn", QStringLiteral("Zoom in"));
    QToolButton* out = button(QStringLiteral("-"), "ZoomOut", QStringLiteral("Zoom out"));
    connect(fit, &QToolButton::clicked, canvas_, &CompareCanvas::fitToView);
    connect(actual, &QToolButton::clicked, this, [this] { canvas_->zoomBy(1.0 / canvas_->zoom()); });
    connect(in, &QToolButton::clicked, this, [this] { canvas_->zoomBy(2.0); });
    connect(out, &QToolButton::clicked, this, [this] { canvas_->zoomBy(0.5); });
    zoomText_ = new QLabel(QStringLiteral("100 %"));
    zoomText_->setObjectName(QStringLiteral("ZoomText"));

    row->addWidget(mode);
    row->addWidget(buddyLabel(QStringLiteral("Split:"), split));
    row->addWidget(split, 1);
    row->addWidget(buddyLabel(QStringLiteral("Amplify:"), gain));
    row->addWidget(gain);
    for (QWidget* widget : {static_cast<QWidget*>(fit), static_cast<QWidget*>(actual), static_cast<QWidget*>(in),
                            static_cast<QWidget*>(out), static_cast<QWidget*>(zoomText_)})
        row->addWidget(widget);
    return controls;
}

QComboBox* CompareWindow::makeModeBox() {
    auto* mode = new RingedComboBox;
    mode->setObjectName(QStringLiteral("CompareMode"));
    mode->setAccessibleName(QStringLiteral("Compare mode"));
    mode->addItems({QStringLiteral("Side by side"), QStringLiteral("Split"), QStringLiteral("Difference"),
                    QStringLiteral("Flip"), QStringLiteral("Butteraugli heat map")});
    mode->setItemData(kFlipMode,
                      QStringLiteral("One picture at a time: Space shows the other at the same zoom and place"),
                      Qt::ToolTipRole);
    const QString unavailable = heatMapUnavailable();
    if (unavailable.isEmpty()) {
        mode->setItemData(kHeatMapMode, QStringLiteral("Where and how much %1 differs visibly from %2")
                                            .arg(roles_.second, roles_.first),
                          Qt::ToolTipRole);
    } else {
        mode->setItemText(kHeatMapMode, QStringLiteral("Butteraugli heat map (unavailable)"));
        mode->setItemData(kHeatMapMode, unavailable, Qt::ToolTipRole);
        static_cast<QStandardItemModel*>(mode->model())->item(kHeatMapMode)->setEnabled(false);
    }
    return mode;
}

void CompareWindow::chooseMode(int index) {
    canvas_->setMode(static_cast<CompareCanvas::Mode>(index));
    split_->setEnabled(index == kSplitMode);
    gain_->setEnabled(index == kDifferenceMode);
    legend_->setVisible(index == kHeatMapMode);
    // Space must reach the canvas, not open the mode box again.
    if (index == kFlipMode) canvas_->setFocus();
    if (index == kHeatMapMode) startHeatMap();
}

QString CompareWindow::heatMapUnavailable() const {
    if (!butteraugliAvailable()) return QString::fromStdString(butteraugliUnavailable()) + QLatin1Char('.');
    if (static_cast<long long>(source_.width()) * source_.height() > kButteraugliMaxPixels)
        return QStringLiteral("The heat map takes pictures of up to %1 pixels; these have %2 x %3.")
            .arg(kButteraugliMaxPixels)
            .arg(source_.width())
            .arg(source_.height());
    return {};
}

// Once per window, off the window's thread: a large pair takes seconds. A window closed meanwhile
// leaves the thread to finish and delete itself.
void CompareWindow::startHeatMap() {
    if (heatMapStarted_) return;
    heatMapStarted_ = true;
    canvas_->setCursor(Qt::BusyCursor);
    auto outcome = std::make_shared<HeatMapOutcome>();
    QThread* worker = QThread::create([outcome, reference = source_, test = decoded_] {
        try {
            outcome->distances = butteraugliDistanceMap(reference, test);
            outcome->map = heatMapOf(outcome->distances);
        } catch (const std::exception& error) {
            outcome->failure = QString::fromStdString(failureMessage(error));
        }
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &QThread::finished, this, [this, outcome] {
        distances_ = std::move(outcome->distances);
        finishHeatMap(outcome->map, outcome->failure);
    });
    worker->start();
}

void CompareWindow::finishHeatMap(const QImage& map, const QString& failure) {
    canvas_->unsetCursor();
    if (failure.isEmpty()) {
        canvas_->setHeatMap(map);
        return;
    }
    // The mode is left for good: the same pair would fail again.
    mode_->setItemData(kHeatMapMode, plainTip(failure), Qt::ToolTipRole);
    static_cast<QStandardItemModel*>(mode_->model())->item(kHeatMapMode)->setEnabled(false);
    if (mode_->currentIndex() == kHeatMapMode) mode_->setCurrentIndex(0);
    readout_->setText(QStringLiteral("No heat map: %1").arg(failure));
}

void CompareWindow::showMeasures(const PictureMeasures& m) {
    measures_->setText(QStringLiteral("%1 against %2:  %3").arg(roles_.second, roles_.first, measuresSummary(m)));
    measures_->setToolTip(plainTip(undefinedMeasuresTip(m, source_.size())));
}

QString CompareWindow::measuresText() const { return measures_->text(); }

QString CompareWindow::readout() const { return readout_->text(); }

void CompareWindow::showPixel(QPoint pixel) {
    if (!source_.rect().contains(pixel)) return;
    QString text = QStringLiteral("x %1, y %2    %3 %4    %5 %6    difference %7")
                       .arg(pixel.x())
                       .arg(pixel.y() + sourceTop_)
                       .arg(roles_.firstReading, rgbText(source_, pixel), roles_.secondReading,
                            rgbText(decoded_, pixel), differenceText(source_, decoded_, pixel));
    // Over the heat map the pixel's distance is what its colour stands for.
    if (canvas_->mode() == CompareCanvas::Mode::HeatMap && QRect(0, 0, distances_.width, distances_.height).contains(pixel))
        text += QStringLiteral("    Butteraugli %1").arg(QString::number(distances_.at(pixel.x(), pixel.y()), 'f', 3));
    readout_->setText(text);
}

}  // namespace brenlow
