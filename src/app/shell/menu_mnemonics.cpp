#include "app/shell/menu_mnemonics.h"

namespace brenlow {
namespace {

bool usable(QChar c, const QString& taken) { return c.isLetterOrNumber() && !taken.contains(c.toLower()); }

// Where the mnemonic goes in `caption`, or -1: a word's first character before any other.
qsizetype mnemonicPlace(const QString& caption, const QString& taken) {
    for (qsizetype i = 0; i < caption.size(); ++i)
        if ((i == 0 || !caption[i - 1].isLetterOrNumber()) && usable(caption[i], taken)) return i;
    for (qsizetype i = 0; i < caption.size(); ++i)
        if (usable(caption[i], taken)) return i;
    return -1;
}

}  // namespace

QStringList withMnemonics(const QStringList& captions, QString taken) {
    taken = taken.toLower();
    QStringList marked;
    for (const QString& caption : captions) {
        const qsizetype place = mnemonicPlace(caption, taken);
        if (place < 0) {
            marked << QString(caption).replace(QLatin1Char('&'), QStringLiteral("&&"));
            continue;
        }
        taken += caption[place].toLower();
        QString text = caption.left(place).replace(QLatin1Char('&'), QStringLiteral("&&")) + QLatin1Char('&') +
                       caption.mid(place).replace(QLatin1Char('&'), QStringLiteral("&&"));
        marked << text;
    }
    return marked;
}

QChar mnemonicOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) continue;
        if (caption[i + 1] != QLatin1Char('&')) return caption[i + 1].toLower();
        ++i;  // "&&" is a character
    }
    return {};
}

}  // namespace brenlow
