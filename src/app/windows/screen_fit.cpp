#include "app/windows/screen_fit.h"

#include <QScreen>
#include <QScrollArea>
#include <QWidget>

namespace brenlow {

namespace {

// A caption and borders as window managers commonly draw them.
constexpr QSize kFrameAllowance(16, 48);

}  // namespace

void resizeWithinScreen(QWidget& window, QSize preferred) {
    const QSize room = window.screen()->availableGeometry().size() - kFrameAllowance;
    window.resize(preferred.boundedTo(room));
}

QScrollArea* scrolledWhenCramped(QWidget* content) {
    auto* scroller = new QScrollArea;
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(content);
    // Focusable when it scrolls, so a screen reader needs its name.
    scroller->setAccessibleName(QStringLiteral("Charts and tables"));
    return scroller;
}

}  // namespace brenlow
