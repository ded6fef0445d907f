#pragma once

#include <QSize>
#include <QString>

class QMenu;
class QStatusBar;

namespace brenlow {

// "Zoom 100%" on a screen of one device pixel per pixel; on a scaled screen (`devicePixelRatio`
// other than 1) it says what the zoom is in the screen's own pixels as well: "Zoom 50%, 1:1 screen
// pixels" or "Zoom 100%, 200% in screen pixels".
QString zoomText(double zoom, double devicePixelRatio);

// "4000 x 3000 pixels"; empty for an empty picture.
QString pictureSizeText(QSize size);

// A hint that a menu's entries put in the status bar goes when the menu closes; any other message,
// such as a command's, stays.
void clearHintsWhenClosed(QMenu& menu, QStatusBar& bar);

}  // namespace brenlow
