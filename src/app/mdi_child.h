#pragma once

#include <QImage>
#include <QMdiSubWindow>
#include <optional>
#include <string>

#include "app/picture_view.h"
#include "codecs/document.h"
#include "imaging/image_planes.h"

class QScrollArea;

namespace brenlow {

// A document window: its caption names the document's file, Image1 shows its bitmap and Planes
// holds the same picture as floats (absent for JPEG-experiment windows and failed loads).
// Deletes itself when closed.
class TMDIChild : public QMdiSubWindow {
    Q_OBJECT

public:
    explicit TMDIChild(const QString& caption, QWidget* parent = nullptr);

    PictureView* Image1 = nullptr;
    std::optional<ImagePlanes> Planes;

    std::string fileName() const;
    const QImage& bitmap() const { return Image1->picture(); }

    // Shows a loaded picture (converted to 24 bits) and sizes the window to it.
    void showPicture(QImage bitmap, std::optional<ImagePlanes> planes);

    // The window's client area becomes exactly the picture, or the room the work area offers;
    // a larger picture scrolls.
    void applySizingRule();

    // The bitmap, for commands that read or write it. Throws Error when the window holds no
    // picture (its file could not be read), so that nothing empty is saved over a file.
    const QImage& requirePicture() const;

    // The planes a pixel command works on; taken from the bitmap when the window has none.
    // Throws Error when the window holds no picture.
    ImagePlanes& ensurePlanes();

    // Shows changed Planes: writes them into the bitmap and repaints.
    void refreshFromPlanes();

    DocumentView view() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormClose();
    void resizeClientArea(QSize client);

    QScrollArea* scrollArea_ = nullptr;
};

}  // namespace brenlow
