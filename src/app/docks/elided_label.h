#pragma once

#include <QLabel>
#include <QString>

namespace brenlow {

// A one-line label that never asks its panel for more width than the panel has: a text too long
// for it loses its middle to an ellipsis (a path loses the middle of its folders and keeps its
// file name), and its tooltip holds the whole text. A list of items may instead break after its
// commas onto as many lines as its width needs.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // `note`, when given, is the tooltip whether or not the text fits, after the whole text where it does not.
    void setFullText(const QString& text, const QString& note = {});
    const QString& fullText() const { return fullText_; }

    // "AVC, quality 75, divisor 5, focus 2" is read whole on several lines rather than losing its
    // middle; only an item too long for a line of its own is shortened.
    void setBreaksAfterCommas(bool breaks);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();
    QString elided(const QString& text, int width) const;
    // The text as shown in a contents width: one elided line, or its items over several lines.
    QString shown(int width) const;
    QStringList brokenLines(int width) const;

    QString fullText_;
    QString note_;
    bool breaksAfterCommas_ = false;
};

}  // namespace brenlow
