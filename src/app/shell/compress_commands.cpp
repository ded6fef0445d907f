#include "app/shell/main_form.h"

#include <QLineEdit>
#include <QMenu>
#include <algorithm>

#include "app/dialogs/codec_settings_dialog.h"
#include "app/shell/codec_titles.h"
#include "app/shell/mdi_child.h"
#include "app/shell/menu_mnemonics.h"
#include "app/shell/workbench_settings.h"
#include "brenlow/codec.h"
#include "codecs/field_rules.h"
#include "codecs/still_codecs.h"
#include "io/error.h"

namespace brenlow {

namespace {

std::string fieldText(const QLineEdit* field) {
    return field->text().toStdString();
}

// A library codec, or one described by commands, reads the quality field as it stands: a value
// it does not take is refused, never quietly replaced as the JPEG command replaces it. As on the
// command line, no quality lies outside 0 to 100.
int listedCodecQuality(const QLineEdit& field, const CodecEntry& codec) {
    bool whole = false;
    const int quality = field.text().trimmed().toInt(&whole);
    const int lowest = std::max(codec.qualities.lowest, 0);
    const int highest = std::min(codec.qualities.highest, 100);
    if (!whole || quality < lowest || quality > highest) {
        throw Error(QStringLiteral("%1 takes a quality from %2 to %3; the quality field reads \"%4\".")
                        .arg(QString::fromStdString(codec.title))
                        .arg(lowest)
                        .arg(highest)
                        .arg(field.text())
                        .toStdString());
    }
    return quality;
}

// Library codecs, and codecs described by commands as loaded so far.
bool listedInCodecMenu(const CodecEntry& codec) { return codec.anchor != nullptr || codec.command != nullptr; }

}  // namespace

void TMainForm::JPEG1Click() {
    const TMDIChild* document = activeDocument();
    if (!document) return;
    const QualitySetting quality = readQuality(fieldText(Edit2), Command::JpegExperiment);
    if (quality.wasReset) Edit2->setText(QStringLiteral("80"));
    const StillParameters parameters{quality.quality, 0.0f, 0};
    const DocumentView view = document->view();
    codeAndShow(*document, codecEntryOf(StillCodec::Jpeg), parameters,
                [&] { return runJpegExperiment(view, quality.quality); });
}

void TMainForm::createAnchorCodecMenu() {
    Compress1->addSeparator();
    AnchorCodec1 = Compress1->addMenu(QStringLiteral("&Anchor Codec"));
    AnchorCodec1->setObjectName(QStringLiteral("AnchorCodec1"));
    AnchorCodec1->menuAction()->setStatusTip(
        QStringLiteral("Codes the active picture with a codec of today's formats, or one described by commands, to "
                       "measure ours against"));
    fillAnchorCodecMenu();
}

void TMainForm::fillAnchorCodecMenu() {
    AnchorCodec1->clear();
    AnchorCodecEntries.clear();
    AnchorCodecSettings1 = nullptr;
    bool describedListed = false;
    QStringList titles;
    for (const CodecEntry& codec : codecRegistry()) {
        if (!listedInCodecMenu(codec)) continue;
        // The codecs described by commands follow the libraries', apart.
        if (codec.command != nullptr && !describedListed && !AnchorCodecEntries.isEmpty()) AnchorCodec1->addSeparator();
        describedListed = describedListed || codec.command != nullptr;
        const QString title = QString::fromStdString(codec.title);
        QAction* entry = AnchorCodec1->addAction(title);
        entry->setObjectName(codec.command != nullptr
                                 ? QStringLiteral("DescribedCodec_") + QString::fromStdString(codec.name)
                                 : QString(title).remove(QLatin1Char(' ')) + QStringLiteral("1"));
        entry->setData(QString::fromStdString(codec.name));
        const CodecEntry* listed = &codec;
        connect(entry, &QAction::triggered, this, [this, listed, title] {
            runCommand([this, listed] { codeWithListedCodec(*listed); }, codingText(title));
        });
        AnchorCodecEntries.append(entry);
        titles << title;
    }
    if (AnchorCodecEntries.isEmpty()) {
        AnchorCodec1->addAction(QStringLiteral("(none in this build)"))->setEnabled(false);
    } else {
        AnchorCodec1->addSeparator();
        AnchorCodecSettings1 = AnchorCodec1->addAction(QStringLiteral("Settings..."));
        AnchorCodecSettings1->setObjectName(QStringLiteral("AnchorCodecSettings1"));
        AnchorCodecSettings1->setStatusTip(QStringLiteral(
            "Chooses each anchor codec's settings (speed, effort, subsampling...); they are remembered"));
        connect(AnchorCodecSettings1, &QAction::triggered, this, [this] { AnchorCodecSettingsClick()->open(); });
        describeAnchorEntries();
        titles << AnchorCodecSettings1->text();
    }
    // A letter reaches every entry; Load Codec Descriptions keeps its own.
    QList<QAction*> entries = AnchorCodecEntries;
    if (AnchorCodecSettings1) entries << AnchorCodecSettings1;
    const QStringList captions = withMnemonics(titles, QString(mnemonicOf(LoadCodecDescriptions1->text())));
    for (qsizetype i = 0; i < entries.size(); ++i) entries[i]->setText(captions[i]);
    // The form owns it: clearing the menu leaves it for the next fill.
    AnchorCodec1->addAction(LoadCodecDescriptions1);
}

// Each entry's status tip says how it codes now, at the remembered settings.
void TMainForm::describeAnchorEntries() {
    for (QAction* entry : AnchorCodecEntries) {
        const CodecEntry& codec = *codecEntryNamed(entry->data().toString().toStdString());
        const CodecSettings settings = resolvedSettings(rememberedCodecSettings(codec), codec.settings);
        entry->setStatusTip(QStringLiteral("Codes the active picture at the quality field with %1: %2")
                                .arg(QString::fromStdString(codec.library()),
                                     QString::fromStdString(codec.settingsLine(settings))));
    }
}

CodecSettingsDialog* TMainForm::AnchorCodecSettingsClick() {
    QList<const CodecEntry*> anchors;
    for (const CodecEntry& codec : codecRegistry())
        if (listedInCodecMenu(codec)) anchors.append(&codec);
    auto* dialog = new CodecSettingsDialog(anchors, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, &TMainForm::describeAnchorEntries);
    return dialog;
}

void TMainForm::codeWithListedCodec(const CodecEntry& codec) {
    const TMDIChild* document = activeDocument();
    if (!document) return;
    const int quality = listedCodecQuality(*Edit2, codec);
    const StillParameters parameters{static_cast<std::uint8_t>(quality), 0.0f, 0};
    const CodecSettings settings = resolvedSettings(rememberedCodecSettings(codec), codec.settings);
    const DocumentView view = document->view();
    codeAndShow(*document, codec, parameters, [&] { return codec.coding->runStill(view, quality, settings); },
                settings);
}

void TMainForm::AJC1Click() {
    if (documents().isEmpty()) return;
    ToolButton18Click();
}

void TMainForm::ToolButton18Click() {
    runStillEncoder(Command::AvcStill, encodeAvcStill);
}

void TMainForm::AJC2Click() {
    runStillEncoder(Command::AjcStill, encodeAjcStill);
}

void TMainForm::runStillEncoder(Command command, StillEncoder encode) {
    const TMDIChild* document = activeDocument();
    if (!document) return;
    const StillFieldReading reading =
        readStillFields(command, fieldText(Edit2), fieldText(Edit3), fieldText(Edit5));
    if (reading.qualityWasReset) Edit2->setText(QStringLiteral("80"));
    const StillCodec codec = command == Command::AvcStill ? StillCodec::Avc : StillCodec::Ajc;
    const DocumentView view = document->view();
    codeAndShow(*document, codecEntryOf(codec), reading.parameters, [&] { return encode(view, reading.parameters); });
}

TMDIChild* TMainForm::showStillResult(StillRunResult result) {
    OriginalSize = result.figures.originalSize;
    CodedSize = result.figures.codedSize;
    CompressionRatio = result.figures.compressionRatio;
    TMDIChild* shown = showDecodedPicture(std::move(result.decoded));
    showReportLine(QString::fromStdString(result.reportLine));
    return shown;
}

}  // namespace brenlow
