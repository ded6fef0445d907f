#include "app/mdi_child.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QScrollArea>

#include "imaging/bitmap_bridge.h"
#include "io/error.h"

namespace brenlow {

namespace {

// The client area of a window that holds no picture yet.
constexpr QSize kEmptyClientArea(135, 18);

}  // namespace

TMDIChild::TMDIChild(const QString& caption, QWidget* parent) : QMdiSubWindow(parent) {
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
    setWidget(scrollArea_);
}

std::string TMDIChild::fileName() const {
    return windowTitle().toStdString();
}

void TMDIChild::showPicture(QImage bitmap, std::optional<ImagePlanes> planes) {
    if (bitmap.format() != QImage::Format_BGR888) bitmap = bitmap.convertToFormat(QImage::Format_BGR888);
    Image1->setPicture(std::move(bitmap));
    Planes = std::move(planes);
    applySizingRule();
}

void TMDIChild::applySizingRule() {
    const QSize pictureSize = Image1->picture().size();
    Image1->setFixedSize(pictureSize);
    resizeClientArea(pictureSize.isEmpty() ? kEmptyClientArea : pictureSize);
}

void TMDIChild::resizeClientArea(QSize client) {
    const QMargins frame = contentsMargins();
    QSize outer = client.grownBy(frame);
    if (const QMdiArea* area = mdiArea()) outer = outer.boundedTo(area->viewport()->size());
    resize(outer);
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
    PlanesToBitmap(Image1->picture(), *Planes);
    Image1->update();
}

DocumentView TMDIChild::view() const {
    return DocumentView{fileName(), &Image1->picture(), Planes ? &*Planes : nullptr};
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
