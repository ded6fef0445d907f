#include "app/sweep_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "app/codec_titles.h"
#include "research/butteraugli.h"

namespace brenlow {
namespace {

QCheckBox* measureBox(const char* name, const QString& caption, bool checked, const QString& tip) {
    auto* box = new QCheckBox(caption);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(checked);
    box->setToolTip(tip);
    return box;
}

}  // namespace

SweepDialog::SweepDialog(const SweepChoice& offered, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SweepDialog"));
    setWindowTitle(QStringLiteral("Rate-distortion Sweep"));

    qualities_ = new QLineEdit(offered.qualities);
    qualities_->setObjectName(QStringLiteral("SweepQualities"));
    qualities_->setPlaceholderText(QStringLiteral("10:90:10 or 25,50,75"));
    qualities_->setToolTip(QStringLiteral("FROM:TO:STEP, or a list of qualities separated by commas, each 1 to 100"));
    anchor_ = new QComboBox;
    anchor_->setObjectName(QStringLiteral("SweepAnchor"));
    anchor_->setToolTip(QStringLiteral("The codec every other codec's BD-rate and BD-quality are taken against"));
    runCount_ = new QLabel;
    runCount_->setObjectName(QStringLiteral("SweepRunCount"));
    problem_ = new QLabel;
    problem_->setObjectName(QStringLiteral("SweepProblem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #b00000"));
    problem_->hide();

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("&Qualities:"), qualities_);
    fields->addRow(QStringLiteral("Delta rates &against:"), anchor_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &SweepDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SweepDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeCodecBoxes(offered));
    layout->addLayout(fields);
    layout->addWidget(makeMeasureBoxes(offered.measures));
    layout->addWidget(runCount_);
    layout->addWidget(problem_);
    layout->addWidget(buttons);

    fillAnchors();
    const int offeredAnchor = anchor_->findData(static_cast<int>(offered.anchor));
    if (offeredAnchor >= 0) anchor_->setCurrentIndex(offeredAnchor);
    showRunCount();
    connect(qualities_, &QLineEdit::textChanged, this, &SweepDialog::showRunCount);
}

QWidget* SweepDialog::makeCodecBoxes(const SweepChoice& offered) {
    auto* group = new QGroupBox(QStringLiteral("Codecs"));
    auto* row = new QHBoxLayout(group);
    for (StillCodec codec : availableCodecs()) {
        auto* box = new QCheckBox(codecTitle(codec));
        box->setObjectName(QStringLiteral("SweepCodec_%1").arg(QString::fromLatin1(codecName(codec))));
        box->setChecked(std::find(offered.codecs.begin(), offered.codecs.end(), codec) != offered.codecs.end());
        if (const AnchorCodec* anchor = anchorCodecOf(codec))
            box->setToolTip(QString::fromStdString(anchor->libraryVersion() + ": " + anchor->settings()));
        connect(box, &QCheckBox::toggled, this, [this] {
            fillAnchors();
            showRunCount();
        });
        codecBoxes_[codec] = box;
        row->addWidget(box);
    }
    row->addStretch(1);
    return group;
}

QWidget* SweepDialog::makeMeasureBoxes(const MeasureChoice& offered) {
    auto* group = new QGroupBox(QStringLiteral("Measures besides PSNR and SSIM"));
    auto* row = new QHBoxLayout(group);
    msSsim_ = measureBox("SweepMsSsim", QStringLiteral("MS-SSIM"), offered.msSsim,
                         QStringLiteral("Five-scale structural similarity of the luma, and its dB"));
    ciede2000_ = measureBox("SweepCiede2000", QStringLiteral("CIEDE2000"), offered.ciede2000,
                            QStringLiteral("Mean colour difference of the pixels"));
    const bool butteraugli = butteraugliAvailable();
    butteraugli_ = measureBox("SweepButteraugli", QStringLiteral("Butteraugli"), butteraugli && offered.butteraugli,
                              butteraugli ? QStringLiteral("Perceptual distance, max and 3-norm; the slowest measure")
                                          : QStringLiteral("This build has no Butteraugli: libjxl 0.7's "
                                                           "jxl/butteraugli.h was missing when it was built"));
    butteraugli_->setEnabled(butteraugli);
    for (QCheckBox* box : {msSsim_, ciede2000_, butteraugli_}) row->addWidget(box);
    row->addStretch(1);
    return group;
}

std::vector<StillCodec> SweepDialog::checkedCodecs() const {
    std::vector<StillCodec> codecs;
    for (StillCodec codec : availableCodecs())
        if (codecBoxes_.at(codec)->isChecked()) codecs.push_back(codec);
    return codecs;
}

// The anchor stays while its codec is checked; otherwise the first codec checked takes over.
void SweepDialog::fillAnchors() {
    const QVariant kept = anchor_->currentData();
    anchor_->clear();
    for (StillCodec codec : checkedCodecs()) anchor_->addItem(codecTitle(codec), static_cast<int>(codec));
    const int index = anchor_->findData(kept);
    anchor_->setCurrentIndex(index >= 0 ? index : 0);
    anchor_->setEnabled(anchor_->count() > 0);
}

void SweepDialog::showRunCount() {
    problem_->hide();
    const std::size_t codecs = checkedCodecs().size();
    const std::size_t qualities = qualitiesOf(choice()).size();
    runCount_->setText(codecs == 0 || qualities == 0
                           ? QString()
                           : QStringLiteral("%1 runs: %2 codecs at %3 qualities, with the toolbar's divisor and focus.")
                                 .arg(codecs * qualities)
                                 .arg(codecs)
                                 .arg(qualities));
}

SweepChoice SweepDialog::choice() const {
    SweepChoice choice;
    choice.codecs = checkedCodecs();
    choice.qualities = qualities_->text().trimmed();
    choice.measures = {msSsim_->isChecked(), ciede2000_->isChecked(), butteraugli_->isChecked()};
    if (anchor_->count() > 0) choice.anchor = static_cast<StillCodec>(anchor_->currentData().toInt());
    return choice;
}

QString SweepDialog::problem() const {
    const SweepChoice chosen = choice();
    if (chosen.codecs.empty()) return QStringLiteral("Check at least one codec.");
    if (qualitiesOf(chosen).empty()) {
        return QStringLiteral("The qualities \"%1\" do not read: write FROM:TO:STEP such as 10:90:10, or a list "
                              "such as 25,50,75, each quality a whole number from 1 to 100.")
            .arg(chosen.qualities);
    }
    return {};
}

void SweepDialog::accept() {
    const QString refused = problem();
    if (!refused.isEmpty()) {
        problem_->setText(refused);
        problem_->show();
        return;
    }
    QDialog::accept();
}

}  // namespace brenlow
