#pragma once

#include <QDialog>
#include <QList>

#include "brenlow/codec.h"

class QComboBox;
class QFormLayout;
class QLabel;

namespace brenlow {

// Compress > Anchor Codec > Settings...: the settings of each anchor codec, one form at a time,
// each field built from what the codec declares (a number within its range or one of its words),
// opening at the remembered choices. OK remembers the choices of every codec shown.
class CodecSettingsDialog : public QDialog {
    Q_OBJECT

public:
    explicit CodecSettingsDialog(QList<const CodecEntry*> codecs, QWidget* parent = nullptr);

    // The codec whose form is shown, and the settings its fields hold now (every declared key).
    const CodecEntry& shownCodec() const;
    CodecSettings shownSettings() const;

    void showCodec(int index);
    // Sets one field of the form shown; false when the codec has no such setting or not that value.
    bool setField(const QString& key, const QString& value);
    void restoreDefaults();
    // OK: remembers the choices of every codec shown, then accepts.
    void acceptChoices();

    QComboBox* codecChoice = nullptr;

private:
    void rebuildForm();
    void keepShownSettings();
    void rememberAll();

    QList<const CodecEntry*> codecs_;
    QList<CodecSettings> chosen_;  // per codec, every declared key
    QFormLayout* form_ = nullptr;
    QLabel* summary_ = nullptr;
    QList<QWidget*> fields_;
    int shown_ = -1;
};

}  // namespace brenlow
