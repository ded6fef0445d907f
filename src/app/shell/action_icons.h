#pragma once

#include <QIcon>

namespace brenlow {

enum class ActionIcon { New, Open, Save, Cut, Copy, Paste, Cascade, TileHorizontally, TileVertically };

// The desktop theme's icon for the action where the theme has one, otherwise the style's
// standard icon or a plain drawn glyph, so that every platform shows a complete set.
QIcon actionIcon(ActionIcon icon);

// The program's own icon: a framed landscape, drawn so that no file has to ship with it.
QIcon programIcon();

}  // namespace brenlow
