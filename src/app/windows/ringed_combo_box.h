#pragma once

#include <QComboBox>

namespace brenlow {

// A choice box that shows it has the keyboard's focus with a ring in the palette's highlight
// colour, whatever the style draws: some styles show no focus at all on a box that is not editable.
class RingedComboBox : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace brenlow
