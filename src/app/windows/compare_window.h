#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

#include "brenlow/measures.h"

class QComboBox;
class QLabel;

namespace brenlow {

class CompareCanvas;
class HeatMapLegend;

// What the view calls its two pictures: over the panes, and in the pixel readout.
struct CompareRoles {
    QString first;
    QString second;
    QString firstReading;
    QString secondReading;

    // A decoded picture against its source.
    static CompareRoles sourceAndResult();
    // Any two windows the user picked.
    static CompareRoles twoWindows();
};

// The Compare view of two pictures over their common area, the first (a source, or A) the
// reference: the canvas with its mode, split, gain and zoom controls, a readout of both pixels
// under the pointer and the measures of the second against the first. The Butteraugli heat map
// is computed on a thread of its own the first time its mode is chosen. A window of its own;
// deletes itself when closed.
class CompareWindow : public QWidget {
    Q_OBJECT

public:
    // Each picture comes with the caption of the window or file it was taken from.
    CompareWindow(const QString& sourceCaption, const QImage& source, const QString& caption, const QImage& decoded,
                  QWidget* parent = nullptr, const CompareRoles& roles = CompareRoles::sourceAndResult());

    CompareCanvas* canvas() const { return canvas_; }
    QString readout() const;
    HeatMapLegend* legend() const { return legend_; }

    // Shows the measures of the second picture against the first.
    void showMeasures(const PictureMeasures& measures);
    QString measuresText() const;

    // Why the heat map cannot be shown for these pictures; empty when it can.
    QString heatMapUnavailable() const;

    // Shows the values of both pictures at a pixel of the common area, and over the heat map the
    // Butteraugli distance there.
    void showPixel(QPoint pixel);

private:
    QWidget* makeControls();
    QComboBox* makeModeBox();
    void chooseMode(int index);
    void startHeatMap();
    void finishHeatMap(const QImage& map, const QString& failure);

    QImage source_;
    QImage decoded_;
    ButteraugliMap distances_;  // of the heat map, once computed
    CompareRoles roles_;
    int sourceTop_ = 0;  // rows of the source above the common area
    bool heatMapStarted_ = false;
    CompareCanvas* canvas_ = nullptr;
    QLabel* readout_ = nullptr;
    QLabel* zoomText_ = nullptr;
    QLabel* measures_ = nullptr;
    HeatMapLegend* legend_ = nullptr;
    QComboBox* mode_ = nullptr;
    QWidget* split_ = nullptr;
    QWidget* gain_ = nullptr;
};

}  // namespace brenlow
