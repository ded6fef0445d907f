#pragma once

#include <QImage>
#include <QWidget>

namespace brenlow {

// The image control of a document window: shows its bitmap at the top-left corner at the view's
// scale, and is always exactly as large as the scaled picture. The scale changes only what is
// shown, never the bitmap.
class PictureView : public QWidget {
    Q_OBJECT

public:
    explicit PictureView(QWidget* parent = nullptr);

    const QImage& picture() const { return picture_; }
    QImage& picture() { return picture_; }
    void setPicture(QImage picture);

    double scale() const { return scale_; }
    void setScale(double scale);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fitToScaledPicture();

    QImage picture_;
    double scale_ = 1.0;
};

}  // namespace brenlow
