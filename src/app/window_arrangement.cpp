#include "app/window_arrangement.h"

#include <QList>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRect>
#include <QStyle>

namespace brenlow {

namespace {

QList<QMdiSubWindow*> openWindows(const QMdiArea& area) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : area.subWindowList(QMdiArea::CreationOrder))
        if (!window->isMinimized() && !window->isHidden()) windows.append(window);
    return windows;
}

// Splits `length` pixels into `count` strips whose sizes differ by at most one.
QRect strip(const QRect& whole, int index, int count, Qt::Orientation along) {
    const int length = along == Qt::Vertical ? whole.height() : whole.width();
    const int start = length * index / count;
    const int end = length * (index + 1) / count;
    if (along == Qt::Vertical) return QRect(whole.left(), whole.top() + start, whole.width(), end - start);
    return QRect(whole.left() + start, whole.top(), end - start, whole.height());
}

int cascadeStep(const QMdiSubWindow& window) {
    return window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
}

// Where a window of `size` goes after a window at `previous`: one step on; back to the top left
// when the step down would leave `whole`, or only back to the left edge when just the step right
// would, so that windows as wide as the area still step down.
QPoint cascadePosition(const QRect& whole, QPoint previous, int step, QSize size) {
    QPoint next = previous + QPoint(step, step);
    if (next.y() < whole.top() || next.y() + size.height() > whole.bottom() + 1) return whole.topLeft();
    if (next.x() < whole.left() || next.x() + size.width() > whole.right() + 1) next.setX(whole.left());
    return next;
}

void tile(QMdiArea& area, Qt::Orientation along) {
    const QList<QMdiSubWindow*> windows = openWindows(area);
    const QRect whole = area.viewport()->rect();
    for (int i = 0; i < windows.size(); ++i) {
        windows[i]->showNormal();
        windows[i]->setGeometry(strip(whole, i, static_cast<int>(windows.size()), along));
    }
}

}  // namespace

void placeNewWindow(QMdiArea& area, QMdiSubWindow& window) {
    if (window.isMaximized() || window.isMinimized()) return;
    const QRect whole = area.viewport()->rect();
    const QList<QMdiSubWindow*> windows = openWindows(area);
    const qsizetype index = windows.indexOf(&window);
    if (index <= 0) {
        window.move(whole.topLeft());
        return;
    }
    const QPoint previous = windows[index - 1]->pos();
    const int step = cascadeStep(window);
    // A window nearly as large as the area would wrap back onto the first one and hide it: it
    // steps on instead, shrunk to the room left (it scrolls), while that room is at least half the area.
    const QPoint next = previous + QPoint(step, step);
    const QSize room(whole.right() + 1 - next.x(), whole.bottom() + 1 - next.y());
    const QSize enough = window.size().boundedTo(whole.size() / 2).expandedTo(window.minimumSize());
    if (room.width() >= enough.width() && room.height() >= enough.height()) {
        window.setGeometry(QRect(next, window.size().boundedTo(room)));
        return;
    }
    window.move(cascadePosition(whole, previous, step, window.size()));
}

void cascade(QMdiArea& area) {
    const QRect whole = area.viewport()->rect();
    // Each window is raised above the one before, so every caption shows; the active window ends
    // on top, last in the cascade.
    QList<QMdiSubWindow*> windows = openWindows(area);
    if (QMdiSubWindow* active = area.activeSubWindow(); windows.removeOne(active)) windows.append(active);
    QPoint previous;
    bool first = true;
    for (QMdiSubWindow* window : windows) {
        window->showNormal();
        window->raise();
        const QSize readable = window->sizeHint().boundedTo(whole.size());
        window->resize(window->size().expandedTo(readable).boundedTo(whole.size()));
        previous = first ? whole.topLeft() : cascadePosition(whole, previous, cascadeStep(*window), window->size());
        first = false;
        window->move(previous);
    }
}

void tileHorizontally(QMdiArea& area) {
    tile(area, Qt::Vertical);
}

void tileVertically(QMdiArea& area) {
    tile(area, Qt::Horizontal);
}

void minimizeAll(QMdiArea& area) {
    for (QMdiSubWindow* window : area.subWindowList()) window->showMinimized();
}

void arrangeMinimized(QMdiArea& area) {
    const QRect whole = area.viewport()->rect();
    int left = whole.left();
    int bottom = whole.bottom() + 1;
    for (QMdiSubWindow* window : area.subWindowList(QMdiArea::CreationOrder)) {
        if (!window->isMinimized()) continue;
        const QSize size = window->size();
        if (left > whole.left() && left + size.width() > whole.right() + 1) {
            left = whole.left();
            bottom -= size.height();
        }
        window->move(left, bottom - size.height());
        left += size.width();
    }
}

}  // namespace brenlow
