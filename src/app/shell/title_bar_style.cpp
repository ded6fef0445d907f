#include "app/shell/title_bar_style.h"

#include <QStyleOptionTitleBar>

#include "app/shell/mdi_child.h"
#include "app/shell/result_titles.h"

namespace brenlow {

void TitleBarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                       const QWidget* widget) const {
    const auto* document = qobject_cast<const TMDIChild*>(widget);
    const auto* titleBar = qstyleoption_cast<const QStyleOptionTitleBar*>(option);
    if (control != CC_TitleBar || !document || !titleBar) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    QStyleOptionTitleBar shown = *titleBar;
    const int width = subControlRect(CC_TitleBar, titleBar, SC_TitleBarLabel, widget).width();
    shown.text = titleLeadingWithName(document->caption(), document->windowTitle(), titleBar->fontMetrics, width);
    QProxyStyle::drawComplexControl(control, &shown, painter, widget);
}

}  // namespace brenlow
