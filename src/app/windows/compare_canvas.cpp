#include "app/windows/compare_canvas.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/shell/palette_follow.h"
#include "app/shell/plain_text.h"
#include "imaging/difference_image.h"

namespace brenlow {
namespace {

constexpr double kMinZoom = 1.0 / 16;
constexpr double kMaxZoom = 64.0;
constexpr double kWheelStep = 1.25;
constexpr int kGap = 4;
constexpr int kDefaultGain = 8;
constexpr int kCaptionMargin = 6;

QLabel* makeCaption(QWidget* canvas, const char* name) {
    auto* caption = new QLabel(canvas);
    caption->setTextFormat(Qt::PlainText);
    caption->setObjectName(QString::fromLatin1(name));
    // The captions lie over the pictures; panning and the pixel readout must reach through them.
    caption->setAttribute(Qt::WA_TransparentForMouseEvents);
    // The palette's own text on its own face, a little translucent, whatever the theme. The roles are
    // the label's own: it would take the canvas's dark face, and with it the palette's Light for text,
    // which a dark theme makes a dark grey.
    caption->setBackgroundRole(QPalette::Window);
    caption->setForegroundRole(QPalette::WindowText);
    followPalette(caption, [](QWidget& label) {
        QPalette colours = QApplication::palette(&label);
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            QColor face = colours.color(group, QPalette::Window);
            face.setAlpha(215);
            colours.setColor(group, QPalette::Window, face);
        }
        label.setPalette(colours);
    });
    caption->setAutoFillBackground(true);
    caption->setContentsMargins(6, 2, 6, 2);
    return caption;
}

// A caption is a picture's path, often followed by what made it ("a.bmp, <b>x</b> at quality 30"):
// its folder goes, and only its folder, though a curve's label may hold a slash.
QString withoutFolder(const QString& name) {
    for (qsizetype slash = name.lastIndexOf(QLatin1Char('/')); slash >= 0;
         slash = slash == 0 ? -1 : name.lastIndexOf(QLatin1Char('/'), slash - 1)) {
        if (QFileInfo(name.left(slash + 1)).isDir()) return name.mid(slash + 1);
    }
    return QFileInfo(name).fileName();
}

QString namedRole(const QString& role, const QString& name) {
    return role + QStringLiteral(": ") + withoutFolder(name);
}

void nameCaption(QLabel* caption, const QString& role, const QString& name) {
    caption->setText(namedRole(role, name));
    caption->setToolTip(plainTip(name));
    caption->adjustSize();
}

}  // namespace

CompareCanvas::CompareCanvas(QImage source, QImage decoded, QWidget* parent)
    : QWidget(parent), source_(std::move(source)), decoded_(std::move(decoded)) {
    setObjectName(QStringLiteral("CompareCanvas"));
    setMouseTracking(true);
    setMinimumSize(320, 240);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Dark);
    sourceCaption_ = makeCaption(this, "SourceCaption");
    resultCaption_ = makeCaption(this, "ResultCaption");
    differenceCaption_ = makeCaption(this, "DifferenceCaption");
    flipCaption_ = makeCaption(this, "FlipCaption");
    heatMapCaption_ = makeCaption(this, "HeatMapCaption");
    // Space flips in Flip mode, wherever the pointer is.
    setFocusPolicy(Qt::StrongFocus);
    setNames(QStringLiteral("source"), QStringLiteral("result"));
    setGain(kDefaultGain);
}

void CompareCanvas::setNames(const QString& sourceName, const QString& resultName) {
    sourceName_ = sourceName;
    resultName_ = resultName;
    nameCaption(sourceCaption_, sourceRole_, sourceName);
    nameCaption(resultCaption_, resultRole_, resultName);
    updateDifferenceCaption();
    updateFlipCaption();
    updateHeatMapCaption();
    placeCaptions();
}

void CompareCanvas::setRoles(const QString& sourceRole, const QString& resultRole) {
    sourceRole_ = sourceRole;
    resultRole_ = resultRole;
    setNames(sourceName_, resultName_);
}

void CompareCanvas::updateDifferenceCaption() {
    differenceCaption_->setText(QStringLiteral("Difference x %1 of %2 and %3")
                                    .arg(gain_)
                                    .arg(namedRole(resultRole_, resultName_), namedRole(sourceRole_, sourceName_)));
    differenceCaption_->adjustSize();
}

