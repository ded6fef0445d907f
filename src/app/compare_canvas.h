#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>
#include <optional>

namespace brenlow {

// Two pictures of one size drawn under one zoom and one pan: side by side, split at a movable
// divider (source left, decoded right), or as their amplified difference. Pixels are drawn
// nearest-neighbour from 1:1 up. Dragging pans, the wheel zooms about the pointer.
class CompareCanvas : public QWidget {
    Q_OBJECT

public:
    enum class Mode { SideBySide, Split, Difference };

    CompareCanvas(QImage source, QImage decoded, QWidget* parent = nullptr);

    Mode mode() const { return mode_; }
    void setMode(Mode mode);
    // Where the decoded picture begins in Split mode, as a fraction of the width.
    void setSplit(double fraction);
    // The difference image is |decoded - source| x gain.
    void setGain(int gain);
    const QImage& difference() const { return difference_; }

    double zoom() const { return zoom_; }
    // Zooms keeping the picture point under `anchor` (a widget position) in place.
    void setZoom(double zoom, QPointF anchor);
    void zoomBy(double factor);
    void fitToView();
    // The picture coordinate shown at each pane's top-left corner; shared by all panes.
    QPointF origin() const { return origin_; }

    // The picture pixel under a widget position, in whichever pane it lies.
    std::optional<QPoint> pixelAt(QPoint position) const;

signals:
    void hovered(QPoint pixel);
    void zoomChanged(double zoom);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QList<QRect> panes() const;
    void drawPicture(QPainter& painter, const QRect& pane, const QRect& clip, const QImage& picture) const;

    QImage source_;
    QImage decoded_;
    QImage difference_;
    Mode mode_ = Mode::SideBySide;
    double split_ = 0.5;
    double zoom_ = 1.0;
    QPointF origin_;
    std::optional<QPoint> dragFrom_;
};

}  // namespace brenlow
