#include "app/window_arrangement.h"

#include <QList>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRect>

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

void tile(QMdiArea& area, Qt::Orientation along) {
    const QList<QMdiSubWindow*> windows = openWindows(area);
    const QRect whole = area.viewport()->rect();
    for (int i = 0; i < windows.size(); ++i) {
        windows[i]->showNormal();
        windows[i]->setGeometry(strip(whole, i, static_cast<int>(windows.size()), along));
    }
}

}  // namespace

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