void CompareCanvas::updateFlipCaption() {
    const QString& shownRole = showsResult_ ? resultRole_ : sourceRole_;
    const QString& otherRole = showsResult_ ? sourceRole_ : resultRole_;
    flipCaption_->setText(QStringLiteral("%1    Space: show %2")
                              .arg(namedRole(shownRole, showsResult_ ? resultName_ : sourceName_), otherRole));
    flipCaption_->setToolTip(plainTip(showsResult_ ? resultName_ : sourceName_));
    flipCaption_->adjustSize();
}

void CompareCanvas::updateHeatMapCaption() {
    heatMapCaption_->setText(heatMap_.isNull() ? QStringLiteral("Computing the Butteraugli heat map...")
                                               : QStringLiteral("Butteraugli distance of %1 against %2")
                                                     .arg(namedRole(resultRole_, resultName_),
                                                          namedRole(sourceRole_, sourceName_)));
    heatMapCaption_->adjustSize();
}

void CompareCanvas::flip() {
    showsResult_ = !showsResult_;
    updateFlipCaption();
    refresh();
}

void CompareCanvas::setHeatMap(QImage map) {
    heatMap_ = std::move(map);
    updateHeatMapCaption();
    refresh();
}

void CompareCanvas::setMode(Mode mode) {
    mode_ = mode;
    fitToView();
}

void CompareCanvas::setSplit(double fraction) {
    split_ = std::clamp(fraction, 0.0, 1.0);
    refresh();
}

int CompareCanvas::dividerX() const {
    const QRect pane = panes().constFirst();
    const double x = pane.left() + (split_ * source_.width() - origin_.x()) * zoom_;
    return std::clamp(static_cast<int>(std::lround(x)), pane.left(), pane.right() + 1);
}

void CompareCanvas::setGain(int gain) {
    gain_ = gain;
    difference_ = amplifiedDifference(source_, decoded_, gain);
    updateDifferenceCaption();
    refresh();
}

void CompareCanvas::setZoom(double zoom, QPointF anchor) {
    fitted_ = false;
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    const QRect pane = panes().constFirst();
    const QPointF inPane = anchor - QPointF(pane.topLeft());
    const QPointF pictureAtAnchor = origin_ + inPane / zoom_;
    zoom_ = zoom;
    origin_ = pictureAtAnchor - inPane / zoom_;
    refresh();
    emit zoomChanged(zoom_);
}

void CompareCanvas::zoomBy(double factor) {
    const QRect pane = panes().constFirst();
    setZoom(zoom_ * factor, QPointF(pane.topLeft()) + QPointF(pane.width(), pane.height()) / 2);
}

void CompareCanvas::fitToView() {
    const QRect pane = panes().constFirst();
    const double fit = std::min(pane.width() / double(source_.width()), pane.height() / double(source_.height()));
    zoom_ = std::clamp(fit, kMinZoom, kMaxZoom);
    const QSizeF slack = QSizeF(pane.size()) / zoom_ - QSizeF(source_.size());
    origin_ = -QPointF(slack.width(), slack.height()) / 2;
    fitted_ = true;
    refresh();
    emit zoomChanged(zoom_);
}

void CompareCanvas::refresh() {
    placeCaptions();
    update();
}

void CompareCanvas::placeCaptions() {
    const QList<QRect> shown = panes();
    const QPoint margin(kCaptionMargin, kCaptionMargin);
    const bool twoPictures = mode_ == Mode::SideBySide || mode_ == Mode::Split;
    sourceCaption_->setVisible(twoPictures);
    resultCaption_->setVisible(twoPictures);
    differenceCaption_->setVisible(mode_ == Mode::Difference);
    flipCaption_->setVisible(mode_ == Mode::Flip);
    heatMapCaption_->setVisible(mode_ == Mode::HeatMap);
    switch (mode_) {
        case Mode::SideBySide:
            sourceCaption_->move(shown[0].topLeft() + margin);
            resultCaption_->move(shown[1].topLeft() + margin);
            break;
        case Mode::Difference:
            differenceCaption_->move(shown[0].topLeft() + margin);
            break;
        case Mode::Flip:
            flipCaption_->move(shown[0].topLeft() + margin);
            break;
        case Mode::HeatMap:
            heatMapCaption_->move(shown[0].topLeft() + margin);
            break;
        case Mode::Split: {
            // Each caption sits on its own side of the divider and follows it.
            const QRect pane = shown[0];
            const int divider = dividerX();
            const int top = pane.top() + kCaptionMargin;
            const int sourceLeft = divider - kCaptionMargin - sourceCaption_->width();
            const int resultLeft = divider + kCaptionMargin;
            const int lastResultLeft = pane.right() + 1 - kCaptionMargin - resultCaption_->width();
            sourceCaption_->move(std::max(pane.left() + kCaptionMargin, sourceLeft), top);
            resultCaption_->move(std::min(lastResultLeft, resultLeft), top);
            break;
        }
    }
}

