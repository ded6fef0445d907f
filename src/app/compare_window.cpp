#include "app/compare_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/compare_canvas.h"
#include "imaging/difference_image.h"

namespace brenlow {
namespace {

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

QToolButton* button(const QString& text, const char* name) {
    auto* tool = new QToolButton;
    tool->setText(text);
    tool->setObjectName(QString::fromLatin1(name));
    return tool;
}

}  // namespace

CompareWindow::CompareWindow(const QString& sourceCaption, const QImage& source, const QString& caption,
                             const QImage& decoded, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("CompareWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Compare: %1").arg(caption));
    std::tie(source_, decoded_) = commonAreaOf(source, decoded);
    sourceTop_ = source.height() - source_.height();

    canvas_ = new CompareCanvas(source_, decoded_);
    canvas_->setNames(sourceCaption, caption);
    readout_ = new QLabel(QStringLiteral("Point at a pixel to read both pictures."));
    readout_->setObjectName(QStringLiteral("PixelReadout"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeControls());
    layout->addWidget(canvas_, 1);
    layout->addWidget(readout_);
    connect(canvas_, &CompareCanvas::hovered, this, &CompareWindow::showPixel);
    connect(canvas_, &CompareCanvas::zoomChanged, this,
            [this](double zoom) { zoomText_->setText(QStringLiteral("%1 %").arg(qRound(zoom * 100))); });
    resize(1100, 720);
    // Fitting needs the canvas's final size.
    QTimer::singleShot(0, canvas_, &CompareCanvas::fitToView);
}

QWidget* CompareWindow::makeControls() {
    auto* controls = new QWidget;
    auto* row = new QHBoxLayout(controls);
    row->setContentsMargins(0, 0, 0, 0);
    auto* mode = new QComboBox;
    mode->setObjectName(QStringLiteral("CompareMode"));
    mode->addItems({QStringLiteral("Side by side"), QStringLiteral("Split"), QStringLiteral("Difference")});
    auto* split = new QSlider(Qt::Horizontal);
    split->setObjectName(QStringLiteral("SplitSlider"));
    split->setRange(0, 1000);
    split->setValue(500);
    split->setEnabled(false);
    auto* gain = new QSpinBox;
    gain->setObjectName(QStringLiteral("DifferenceGain"));
    gain->setRange(1, 64);
    gain->setValue(8);
    gain->setPrefix(QStringLiteral("x "));
    gain->setEnabled(false);
    connect(mode, &QComboBox::currentIndexChanged, this, [this, split, gain](int index) {
        canvas_->setMode(static_cast<CompareCanvas::Mode>(index));
        split->setEnabled(index == 1);
        gain->setEnabled(index == 2);
    });
    connect(split, &QSlider::valueChanged, this, [this](int value) { canvas_->setSplit(value / 1000.0); });
    connect(gain, &QSpinBox::valueChanged, this, [this](int value) { canvas_->setGain(value); });

    QToolButton* fit = button(QStringLiteral("Fit"), "ZoomFit");
    QToolButton* actual = button(QStringLiteral("1:1"), "ZoomActual");
    QToolButton* in = button(QStringLiteral("+"), "ZoomIn");
    QToolButton* out = button(QStringLiteral("-"), "ZoomOut");
    connect(fit, &QToolButton::clicked, canvas_, &CompareCanvas::fitToView);
    connect(actual, &QToolButton::clicked, this, [this] { canvas_->zoomBy(1.0 / canvas_->zoom()); });
    connect(in, &QToolButton::clicked, this, [this] { canvas_->zoomBy(2.0); });
    connect(out, &QToolButton::clicked, this, [this] { canvas_->zoomBy(0.5); });
    zoomText_ = new QLabel(QStringLiteral("100 %"));
    zoomText_->setObjectName(QStringLiteral("ZoomText"));

    row->addWidget(mode);
    row->addWidget(new QLabel(QStringLiteral("Split:")));
    row->addWidget(split, 1);
    row->addWidget(new QLabel(QStringLiteral("Amplify:")));
    row->addWidget(gain);
    for (QWidget* widget : {static_cast<QWidget*>(fit), static_cast<QWidget*>(actual), static_cast<QWidget*>(in),
                            static_cast<QWidget*>(out), static_cast<QWidget*>(zoomText_)})
        row->addWidget(widget);
    return controls;
}

QString CompareWindow::readout() const { return readout_->text(); }

void CompareWindow::showPixel(QPoint pixel) {
    if (!source_.rect().contains(pixel)) return;
    readout_->setText(QStringLiteral("x %1, y %2    source %3    decoded %4    difference %5")
                          .arg(pixel.x())
                          .arg(pixel.y() + sourceTop_)
                          .arg(rgbText(source_, pixel), rgbText(decoded_, pixel),
                               differenceText(source_, decoded_, pixel)));
}

}  // namespace brenlow
