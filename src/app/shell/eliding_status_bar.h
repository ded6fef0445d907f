#pragma once

#include <QStatusBar>

namespace brenlow {

// A status bar whose message, where the widgets kept on its right (a data set run's progress, the
// picture's size, the zoom) leave it too little room, ends in "…" instead of being cut off in the
// middle of a figure; hovering it shows the whole. currentMessage() stays the whole text.
class ElidingStatusBar : public QStatusBar {
    Q_OBJECT

public:
    using QStatusBar::QStatusBar;

    // The message as drawn now: whole, or cut short and ending in "…".
    QString shownMessage() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Where the message is drawn: from the left edge to the first widget kept beside it.
    QRect messageRect() const;
};

}  // namespace brenlow
