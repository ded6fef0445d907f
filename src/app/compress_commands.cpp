#include "app/main_form.h"

#include <QLineEdit>

#include "app/mdi_child.h"
#include "codecs/field_rules.h"
#include "codecs/still_codecs.h"

namespace brenlow {

namespace {

std::string fieldText(const QLineEdit* field) {
    return field->text().toStdString();
}

}  // namespace

void TMainForm::JPEG1Click() {
    const TMDIChild* document = activeDocument();
    if (!document) return;
    const QualitySetting quality = readQuality(fieldText(Edit2), Command::JpegExperiment);
    if (quality.wasReset) Edit2->setText(QStringLiteral("80"));
    const StillParameters parameters{quality.quality, 0.0f, 0};
    const DocumentView view = document->view();
    codeAndShow(*document, StillCodec::Jpeg, parameters, [&] { return runJpegExperiment(view, quality.quality); });
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
    codeAndShow(*document, codec, reading.parameters, [&] { return encode(view, reading.parameters); });
}

void TMainForm::showStillResult(StillRunResult result) {
    OriginalSize = result.figures.originalSize;
    CodedSize = result.figures.codedSize;
    CompressionRatio = result.figures.compressionRatio;
    showDecodedPicture(std::move(result.decoded));
    showReportLine(QString::fromStdString(result.reportLine));
}

}  // namespace brenlow
