#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>
#include <optional>

class QLabel;

namespace brenlow {

// Two pictures of one size drawn under one zoom and one pan: side by side, split at a movable
// divider (source left, decoded right), as their amplified difference, one at a time (Space
// flips to the other in place), or as a heat map given from outside. Pixels are drawn
// nearest-neighbour from 1:1 up. Dragging pans, the wheel zooms about the pointer. Captions over
// the panes say which picture is which: "Source" and "Result" unless given other roles.
class CompareCanvas : public QWidget {
    Q_OBJECT

public:
    enum class Mode { SideBySide, Split, Difference, Flip, HeatMap };

    CompareCanvas(QImage source, QImage decoded, QWidget* parent = nullptr);

    // The names the captions give the two pictures.
    void setNames(const QString& sourceName, const QString& resultName);
    // What the captions call the two pictures, "Source" and "Result" at first.
    void setRoles(const QString& sourceRole, const QString& resultRole);

    Mode mode() const { return mode_; }
    // Each mode has its own pane size, so choosing one fits the picture afresh.
    void setMode(Mode mode);
    // Where the decoded picture begins in Split mode, as a fraction of the picture's width.
    void setSplit(double fraction);
    // The widget column of the divider in Split mode.
    int dividerX() const;
    // The difference image is |decoded - source| x gain.
    void setGain(int gain);
    const QImage& difference() const { return difference_; }

    // Flip mode shows the result instead of the source, or back, keeping zoom and pan.
    void flip();
    bool showsResult() const { return showsResult_; }

    // The picture HeatMap mode shows, of the pictures' size; until it is given the mode says it
    // is being computed.
    void setHeatMap(QImage map);
    const QImage& heatMap() const { return heatMap_; }

    double zoom() const { return zoom_; }
    // Zooms keeping the picture point under `anchor` (a widget position) in place.
    void setZoom(double zoom, QPointF anchor);
    void zoomBy(double factor);
    // The whole picture as large as the pane allows, centred in it; kept so when the canvas is
    // resized, until the user zooms or pans.
    void fitToView();
    bool fitted() const { return fitted_; }
    // The picture coordinate shown at each pane's top-left corner; shared by all panes.
    QPointF origin() const { return origin_; }

    // The picture pixel under a widget position, in whichever pane it lies.
    std::optional<QPoint> pixelAt(QPoint position) const;

signals:
    void hovered(QPoint pixel);
    void zoomChanged(double zoom);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QList<QRect> panes() const;
    void drawPicture(QPainter& painter, const QRect& pane, const QRect& clip, const QImage& picture) const;
    // Repaints and moves the captions to the panes they name.
    void refresh();
    void placeCaptions();
    void updateDifferenceCaption();
    void updateFlipCaption();
    void updateHeatMapCaption();
    // The one picture a single-pane mode other than Split shows.
    const QImage& singlePicture() const;

    QImage source_;
    QImage decoded_;
    QImage difference_;
    QImage heatMap_;
    bool showsResult_ = false;
    Mode mode_ = Mode::SideBySide;
    double split_ = 0.5;
    int gain_ = 0;
    double zoom_ = 1.0;
    bool fitted_ = false;
    QPointF origin_;
    std::optional<QPoint> dragFrom_;
    QString sourceName_;
    QString resultName_;
    QString sourceRole_ = QStringLiteral("Source");
    QString resultRole_ = QStringLiteral("Result");
    QLabel* sourceCaption_ = nullptr;
    QLabel* resultCaption_ = nullptr;
    QLabel* differenceCaption_ = nullptr;
    QLabel* flipCaption_ = nullptr;
    QLabel* heatMapCaption_ = nullptr;
};

}  // namespace brenlow