// A fitted picture stays fitted when the canvas changes size (a legend appearing below it), until
// the user zooms or pans.
void CompareCanvas::resizeEvent(QResizeEvent*) {
    if (fitted_) fitToView();
    else placeCaptions();
}

QList<QRect> CompareCanvas::panes() const {
    if (mode_ != Mode::SideBySide) return {rect()};
    const int half = (width() - kGap) / 2;
    return {QRect(0, 0, half, height()), QRect(half + kGap, 0, width() - half - kGap, height())};
}

std::optional<QPoint> CompareCanvas::pixelAt(QPoint position) const {
    for (const QRect& pane : panes()) {
        if (!pane.contains(position)) continue;
        const QPointF picture = origin_ + QPointF(position - pane.topLeft()) / zoom_;
        const QPoint pixel(static_cast<int>(std::floor(picture.x())), static_cast<int>(std::floor(picture.y())));
        if (source_.rect().contains(pixel)) return pixel;
    }
    return std::nullopt;
}

void CompareCanvas::drawPicture(QPainter& painter, const QRect& pane, const QRect& clip, const QImage& picture) const {
    // Only the visible pixels are scaled, so a high zoom costs no more than a low one.
    const QRectF shown = QRectF(origin_, QSizeF(pane.size()) / zoom_).intersected(QRectF(picture.rect()));
    if (shown.isEmpty()) return;
    const QRect pixels = shown.toAlignedRect().intersected(picture.rect());
    const QRectF target(QPointF(pane.topLeft()) + (QPointF(pixels.topLeft()) - origin_) * zoom_,
                        QSizeF(pixels.size()) * zoom_);
    painter.save();
    painter.setClipRect(clip);
    painter.drawImage(target, picture, QRectF(pixels));
    painter.restore();
}

void CompareCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < 1.0);
    const QList<QRect> shown = panes();
    switch (mode_) {
        case Mode::SideBySide:
            drawPicture(painter, shown[0], shown[0], source_);
            drawPicture(painter, shown[1], shown[1], decoded_);
            break;
        case Mode::Difference:
        case Mode::Flip:
        case Mode::HeatMap:
            drawPicture(painter, shown[0], shown[0], singlePicture());
            break;
        case Mode::Split: {
            const QRect pane = shown[0];
            const int divider = dividerX();
            drawPicture(painter, pane, QRect(pane.left(), pane.top(), divider - pane.left(), pane.height()), source_);
            drawPicture(painter, pane, QRect(divider, pane.top(), pane.right() - divider + 1, pane.height()), decoded_);
            painter.setPen(QPen(Qt::yellow, 1));
            painter.drawLine(divider, pane.top(), divider, pane.bottom());
            break;
        }
    }
}

const QImage& CompareCanvas::singlePicture() const {
    switch (mode_) {
        case Mode::Difference:
            return difference_;
        case Mode::HeatMap:
            return heatMap_;
        default:
            return showsResult_ ? decoded_ : source_;
    }
}

void CompareCanvas::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0.0) setZoom(zoom_ * std::pow(kWheelStep, notches), event->position());
    event->accept();
}

void CompareCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragFrom_ = event->position().toPoint();
}

void CompareCanvas::mouseMoveEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    if (dragFrom_) {
        origin_ -= QPointF(position - *dragFrom_) / zoom_;
        dragFrom_ = position;
        fitted_ = false;
        refresh();
    }
    if (const auto pixel = pixelAt(position)) emit hovered(*pixel);
}

void CompareCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragFrom_.reset();
}

void CompareCanvas::keyPressEvent(QKeyEvent* event) {
    if (mode_ == Mode::Flip && event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        flip();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace brenlow
