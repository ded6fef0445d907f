#pragma once

#include <QImage>
#include <QMdiSubWindow>
#include <optional>
#include <string>

#include "app/windows/picture_view.h"
#include "codecs/document.h"
#include "imaging/image_planes.h"

class QKeyEvent;
class QScrollArea;

namespace brenlow {

// A document window: its caption names the document's file, Image1 shows its bitmap and Planes
// holds the same picture as floats (absent for JPEG-experiment windows). Deletes itself when
// closed. Ctrl+wheel (about the point under the pointer), Ctrl++, Ctrl+-, Ctrl+0 (fit), Ctrl+1 (1:1)
// and Ctrl+2 (1:1 in screen pixels) zoom the view, not the bitmap.
class TMDIChild : public QMdiSubWindow {
    Q_OBJECT

public:
    explicit TMDIChild(const QString& caption, QWidget* parent = nullptr);

    PictureView* Image1 = nullptr;
    std::optional<ImagePlanes> Planes;

    // The document's file, from which the commands name what they write; the title shown may
    // say more (what made a result) but never changes this.
    const QString& caption() const { return caption_; }
    std::string fileName() const;
    // Shows "caption - description" as the title; an empty description shows the caption alone.
    void setDescription(const QString& description);
    const QString& description() const { return description_; }
    // Says in the title that the file the caption names now holds another window's result, `result`
    // as its description reads ("JPEG q30"); an empty `result` takes the mark off.
    void markFileReplaced(const QString& result);
    const QString& replacedBy() const { return replacedBy_; }
    const QImage& bitmap() const { return Image1->picture(); }

    // Shows a loaded picture (converted to 24 bits) and sizes the window to it.
    void showPicture(QImage bitmap, std::optional<ImagePlanes> planes);

    // The window's client area becomes exactly the picture, or the room the work area offers;
    // a larger picture scrolls. The window is never smaller than minimumWindowSize().
    void applySizingRule();

    // Room for the caption and its buttons, whatever the picture's size.
    QSize minimumWindowSize() const;
    // The window around the whole picture at the current zoom, at least minimumWindowSize().
    QSize sizeHint() const override;

    double zoom() const { return Image1->scale(); }
    void setZoom(double scale);
    void zoomIn();
    void zoomOut();
    // The whole picture in the room the window offers.
    void zoomToFit();
    void zoomToActualSize();
    // One screen pixel per picture pixel on a scaled screen, where 1:1 draws each as several.
    void zoomToScreenPixels();
    // Fits the picture when the window shows only part of it at the current zoom; true when it did.
    bool fitWhenLarger();
    // Shows the picture at `other`'s zoom, scrolled to the same place: a result opens where its
    // source was looked at.
    void followView(const TMDIChild& other);
    QPoint scrollPosition() const;

    // The bitmap, for commands that read or write it. Throws Error when the window holds no
    // picture, so that nothing empty is ever saved over a file.
    const QImage& requirePicture() const;

    // The planes a pixel command works on; taken from the bitmap when the window has none.
    // Throws Error when the window holds no picture.
    ImagePlanes& ensurePlanes();

    // Shows changed Planes: writes them into the bitmap and repaints.
    void refreshFromPlanes();

    // Marks the bitmap as the pixels of the file the caption names, exactly as read, so that the
    // commands take their source from it instead of reading the file again. Showing another
    // picture or changing this one clears the mark.
    void holdFilePixels() { holdsFilePixels_ = true; }

    DocumentView view() const;

signals:
    void zoomChanged(double scale);
    // The window shows another picture, perhaps of another size.
    void pictureChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormClose();
    void resizeClientArea(QSize client);
    void zoomAround(double scale, QPointF anchor);
    // Runs the zoom command a key asks for; false when the key is not a zoom key.
    bool runZoomKey(const QKeyEvent& key);

    QScrollArea* scrollArea_ = nullptr;
    QString caption_;
    QString description_;
    QString replacedBy_;
    bool holdsFilePixels_ = false;
};

}  // namespace brenlow
