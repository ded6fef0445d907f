#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <Qt>

class QMdiArea;
class QMdiSubWindow;

namespace brenlow {

// The Window menu's arrangements that the work area does not offer itself. Minimised windows
// keep their place in the tiling functions.

// Puts a new window one caption's height below and right of the window opened before it, wholly
// inside the area: back at the top left when the step down would leave the area, back at the left
// edge when only the step right would.
void placeNewWindow(QMdiArea& area, QMdiSubWindow& window);

// Steps the open windows down from the top left, one caption's height apart. A window keeps its
// size, but grows to its sizeHint() where there is room; windows shrink, down to their smallest
// size, so that the last step stays inside the area and every caption shows. Only windows too
// many for that wrap back as placeNewWindow does.
void cascade(QMdiArea& area);

// Tiling gives every window a tile of its own, readable where the area has the room (240 x 180,
// or more where a window needs it). The windows, in the order they were opened, become strips one
// above the other, each as wide as the area, while that many strips fit; then columns of such
// strips. With more windows than readable tiles, the tiles shrink, in the grid that keeps the most
// of the readable size, down to the windows' smallest size (a caption and its buttons); below that
// the windows are cascaded instead.
void tileHorizontally(QMdiArea& area);

// As tileHorizontally, turned: strips side by side, each as high as the area, then rows of them.
void tileVertically(QMdiArea& area);

// The tiles for `count` windows in the order they are given to them (see tileHorizontally): strips
// stacked along `along` (Qt::Vertical: one above the other), one window each; empty where tiles of
// `smallest` do not fit and the windows must be cascaded instead.
QList<QRect> tileLayout(int count, const QRect& whole, QSize readable, QSize smallest, Qt::Orientation along);

// Moves every open window back inside the area, and shrinks the ones larger than it, so that no
// window lies partly out of sight after the area became smaller (a panel beside it grew).
void keepInside(QMdiArea& area);

void minimizeAll(QMdiArea& area);

// Lines the minimised windows up along the bottom edge, left to right.
void arrangeMinimized(QMdiArea& area);

}  // namespace brenlow
