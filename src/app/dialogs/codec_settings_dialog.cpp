#include "app/dialogs/codec_settings_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/shell/workbench_settings.h"

namespace brenlow {
namespace {

QString fieldTip(const SettingDescription& setting) {
    return QStringLiteral("%1: %2 (default %3)")
        .arg(QString::fromStdString(setting.meaning), QString::fromStdString(setting.allowed()),
             QString::fromStdString(setting.defaultValue));
}

QWidget* fieldFor(const SettingDescription& setting, const std::string& value, QWidget* parent) {
    if (!setting.choices.empty()) {
        auto* choices = new QComboBox(parent);
        for (const std::string& choice : setting.choices) choices->addItem(QString::fromStdString(choice));
        choices->setCurrentText(QString::fromStdString(value));
        return choices;
    }
    auto* number = new QSpinBox(parent);
    number->setRange(setting.lowest, setting.highest);
    number->setValue(std::stoi(value));
    return number;
}

std::string fieldValue(const QWidget* field) {
    if (const auto* choices = qobject_cast<const QComboBox*>(field)) return choices->currentText().toStdString();
    return std::to_string(qobject_cast<const QSpinBox*>(field)->value());
}

}  // namespace

CodecSettingsDialog::CodecSettingsDialog(QList<const CodecEntry*> codecs, QWidget* parent)
    : QDialog(parent), codecs_(std::move(codecs)) {
    setWindowTitle(QStringLiteral("Codec Settings"));
    for (const CodecEntry* codec : codecs_) chosen_.append(resolvedSettings(rememberedCodecSettings(*codec), codec->settings));

    auto* layout = new QVBoxLayout(this);
    codecChoice = new QComboBox(this);
    for (const CodecEntry* codec : codecs_) codecChoice->addItem(QString::fromStdString(codec->title));
    layout->addWidget(codecChoice);
    form_ = new QFormLayout;
    layout->addLayout(form_);
    summary_ = new QLabel(this);
    summary_->setTextFormat(Qt::PlainText);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                         QDialogButtonBox::RestoreDefaults, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CodecSettingsDialog::acceptChoices);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            &CodecSettingsDialog::restoreDefaults);
    connect(codecChoice, &QComboBox::currentIndexChanged, this, &CodecSettingsDialog::showCodec);
    showCodec(0);
}

const CodecEntry& CodecSettingsDialog::shownCodec() const { return *codecs_.at(shown_); }

CodecSettings CodecSettingsDialog::shownSettings() const {
    CodecSettings settings;
    const std::vector<SettingDescription>& declared = shownCodec().settings;
    for (std::size_t i = 0; i < declared.size(); ++i) settings[declared[i].key] = fieldValue(fields_.at(static_cast<qsizetype>(i)));
    return settings;
}

void CodecSettingsDialog::showCodec(int index) {
    if (index < 0 || index >= codecs_.size()) return;
    keepShownSettings();
    shown_ = index;
    if (codecChoice->currentIndex() != index) codecChoice->setCurrentIndex(index);
    rebuildForm();
}

bool CodecSettingsDialog::setField(const QString& key, const QString& value) {
    const std::vector<SettingDescription>& declared = shownCodec().settings;
    for (std::size_t i = 0; i < declared.size(); ++i) {
        if (declared[i].key != key.toStdString()) continue;
        if (!declared[i].accepts(value.toStdString())) return false;
        QWidget* field = fields_.at(static_cast<qsizetype>(i));
        if (auto* choices = qobject_cast<QComboBox*>(field)) {
            choices->setCurrentText(value);
        } else {
            qobject_cast<QSpinBox*>(field)->setValue(value.toInt());
        }
        return true;
    }
    return false;
}

void CodecSettingsDialog::restoreDefaults() {
    chosen_[shown_] = resolvedSettings({}, shownCodec().settings);
    rebuildForm();
}

void CodecSettingsDialog::acceptChoices() {
    rememberAll();
    accept();
}

void CodecSettingsDialog::rebuildForm() {
    while (form_->rowCount() > 0) form_->removeRow(0);
    fields_.clear();
    const CodecEntry& codec = shownCodec();
    for (const SettingDescription& setting : codec.settings) {
        QWidget* field = fieldFor(setting, chosen_[shown_].at(setting.key), this);
        field->setToolTip(fieldTip(setting));
        field->setObjectName(QString::fromStdString(setting.key));
        form_->addRow(QString::fromStdString(setting.key), field);
        fields_.append(field);
    }
    summary_->setText(QStringLiteral("%1. At the defaults: %2")
                          .arg(QString::fromStdString(codec.library()),
                               QString::fromStdString(codec.settingsLine(resolvedSettings({}, codec.settings)))));
}

void CodecSettingsDialog::keepShownSettings() {
    if (shown_ >= 0) chosen_[shown_] = shownSettings();
}

void CodecSettingsDialog::rememberAll() {
    keepShownSettings();
    for (qsizetype i = 0; i < codecs_.size(); ++i) rememberCodecSettings(*codecs_[i], chosen_[i]);
}

}  // namespace brenlow
