#pragma once

class QMdiArea;

namespace brenlow {

// The Window menu's arrangements that the work area does not offer itself. Minimised windows
// keep their place in the tiling functions.

// Stacks the open windows one above the other, each as wide as the area.
void tileHorizontally(QMdiArea& area);

// Places the open windows side by side, each as high as the area.
void tileVertically(QMdiArea& area);

void minimizeAll(QMdiArea& area);

// Lines the minimised windows up along the bottom edge, left to right.
void arrangeMinimized(QMdiArea& area);

}  // namespace brenlow
