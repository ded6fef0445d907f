#include "app/shell/eliding_status_bar.h"

#include <QHelpEvent>
#include <QPainter>
#include <QSizeGrip>
#include <QStyleOption>
#include <QToolTip>
#include <algorithm>

#include "app/shell/plain_text.h"

namespace brenlow {
namespace {

// The margins Qt's own status bar leaves around its message.
constexpr int kLeftMargin = 6;
constexpr int kRightMargin = 12;
constexpr int kGapBeforeWidget = 2;

// The widgets the bar shows; while a message is shown, only those kept beside it.
QList<QWidget*> shownItems(const QStatusBar& bar) {
    QList<QWidget*> shown;
    for (QWidget* child : bar.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->isVisible() && !qobject_cast<QSizeGrip*>(child)) shown << child;
    return shown;
}

}  // namespace

QRect ElidingStatusBar::messageRect() const {
    int left = kLeftMargin;
    int right = width() - kRightMargin;
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    for (const QWidget* item : shownItems(*this)) {
        if (rightToLeft) left = std::max(left, item->geometry().right() + 1 + kGapBeforeWidget);
        else right = std::min(right, item->x() - kGapBeforeWidget);
    }
    return QRect(left, 0, std::max(right - left, 0), height());
}

QString ElidingStatusBar::shownMessage() const {
    return fontMetrics().elidedText(currentMessage(), Qt::ElideRight, messageRect().width());
}

void ElidingStatusBar::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    QStyleOption panel;
    panel.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &panel, &painter, this);
    for (QWidget* item : shownItems(*this)) {
        const QRect frame = item->geometry().adjusted(-2, -1, 2, 1);
        if (!event->rect().contains(frame)) continue;
        QStyleOption option(0);
        option.rect = frame;
        option.palette = palette();
        option.state = QStyle::State_None;
        style()->drawPrimitive(QStyle::PE_FrameStatusBarItem, &option, &painter, item);
    }
    if (currentMessage().isEmpty()) return;
    painter.setPen(palette().windowText().color());
    painter.drawText(messageRect(), Qt::AlignLeading | Qt::AlignVCenter | Qt::TextSingleLine, shownMessage());
}

bool ElidingStatusBar::event(QEvent* event) {
    if (event->type() == QEvent::LayoutRequest) {
        // A widget beside the message came or went: the message has another room.
        const bool handled = QStatusBar::event(event);
        update();
        return handled;
    }
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QRect where = messageRect();
        if (where.contains(help->pos()) && shownMessage() != currentMessage()) {
            QToolTip::showText(help->globalPos(), plainTip(currentMessage()), this, where);
            return true;
        }
    }
    return QStatusBar::event(event);
}

}  // namespace brenlow
