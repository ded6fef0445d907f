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

// Steps the open windows down from the top left, one caption's height apart, wrapping as
// placeNewWindow does. A window keeps its size, but is never
// smaller than its sizeHint() or the area, whichever is smaller, and never larger than the area.
void cascade(QMdiArea& area);

// Tiling never leaves a window too small to read (240 x 180, or more where a window needs it).
// The windows, in the order they were opened, become strips one above the other, each as wide as
// the area, while that many strips fit; then columns of such strips. With more windows than
// readable tiles, neighbours in that order share a tile, each one caption's height below the one
// before and over it, so that every caption shows and the last one is seen whole; where even that
// leaves the front window too small, the windows are cascaded instead.
void tileHorizontally(QMdiArea& area);

// As tileHorizontally, turned: strips side by side, each as high as the area, then rows of them.
void tileVertically(QMdiArea& area);

// The tiles for `count` windows in the order they are given to them (see tileHorizontally): strips
// stacked along `along` (Qt::Vertical: one above the other); empty where they must be cascaded
// instead. `step` is a caption's height.
QList<QRect> tileLayout(int count, const QRect& whole, QSize readable, int step, Qt::Orientation along);

void minimizeAll(QMdiArea& area);

// Lines the minimised windows up along the bottom edge, left to right.
void arrangeMinimized(QMdiArea& area);

}  // namespace brenlow
