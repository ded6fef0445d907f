#pragma once

#include <QSize>

class QWidget;

namespace brenlow {

// Gives a top-level window its preferred size, or less where the screen it opens on has less
// room, leaving enough for the window manager's caption and borders.
void resizeWithinScreen(QWidget& window, QSize preferred);

}  // namespace brenlow
