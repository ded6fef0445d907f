#include "app/shell/mdi_child.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMdiArea>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <optional>

#include "app/shell/result_titles.h"
#include "app/shell/title_bar_style.h"
#include "imaging/bitmap_bridge.h"
#include "io/error.h"

namespace brenlow {

namespace {

// Enough client area beside the caption's buttons for a few characters of the caption.
constexpr QSize kMinimumClientArea(160, 40);

// The scales Ctrl++ and Ctrl+- step through; fitting may land between them.
constexpr std::array kZoomSteps = {1.0 / 32, 1.0 / 16, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3,
                                   1.0,      1.5,      2.0,     3.0,     4.0,     6.0,     8.0,     12.0,
                                   16.0,     24.0,     32.0};

enum class ZoomCommand { In, Out, Fit, ActualSize, ScreenPixels };

std::optional<ZoomCommand> zoomCommandFor(const QKeyEvent& key) {
    // Shift and the keypad only say how the key was typed; Ctrl++ needs Shift on many layouts.
    const Qt::KeyboardModifiers others = key.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (others != Qt::ControlModifier) return std::nullopt;
    switch (key.key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return ZoomCommand::In;
        case Qt::Key_Minus:
            return ZoomCommand::Out;
        case Qt::Key_0:
            return ZoomCommand::Fit;
        case Qt::Key_1:
            return ZoomCommand::ActualSize;
        case Qt::Key_2:
            return ZoomCommand::ScreenPixels;
        default:
            return std::nullopt;
    }
}

double nextZoomStep(double scale) {
    for (double step : kZoomSteps)
        if (step > scale * 1.001) return step;
    return kZoomSteps.back();
}

double previousZoomStep(double scale) {
    for (auto step = kZoomSteps.rbegin(); step != kZoomSteps.rend(); ++step)
        if (*step < scale / 1.001) return *step;
    return kZoomSteps.front();
}

// One for every document, kept by the application: a window's style must outlive the window.
TitleBarStyle* titleBarStyle() {
    static TitleBarStyle* const style = [] {
        auto* made = new TitleBarStyle;
        made->setParent(QCoreApplication::instance());
        return made;
    }();
    return style;
}

}  // namespace

TMDIChild::TMDIChild(const QString& caption, QWidget* parent) : QMdiSubWindow(parent), caption_(caption) {
    setObjectName(QStringLiteral("MDIChild"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);

    Image1 = new PictureView;
    Image1->setObjectName(QStringLiteral("Image1"));

    scrollArea_ = new QScrollArea;
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setBackgroundRole(QPalette::Button);
    scrollArea_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scrollArea_->setWidget(Image1);
    scrollArea_->viewport()->installEventFilter(this);
    setWidget(scrollArea_);
    // A screen reader names the picture by its window.
    scrollArea_->setAccessibleName(windowTitle());
    connect(this, &QWidget::windowTitleChanged, scrollArea_, &QWidget::setAccessibleName);
    // Last: setting a style polishes the window, which its event filter sees.
    setStyle(titleBarStyle());
}

std::string TMDIChild::fileName() const {
    return caption_.toStdString();
}

void TMDIChild::markFileReplaced(const QString& result) {
    replacedBy_ = result;
    setDescription(description_);
}

void TMDIChild::setDescription(const QString& description) {
    description_ = description;
    const QString replaced =
        replacedBy_.isEmpty() ? QString() : QStringLiteral(" - file replaced by the %1 result").arg(replacedBy_);
    setWindowTitle(describedTitle(caption_, description_) + replaced);
}

void TMDIChild::showPicture(QImage bitmap, std::optional<ImagePlanes> planes) {
    if (bitmap.format() != QImage::Format_BGR888) bitmap = bitmap.convertToFormat(QImage::Format_BGR888);
    Image1->setPicture(std::move(bitmap));
    Planes = std::move(planes);
    holdsFilePixels_ = false;
    applySizingRule();
    emit pictureChanged();
}

void TMDIChild::applySizingRule() {
    resizeClientArea(Image1->size());
}

void TMDIChild::resizeClientArea(QSize client) {
    QSize outer = client.grownBy(contentsMargins()).expandedTo(minimumWindowSize());
    if (const QMdiArea* area = mdiArea()) outer = outer.boundedTo(area->viewport()->size());
    resize(outer);
}

QSize TMDIChild::minimumWindowSize() const {
    return kMinimumClientArea.grownBy(contentsMargins()).expandedTo(QMdiSubWindow::minimumSizeHint());
}

QSize TMDIChild::sizeHint() const {
    return Image1->size().grownBy(contentsMargins()).expandedTo(minimumWindowSize());
}

void TMDIChild::setZoom(double scale) {
    scrollArea_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scale = std::clamp(scale, kZoomSteps.front(), kZoomSteps.back());
    if (Image1->picture().isNull() || scale == zoom()) return;
    Image1->setScale(scale);
    emit zoomChanged(scale);
}

void TMDIChild::zoomIn() {
    setZoom(nextZoomStep(zoom()));
}

void TMDIChild::zoomOut() {
    setZoom(previousZoomStep(zoom()));
}

void TMDIChild::zoomToFit() {
    const QSize picture = Image1->picture().size();
    if (picture.isEmpty()) return;
    const QSize room = scrollArea_->maximumViewportSize();
    setZoom(std::min(static_cast<double>(room.width()) / picture.width(),
                     static_cast<double>(room.height()) / picture.height()));
    // The fitted picture fills its window one way only: the other way it sits in the middle rather
    // than leaving a blank band on one side. Any other zoom shows the picture from the top left.
    scrollArea_->setAlignment(Qt::AlignCenter);
}

bool TMDIChild::fitWhenLarger() {
    // The scroll area takes the window's new size only when its layout next runs.
    if (QLayout* frame = layout()) frame->activate();
    const QSize room = scrollArea_->maximumViewportSize();
    const QSize shown = Image1->size();
    if (Image1->picture().isNull() || (shown.width() <= room.width() && shown.height() <= room.height())) return false;
    zoomToFit();
    return true;
}

void TMDIChild::followView(const TMDIChild& other) {
    setZoom(other.zoom());
    if (QLayout* frame = layout()) frame->activate();
    const QPoint position = other.scrollPosition();
    scrollArea_->horizontalScrollBar()->setValue(position.x());
    scrollArea_->verticalScrollBar()->setValue(position.y());
}

QPoint TMDIChild::scrollPosition() const {
    return {scrollArea_->horizontalScrollBar()->value(), scrollArea_->verticalScrollBar()->value()};
}

// The picture's point under `anchor` (in the viewport) stays under it, as far as the scroll
// range allows.
void TMDIChild::zoomAround(double scale, QPointF anchor) {
    QScrollBar* across = scrollArea_->horizontalScrollBar();
    QScrollBar* down = scrollArea_->verticalScrollBar();
    const QPointF picturePoint = (anchor - QPointF(Image1->pos())) / zoom();
    setZoom(scale);
    const QPointF scrolled = picturePoint * zoom() - anchor;
    across->setValue(qRound(scrolled.x()));
    down->setValue(qRound(scrolled.y()));
}

void TMDIChild::zoomToActualSize() {
    setZoom(1.0);
}

void TMDIChild::zoomToScreenPixels() {
    setZoom(1.0 / devicePixelRatioF());
}

bool TMDIChild::runZoomKey(const QKeyEvent& key) {
    const std::optional<ZoomCommand> command = zoomCommandFor(key);
    if (!command) return false;
    switch (*command) {
        case ZoomCommand::In: zoomIn(); break;
        case ZoomCommand::Out: zoomOut(); break;
        case ZoomCommand::Fit: zoomToFit(); break;
        case ZoomCommand::ActualSize: zoomToActualSize(); break;
        case ZoomCommand::ScreenPixels: zoomToScreenPixels(); break;
    }
    return true;
}

// The zoom keys belong to the document that has the focus, ahead of any menu shortcut.
bool TMDIChild::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && zoomCommandFor(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QMdiSubWindow::event(event);
}

void TMDIChild::keyPressEvent(QKeyEvent* event) {
    if (runZoomKey(*event))
        event->accept();
    else
        QMdiSubWindow::keyPressEvent(event);
}

// Ctrl+wheel zooms wherever the pointer is over the picture's area; the plain wheel scrolls.
bool TMDIChild::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scrollArea_->viewport() && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int steps = wheel->angleDelta().y();
            if (steps != 0) zoomAround(steps > 0 ? nextZoomStep(zoom()) : previousZoomStep(zoom()), wheel->position());
            return true;
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

const QImage& TMDIChild::requirePicture() const {
    if (bitmap().isNull() || bitmap().size().isEmpty())
        throw Error("The document \"" + fileName() + "\" holds no picture.");
    return bitmap();
}

ImagePlanes& TMDIChild::ensurePlanes() {
    if (!Planes) Planes = planesFromBitmap(requirePicture());
    return *Planes;
}

void TMDIChild::refreshFromPlanes() {
    if (!Planes) return;
    holdsFilePixels_ = false;
    PlanesToBitmap(Image1->picture(), *Planes);
    Image1->update();
}

DocumentView TMDIChild::view() const {
    DocumentView view{fileName(), &Image1->picture(), Planes ? &*Planes : nullptr};
    if (holdsFilePixels_) {
        view.filePicture = &Image1->picture();
        // The planes hold these very bytes, which the codecs read faster than 144 MB of floats.
        view.planes = nullptr;
    }
    return view;
}

void TMDIChild::closeEvent(QCloseEvent* event) {
    FormClose();
    QMdiSubWindow::closeEvent(event);
}

// Closing frees the window (WA_DeleteOnClose) rather than minimising it; the planes go first.
void TMDIChild::FormClose() {
    Planes.reset();
}

}  // namespace brenlow
