#pragma once

#include <QString>
#include <QStringList>

namespace brenlow {

// Captions for the entries of one menu, each with a mnemonic no other entry of the menu uses: the
// first free letter or digit that starts a word ("JPEG &XL" beside "&JPEG 2000"), else any free one
// in the caption; a caption with none free stays without. `taken` holds the letters the menu's other
// entries use already (compared without case). An "&" of a caption stays a character ("&&").
QStringList withMnemonics(const QStringList& captions, QString taken = {});

// The letter a caption's mnemonic underlines, in lower case; null when it has none.
QChar mnemonicOf(const QString& caption);

}  // namespace brenlow
