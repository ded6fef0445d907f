#include "app/shell/window_arrangement.h"

#include <QList>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRect>
#include <QStyle>
#include <algorithm>
#include <utility>

namespace brenlow {

namespace {

// Below this a tiled window shows too little of its picture to be of use.
constexpr QSize kReadableTile(240, 180);

QList<QMdiSubWindow*> openWindows(const QMdiArea& area) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : area.subWindowList(QMdiArea::CreationOrder))
        if (!window->isMinimized() && !window->isHidden()) windows.append(window);
    return windows;
}

// Splits `length` pixels into `count` parts whose sizes differ by at most one; part `index` as
// its start and end.
std::pair<int, int> share(int length, int index, int count) {
    return {length * index / count, length * (index + 1) / count};
}

QRect transposed(const QRect& rect) {
    return QRect(rect.top(), rect.left(), rect.height(), rect.width());
}

// `count` parts that differ by at most one, the larger first.
int partSize(int count, int parts, int index) {
    return count / parts + (index < count % parts ? 1 : 0);
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

// Tile `index` of a grid of `count` tiles in `lines` full lines of `whole`: columns filled top to
// bottom for strips one above the other, rows filled left to right for strips side by side.
QRect gridTile(const QRect& whole, int index, int count, int lines, Qt::Orientation along) {
    if (along == Qt::Horizontal) return transposed(gridTile(transposed(whole), index, count, lines, Qt::Vertical));
    int line = 0;
    int first = 0;
    while (index >= first + partSize(count, lines, line)) first += partSize(count, lines, line++);
    const auto [left, right] = share(whole.width(), line, lines);
    const auto [top, bottom] = share(whole.height(), index - first, partSize(count, lines, line));
    return QRect(whole.left() + left, whole.top() + top, right - left, bottom - top);
}

void tile(QMdiArea& area, Qt::Orientation along) {
    const QList<QMdiSubWindow*> windows = openWindows(area);
    if (windows.isEmpty()) return;
    const QRect whole = area.viewport()->rect();
    QSize readable = kReadableTile;
    for (const QMdiSubWindow* window : windows) readable = readable.expandedTo(window->minimumSizeHint());

    QSize smallest;
    for (const QMdiSubWindow* window : windows) smallest = smallest.expandedTo(window->minimumSizeHint());
    const QList<QRect> tiles =
        tileLayout(static_cast<int>(windows.size()), whole, readable.boundedTo(whole.size()), smallest, along);
    if (tiles.isEmpty()) {
        cascade(area);
        return;
    }
    for (qsizetype i = 0; i < windows.size(); ++i) {
        windows[i]->showNormal();
        windows[i]->setGeometry(tiles[i]);
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
    if (windows.isEmpty()) return;
    // Every window leaves room below it for the steps of those after it, so that the cascade never
    // wraps back over a caption, as long as the smallest windows allow it. Across, a wide window
    // goes back to the left edge and still steps down.
    const int steps = static_cast<int>(windows.size() - 1) * cascadeStep(*windows.first());
    const QSize room(whole.width(), whole.height() - steps);
    QPoint previous;
    bool first = true;
    for (QMdiSubWindow* window : windows) {
        window->showNormal();
        window->raise();
        const QSize largest = room.expandedTo(window->minimumSizeHint()).boundedTo(whole.size());
        const QSize readable = window->sizeHint().boundedTo(largest);
        window->resize(window->size().expandedTo(readable).boundedTo(largest));
        previous = first ? whole.topLeft() : cascadePosition(whole, previous, cascadeStep(*window), window->size());
        first = false;
        window->move(previous);
    }
}

QList<QRect> tileLayout(int count, const QRect& whole, QSize readable, QSize smallest, Qt::Orientation along) {
    const int rowsThatFit = std::max(1, whole.height() / readable.height());
    const int columnsThatFit = std::max(1, whole.width() / readable.width());
    const int perLineThatFits = along == Qt::Vertical ? rowsThatFit : columnsThatFit;
    int lines = 0;
    if (count <= rowsThatFit * columnsThatFit) {
        lines = (count + perLineThatFits - 1) / perLineThatFits;
    } else {
        // Smaller tiles, one window each: the grid whose tiles keep the most of the readable size.
        double best = 0.0;
        for (int candidate = 1; candidate <= count; ++candidate) {
            const int perLine = (count + candidate - 1) / candidate;
            const QSize tile = along == Qt::Vertical ? QSize(whole.width() / candidate, whole.height() / perLine)
                                                     : QSize(whole.width() / perLine, whole.height() / candidate);
            if (tile.width() < smallest.width() || tile.height() < smallest.height()) continue;
            const double kept = std::min(static_cast<double>(tile.width()) / readable.width(),
                                         static_cast<double>(tile.height()) / readable.height());
            if (kept > best) {
                best = kept;
                lines = candidate;
            }
        }
    }
    QList<QRect> tiles;
    if (lines == 0) return tiles;
    for (int i = 0; i < count; ++i) tiles.append(gridTile(whole, i, count, lines, along));
    return tiles;
}

void tileHorizontally(QMdiArea& area) {
    tile(area, Qt::Vertical);
}

void tileVertically(QMdiArea& area) {
    tile(area, Qt::Horizontal);
}

void keepInside(QMdiArea& area) {
    const QRect whole = area.viewport()->rect();
    if (whole.isEmpty()) return;
    for (QMdiSubWindow* window : openWindows(area)) {
        if (window->isMaximized()) continue;
        const QSize size = window->size().boundedTo(whole.size()).expandedTo(window->minimumSize());
        const int left = std::max(whole.left(), std::min(window->x(), whole.right() + 1 - size.width()));
        const int top = std::max(whole.top(), std::min(window->y(), whole.bottom() + 1 - size.height()));
        const QRect inside(QPoint(left, top), size);
        if (inside != window->geometry()) window->setGeometry(inside);
    }
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
