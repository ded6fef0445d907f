#pragma once

#include <QLabel>
#include <QString>

namespace brenlow {

// A one-line label that never asks its panel for more width than the panel has: a text too long
// for it loses its middle to an ellipsis (a path loses the middle of its folders and keeps its
// file name), and its tooltip holds the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // `note`, when given, is the tooltip whether or not the text fits, after the whole text where it does not.
    void setFullText(const QString& text, const QString& note = {});
    const QString& fullText() const { return fullText_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();
    QString elided(int width) const;

    QString fullText_;
    QString note_;
};

}  // namespace brenlow
