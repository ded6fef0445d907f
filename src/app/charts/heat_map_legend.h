#pragma once

#include <QWidget>

namespace brenlow {

// The colour ramp of the Butteraugli heat map with its distances marked: 0 dark blue, 1 green,
// 2 yellow, 3 and above red, linear between.
class HeatMapLegend : public QWidget {
    Q_OBJECT

public:
    explicit HeatMapLegend(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The ramp's left and right ends inside the widget.
    int rampLeft() const;
    int rampRight() const;
};

}  // namespace brenlow
