#include "app/shell/action_icons.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QStyle>
#include <functional>
#include <vector>

namespace brenlow {

namespace {

constexpr int kGlyphSize = 16;

QIcon drawnIcon(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(kGlyphSize, kGlyphSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(qApp->palette().color(QPalette::WindowText), 1));
    painter.setBrush(qApp->palette().color(QPalette::Base));
    draw(painter);
    return QIcon(pixmap);
}

// Outlined rectangles, as windows with a coloured title strip or as plain sheets.
QIcon rectanglesGlyph(const std::vector<QRect>& rectangles, bool titleStrips) {
    return drawnIcon([&](QPainter& painter) {
        for (const QRect& rectangle : rectangles) {
            painter.drawRect(rectangle);
            if (titleStrips)
                painter.fillRect(rectangle.left() + 1, rectangle.top() + 1, rectangle.width() - 1, 2,
                                 qApp->palette().color(QPalette::Highlight));
        }
    });
}

QIcon scissorsGlyph() {
    return drawnIcon([](QPainter& painter) {
        painter.drawLine(4, 1, 10, 10);
        painter.drawLine(11, 1, 5, 10);
        painter.drawEllipse(1, 10, 4, 4);
        painter.drawEllipse(10, 10, 4, 4);
    });
}

QIcon clipboardGlyph() {
    return drawnIcon([](QPainter& painter) {
        painter.drawRect(2, 2, 11, 13);
        painter.drawRect(5, 1, 5, 3);
        painter.drawLine(5, 8, 10, 8);
        painter.drawLine(5, 11, 10, 11);
    });
}

QIcon styleIcon(QStyle::StandardPixmap pixmap) {
    return qApp->style()->standardIcon(pixmap);
}

QIcon fallbackIcon(ActionIcon icon) {
    switch (icon) {
        case ActionIcon::New: return styleIcon(QStyle::SP_FileIcon);
        case ActionIcon::Open: return styleIcon(QStyle::SP_DialogOpenButton);
        case ActionIcon::Save: return styleIcon(QStyle::SP_DialogSaveButton);
        case ActionIcon::Cut: return scissorsGlyph();
        case ActionIcon::Copy: return rectanglesGlyph({{1, 1, 9, 10}, {5, 4, 9, 10}}, false);
        case ActionIcon::Paste: return clipboardGlyph();
        case ActionIcon::Cascade: return rectanglesGlyph({{1, 1, 9, 8}, {3, 4, 9, 8}, {6, 7, 9, 8}}, true);
        case ActionIcon::TileHorizontally: return rectanglesGlyph({{1, 1, 14, 6}, {1, 8, 14, 6}}, true);
        case ActionIcon::TileVertically: return rectanglesGlyph({{1, 1, 6, 14}, {8, 1, 6, 14}}, true);
    }
    return {};
}

const char* themeName(ActionIcon icon) {
    switch (icon) {
        case ActionIcon::New: return "document-new";
        case ActionIcon::Open: return "document-open";
        case ActionIcon::Save: return "document-save";
        case ActionIcon::Cut: return "edit-cut";
        case ActionIcon::Copy: return "edit-copy";
        case ActionIcon::Paste: return "edit-paste";
        case ActionIcon::Cascade: return "window-cascade";
        case ActionIcon::TileHorizontally: return "window-tile-horizontal";
        case ActionIcon::TileVertically: return "window-tile-vertical";
    }
    return "";
}

}  // namespace

QIcon programIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(60, 60, 60), 2));
    painter.setBrush(QColor(120, 180, 235));
    painter.drawRect(2, 4, 28, 24);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 200, 60));
    painter.drawEllipse(20, 8, 6, 6);
    painter.setBrush(QColor(70, 150, 80));
    painter.drawPolygon(QPolygon({{3, 27}, {12, 14}, {19, 22}, {23, 18}, {29, 27}}));
    return QIcon(pixmap);
}

QIcon actionIcon(ActionIcon icon) {
    return QIcon::fromTheme(QString::fromLatin1(themeName(icon)), fallbackIcon(icon));
}

}  // namespace brenlow
