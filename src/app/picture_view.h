#pragma once

#include <QImage>
#include <QWidget>

namespace brenlow {

// The image control of a document window: shows its bitmap at the top-left corner, unscaled.
// It never sizes itself; the document window applies its sizing rule.
class PictureView : public QWidget {
    Q_OBJECT

public:
    explicit PictureView(QWidget* parent = nullptr);

    const QImage& picture() const { return picture_; }
    QImage& picture() { return picture_; }
    void setPicture(QImage picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

}  // namespace brenlow
