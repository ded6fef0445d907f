#include "app/docks/elided_label.h"

#include <QFontMetrics>
#include <QResizeEvent>
#include <QStringList>
#include <algorithm>

#include "app/shell/plain_text.h"

namespace brenlow {

namespace {

const QString kItemSeparator = QStringLiteral(", ");

// Room a label's frame and margins take from its width.
int marginsAcross(const QLabel& label) { return label.width() - label.contentsRect().width(); }

}  // namespace

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setFullText(const QString& text, const QString& note) {
    fullText_ = text;
    note_ = note;
    elide();
}

void ElidedLabel::setBreaksAfterCommas(bool breaks) {
    breaksAfterCommas_ = breaks;
    elide();
}

// Widths of a few characters, whatever the text: the panel's width is the user's, not the text's.
QSize ElidedLabel::sizeHint() const {
    return {fontMetrics().averageCharWidth() * 24, QLabel::sizeHint().height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {fontMetrics().averageCharWidth() * 6, QLabel::sizeHint().height()};
}

bool ElidedLabel::hasHeightForWidth() const { return breaksAfterCommas_; }

int ElidedLabel::heightForWidth(int width) const {
    if (!breaksAfterCommas_) return QLabel::heightForWidth(width);
    const int across = width - marginsAcross(*this);
    const QString text = shown(across);
    const int down = height() - contentsRect().height();
    const int lines = fontMetrics().boundingRect(QRect(0, 0, across, 1 << 16), Qt::AlignLeft, text).height();
    // An empty row keeps the height of a line, so that the rows below stay where they were.
    return std::max(lines, fontMetrics().height()) + down;
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

// A path loses the middle of its folders first, so that its file name stays in view.
QString ElidedLabel::elided(const QString& text, int width) const {
    const QFontMetrics metrics = fontMetrics();
    if (metrics.horizontalAdvance(text) <= width) return text;
    const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
    if (slash > 0) {
        const QString name = text.mid(slash);
        const int room = width - metrics.horizontalAdvance(name);
        if (room >= metrics.horizontalAdvance(QStringLiteral("/\u2026")))
            return metrics.elidedText(text.left(slash), Qt::ElideMiddle, room) + name;
        return metrics.elidedText(text, Qt::ElideLeft, width);
    }
    return metrics.elidedText(text, Qt::ElideMiddle, width);
}

// Items fill a line while they fit; each line keeps the comma that ended its last item.
QStringList ElidedLabel::brokenLines(int width) const {
    const QFontMetrics metrics = fontMetrics();
    const QStringList items = fullText_.split(kItemSeparator);
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString item = i + 1 < items.size() ? items[i] + QLatin1Char(',') : items[i];
        const QString longer = line.isEmpty() ? item : line + QLatin1Char(' ') + item;
        if (line.isEmpty() || metrics.horizontalAdvance(longer) <= width) {
            line = longer;
            continue;
        }
        lines << elided(line, width);
        line = item;
    }
    lines << elided(line, width);
    return lines;
}

QString ElidedLabel::shown(int width) const {
    return breaksAfterCommas_ ? brokenLines(width).join(QLatin1Char('\n')) : elided(fullText_, width);
}

void ElidedLabel::elide() {
    const QString before = text();
    const QString now = shown(contentsRect().width());
    setText(now);
    // A different number of lines asks the panel for a different height.
    if (breaksAfterCommas_ && before.count(QLatin1Char('\n')) != now.count(QLatin1Char('\n'))) updateGeometry();
    QStringList tip;
    if (QString(now).replace(QLatin1Char('\n'), QLatin1Char(' ')) != fullText_) tip << fullText_;
    if (!note_.isEmpty()) tip << note_;
    setToolTip(plainTip(tip.join(QLatin1Char('\n'))));
}

}  // namespace brenlow
