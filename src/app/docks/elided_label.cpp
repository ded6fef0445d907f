#include "app/docks/elided_label.h"

#include <QFontMetrics>
#include <QResizeEvent>
#include <QStringList>

#include "app/shell/plain_text.h"

namespace brenlow {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setFullText(const QString& text, const QString& note) {
    fullText_ = text;
    note_ = note;
    elide();
}

// Widths of a few characters, whatever the text: the panel's width is the user's, not the text's.
QSize ElidedLabel::sizeHint() const {
    return {fontMetrics().averageCharWidth() * 24, QLabel::sizeHint().height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {fontMetrics().averageCharWidth() * 6, QLabel::sizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

// A path loses the middle of its folders first, so that its file name stays in view.
QString ElidedLabel::elided(int width) const {
    const QFontMetrics metrics = fontMetrics();
    if (metrics.horizontalAdvance(fullText_) <= width) return fullText_;
    const qsizetype slash = fullText_.lastIndexOf(QLatin1Char('/'));
    if (slash > 0) {
        const QString name = fullText_.mid(slash);
        const int room = width - metrics.horizontalAdvance(name);
        if (room >= metrics.horizontalAdvance(QStringLiteral("/\u2026")))
            return metrics.elidedText(fullText_.left(slash), Qt::ElideMiddle, room) + name;
        return metrics.elidedText(fullText_, Qt::ElideLeft, width);
    }
    return metrics.elidedText(fullText_, Qt::ElideMiddle, width);
}

void ElidedLabel::elide() {
    const QString shown = elided(contentsRect().width());
    setText(shown);
    QStringList tip;
    if (shown != fullText_) tip << fullText_;
    if (!note_.isEmpty()) tip << note_;
    setToolTip(plainTip(tip.join(QLatin1Char('\n'))));
}

}  // namespace brenlow
