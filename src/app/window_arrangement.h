#pragma once

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

// Stacks the open windows one above the other, each as wide as the area.
void tileHorizontally(QMdiArea& area);

// Places the open windows side by side, each as high as the area.
void tileVertically(QMdiArea& area);

void minimizeAll(QMdiArea& area);

// Lines the minimised windows up along the bottom edge, left to right.
void arrangeMinimized(QMdiArea& area);

}  // namespace brenlow
