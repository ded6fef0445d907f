#include "app/shell/status_texts.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>
#include <cmath>

namespace brenlow {
namespace {

bool nearlyOne(double value) { return std::abs(value - 1.0) < 1e-3; }

// Whether `text` is the hint of one of the menu's entries, its submenus' included, or of the menu.
bool isHintOf(const QMenu& menu, const QString& text) {
    if (menu.menuAction()->statusTip() == text) return true;
    for (const QAction* action : menu.actions()) {
        if (action->statusTip() == text) return true;
        if (const QMenu* submenu = action->menu(); submenu && isHintOf(*submenu, text)) return true;
    }
    return false;
}

}  // namespace

QString zoomText(double zoom, double devicePixelRatio) {
    const QString shown = QStringLiteral("Zoom %1%").arg(qRound(zoom * 100));
    if (nearlyOne(devicePixelRatio)) return shown;
    const double onScreen = zoom * devicePixelRatio;
    if (nearlyOne(onScreen)) return shown + QStringLiteral(", 1:1 screen pixels");
    return shown + QStringLiteral(", %1% in screen pixels").arg(qRound(onScreen * 100));
}

QString pictureSizeText(QSize size) {
    if (size.isEmpty()) return {};
    return QStringLiteral("%1 x %2 pixels").arg(size.width()).arg(size.height());
}

void clearHintsWhenClosed(QMenu& menu, QStatusBar& bar) {
    QObject::connect(&menu, &QMenu::aboutToHide, &bar, [&menu, &bar] {
        const QString message = bar.currentMessage();
        if (!message.isEmpty() && isHintOf(menu, message)) bar.clearMessage();
    });
}

}  // namespace brenlow
