#pragma once

#include <QSize>

class QScrollArea;
class QWidget;

namespace brenlow {

// Gives a top-level window its preferred size, or less where the screen it opens on has less
// room, leaving enough for the window manager's caption and borders.
void resizeWithinScreen(QWidget& window, QSize preferred);

// `content` in a frameless scroll area that gives it all the room there is and scrolls only where a
// small or scaled screen leaves less than its least size: a window holding it fits any screen.
QScrollArea* scrolledWhenCramped(QWidget* content);

}  // namespace brenlow
