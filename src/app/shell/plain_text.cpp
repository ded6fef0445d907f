#include "app/shell/plain_text.h"

#include <QLabel>
#include <QMessageBox>
#include <QTextDocument>

namespace brenlow {

QString chartText(const QString& text) { return text.toHtmlEscaped(); }

QString plainTip(const QString& text) {
    // Spaces kept as typed, and no wrapping the plain tip would not have had.
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpacePre) : text;
}

QLabel* plainLabel(const QString& text) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void showFailureBox(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QString(), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString withoutMnemonics(const QString& text) { return QString(text).replace(QLatin1Char('&'), QStringLiteral("&&")); }

}  // namespace brenlow
