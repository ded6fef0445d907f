#include "app/shell/main_form.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QToolBar>
#include <algorithm>

#include "codecs/field_rules.h"
#include "codecs/sequence_codec.h"

namespace brenlow {

void TMainForm::AVCSequence1Click() {
    const QualitySetting quality = readQuality(Edit2->text().toStdString(), Command::SequenceEncoder);
    if (quality.wasReset) Edit2->setText(QStringLiteral("80"));

    SequenceEncodeOptions options;
    options.lastFrame = readLastFrame(Edit4->text().toStdString());
    options.quality = quality.quality;
    options.divisor = readDivisor(Edit3->text().toStdString(), Command::SequenceEncoder);
    runWithProgressBar(options.lastFrame, [&](const FrameProgress& progress) { encodeSequence(options, progress); });
}

void TMainForm::AVCBMP1Click() {
    SequenceDecodeOptions options;
    options.lastFrame = readLastFrame(Edit4->text().toStdString());
    runWithProgressBar(options.lastFrame, [&](const FrameProgress& progress) { decodeSequence(options, progress); });
}

// The bar is up for exactly as long as the frames are worked on, also when a frame fails. It
// counts finished frames; with none to do it is shown and hidden all the same.
void TMainForm::runWithProgressBar(std::int32_t lastFrame, const std::function<void(const FrameProgress&)>& work) {
    const int frames = lastFrame < 0 ? 0 : lastFrame + 1;
    ProgressBar1->setRange(0, std::max(frames, 1));
    ProgressBar1->setValue(0);
    progressPanel_->show();
    ProgressBar1->show();
    ProgressBar1->repaint();

    const auto hide = [this] {
        ProgressBar1->hide();
        progressPanel_->hide();
    };
    try {
        work([this](int framesDone) {
            ProgressBar1->setValue(framesDone);
            ProgressBar1->repaint();
        });
    } catch (...) {
        hide();
        throw;
    }
    hide();
}

}  // namespace brenlow
