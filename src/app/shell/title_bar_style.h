#pragma once

#include <QProxyStyle>

namespace brenlow {

// The style of a document window's title bar: it shows the file's name and what made the picture
// first and its folder last, shortened in the middle (titleLeadingWithName), where the title
// itself, which the window list and the commands read, starts with the whole path.
class TitleBarStyle : public QProxyStyle {
    Q_OBJECT

public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override;
};

}  // namespace brenlow
