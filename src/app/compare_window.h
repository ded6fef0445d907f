#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

class QLabel;

namespace brenlow {

class CompareCanvas;

// The Compare view of a decoded picture and its source over their common area: the canvas with
// its mode, split, gain and zoom controls, and a readout of both pixels under the pointer.
// A window of its own; deletes itself when closed.
class CompareWindow : public QWidget {
    Q_OBJECT

public:
    // Each picture comes with the caption of the window or file it was taken from.
    CompareWindow(const QString& sourceCaption, const QImage& source, const QString& caption, const QImage& decoded,
                  QWidget* parent = nullptr);

    CompareCanvas* canvas() const { return canvas_; }
    QString readout() const;

    // Shows the values of both pictures at a pixel of the common area.
    void showPixel(QPoint pixel);

private:
    QWidget* makeControls();

    QImage source_;
    QImage decoded_;
    int sourceTop_ = 0;  // rows of the source above the common area
    CompareCanvas* canvas_ = nullptr;
    QLabel* readout_ = nullptr;
    QLabel* zoomText_ = nullptr;
};

}  // namespace brenlow
