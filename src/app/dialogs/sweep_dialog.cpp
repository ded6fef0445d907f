#include "app/dialogs/sweep_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>
#include <exception>

#include "app/shell/codec_titles.h"
#include "app/shell/palette_follow.h"
#include "app/shell/plain_text.h"
#include "brenlow/codec.h"
#include "brenlow/measures.h"
#include "brenlow/tables.h"
#include "io/error.h"

namespace brenlow {
namespace {

QCheckBox* measureBox(const QString& name, const QString& caption, bool checked, const QString& tip) {
    auto* box = new QCheckBox(caption);
    box->setObjectName(name);
    box->setChecked(checked);
    box->setToolTip(tip);
    return box;
}

std::vector<std::string> standardTexts(const QStringList& texts) {
    std::vector<std::string> names;
    for (const QString& text : texts) names.push_back(text.trimmed().toStdString());
    return names;
}

// "avif:speed=4 - speed=4:yuv=420 (libavif 1.0.4)": what a listed curve is, in full.
QString curveTip(const CodecCurve& curve) {
    QString tip = QString::fromStdString(curve.name);
    if (const std::string settings = curve.settingsText(); !settings.empty())
        tip += QStringLiteral(" - ") + QString::fromStdString(settings);
    if (isKnownByName(curve.codec))
        tip += QStringLiteral(" (%1)").arg(QString::fromStdString(curveLibrary(curve)));
    return tip;
}

// The field at least as wide as its placeholder, so that the example it gives is read whole. The
// field keeps two pixels either side of its text inside its frame.
void widenToPlaceholder(QLineEdit& field) {
    QStyleOptionFrame option;
    option.initFrom(&field);
    option.lineWidth = field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &field);
    const QMargins margins = field.textMargins();
    const QSize text(field.fontMetrics().horizontalAdvance(field.placeholderText()) + 4 + margins.left() + margins.right(),
                     field.fontMetrics().height());
    field.setMinimumWidth(field.style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, &field).width());
}

}  // namespace

SweepDialog::SweepDialog(const SweepChoice& offered, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SweepDialog"));
    setWindowTitle(QStringLiteral("Rate-distortion Sweep"));

    anchor_ = new QComboBox;
    anchor_->setObjectName(QStringLiteral("SweepAnchor"));
    anchor_->setToolTip(QStringLiteral("The curve every other curve's BD-rate and BD-quality are taken against"));
    runCount_ = new QLabel;
    runCount_->setObjectName(QStringLiteral("SweepRunCount"));
    problem_ = plainLabel();
    problem_->setObjectName(QStringLiteral("SweepProblem"));
    problem_->setWordWrap(true);
    followPalette(problem_, [](QWidget& label) {
        QPalette palette = QApplication::palette(&label);
        palette.setColor(QPalette::WindowText, warningText(palette));
        label.setPalette(palette);
    });
    problem_->hide();

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Delta rates &against:"), anchor_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &SweepDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SweepDialog::reject);

    subject_ = plainLabel();
    subject_->setObjectName(QStringLiteral("SweepSubject"));
    subject_->setWordWrap(true);
    subject_->hide();
    subjectWarning_ = plainLabel();
    subjectWarning_->setObjectName(QStringLiteral("SweepSubjectWarning"));
    subjectWarning_->setWordWrap(true);
    subjectWarning_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(subject_);
    layout->addWidget(subjectWarning_);
    layout->addWidget(makeCurveList(offered));
    layout->addWidget(makeSizeChoice(offered));
    layout->addLayout(fields);
    layout->addWidget(makeMeasureBoxes(offered.measures));
    layout->addWidget(runCount_);
    layout->addWidget(problem_);
    layout->addWidget(buttons);

    fillAnchors();
    const int offeredAnchor = anchor_->findData(offered.anchor);
    if (offeredAnchor >= 0) anchor_->setCurrentIndex(offeredAnchor);
    showRunCount();
}

void SweepDialog::showSubject(const QString& subject, const QString& warning) {
    subject_->setText(subject);
    subject_->setVisible(!subject.isEmpty());
    subjectWarning_->setText(warning);
    subjectWarning_->setVisible(!warning.isEmpty());
    // Bold, in the text's own colour: a warning stays readable in any palette.
    QFont font = subjectWarning_->font();
    font.setBold(true);
    subjectWarning_->setFont(font);
}

QWidget* SweepDialog::makeCurveList(const SweepChoice& offered) {
    auto* group = new QGroupBox(QStringLiteral("Curves"));
    curves_ = new QListWidget;
    curves_->setObjectName(QStringLiteral("SweepCurves"));
    curves_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    curves_->setToolTip(QStringLiteral("Each codec at its settings is a curve of its own"));
    curves_->setMaximumHeight(8 * curves_->fontMetrics().height());
    for (const QString& text : offered.curves) {
        try {
            listCurve(text, curveNamed(text.trimmed().toStdString()));
        } catch (const std::exception&) {
            // A remembered curve this build cannot code is left out, as recalledSweepChoice does.
        }
    }
    addCodec_ = new QComboBox;
    addCodec_->setObjectName(QStringLiteral("SweepAddCodec"));
    addCodec_->setToolTip(QStringLiteral("Fills in the codec at the settings of Compress > Anchor Codec > Settings..."));
    for (const CodecEntry& codec : codecRegistry())
        addCodec_->addItem(QString::fromStdString(codec.title), QString::fromStdString(codec.name));
    curveText_ = new QLineEdit;
    curveText_->setObjectName(QStringLiteral("SweepCurveText"));
    curveText_->setPlaceholderText(QStringLiteral("avif:speed=4:yuv=444:label=slow"));
    widenToPlaceholder(*curveText_);
    curveText_->setToolTip(QStringLiteral("NAME[:KEY=VALUE]...[:label=TEXT]; Compress > Anchor Codec > Settings... "
                                          "shows each codec's settings and what they allow"));
    auto* add = new QPushButton(QStringLiteral("A&dd"));
    add->setObjectName(QStringLiteral("SweepAddCurve"));
    auto* remove = new QPushButton(QStringLiteral("&Remove"));
    remove->setObjectName(QStringLiteral("SweepRemoveCurve"));
    connect(addCodec_, &QComboBox::currentIndexChanged, this, &SweepDialog::offerCodecCurve);
    connect(add, &QPushButton::clicked, this, &SweepDialog::addTypedCurve);
    connect(remove, &QPushButton::clicked, this, &SweepDialog::removeSelectedCurves);
    offerCodecCurve();

    auto* grid = new QGridLayout(group);
    grid->addWidget(curves_, 0, 0, 1, 4);
    grid->addWidget(addCodec_, 1, 0);
    grid->addWidget(curveText_, 1, 1);
    grid->addWidget(add, 1, 2);
    grid->addWidget(remove, 1, 3);
    grid->setColumnStretch(1, 1);
    return group;
}

QWidget* SweepDialog::makeSizeChoice(const SweepChoice& offered) {
    auto* group = new QGroupBox(QStringLiteral("Points"));
    byQuality_ = new QRadioButton(QStringLiteral("At &qualities:"));
    byQuality_->setObjectName(QStringLiteral("SweepByQuality"));
    bySize_ = new QRadioButton(QStringLiteral("At si&zes, bits per pixel:"));
    bySize_->setObjectName(QStringLiteral("SweepBySize"));
    bySize_->setToolTip(QStringLiteral("Each curve is coded once per size, at the highest quality whose bits per "
                                       "pixel do not exceed it"));
    qualities_ = new QLineEdit(offered.qualities);
    qualities_->setObjectName(QStringLiteral("SweepQualities"));
    qualities_->setPlaceholderText(QStringLiteral("10:90:10 or 25,50,75"));
    widenToPlaceholder(*qualities_);
    qualities_->setToolTip(QStringLiteral("FROM:TO:STEP, or a list of qualities separated by commas, each 1 to 100"));
    bppTargets_ = new QLineEdit(offered.bppTargets);
    bppTargets_->setObjectName(QStringLiteral("SweepBppTargets"));
    bppTargets_->setPlaceholderText(QStringLiteral("0.25, 0.5, 1.0"));
    widenToPlaceholder(*bppTargets_);
    bppTargets_->setToolTip(QStringLiteral("Sizes separated by commas, each above 0 and at most 64 bits per pixel"));
    (offered.bySize ? bySize_ : byQuality_)->setChecked(true);
    const auto follow = [this] {
        qualities_->setEnabled(byQuality_->isChecked());
        bppTargets_->setEnabled(bySize_->isChecked());
        showRunCount();
    };
    follow();
    connect(byQuality_, &QRadioButton::toggled, this, follow);
    connect(qualities_, &QLineEdit::textChanged, this, &SweepDialog::showRunCount);
    connect(bppTargets_, &QLineEdit::textChanged, this, &SweepDialog::showRunCount);
    auto* grid = new QGridLayout(group);
    grid->addWidget(byQuality_, 0, 0);
    grid->addWidget(qualities_, 0, 1);
    grid->addWidget(bySize_, 1, 0);
    grid->addWidget(bppTargets_, 1, 1);
    return group;
}

QWidget* SweepDialog::makeMeasureBoxes(const MeasureChoice& offered) {
    auto* group = new QGroupBox(QStringLiteral("Measures besides PSNR and SSIM"));
    auto* row = new QHBoxLayout(group);
    for (const OptionalMeasure& measure : optionalMeasures()) {
        const bool available = measure.availableHere();
        QCheckBox* box = measureBox(measureBoxName(measure), QString::fromUtf8(measure.title),
                                    available && offered.takes(measure.name),
                                    available ? QString::fromUtf8(measure.description)
                                              : QString::fromStdString(measure.whyUnavailable()));
        box->setEnabled(available);
        row->addWidget(box);
        measureBoxes_.emplace_back(measure.name, box);
    }
    row->addStretch(1);
    return group;
}

QStringList SweepDialog::listedCurves() const {
    QStringList texts;
    for (int row = 0; row < curves_->count(); ++row) texts << curves_->item(row)->data(Qt::UserRole).toString();
    return texts;
}

void SweepDialog::listCurve(const QString& text, const CodecCurve& curve) {
    auto* item = new QListWidgetItem(text.trimmed(), curves_);
    item->setData(Qt::UserRole, text.trimmed());
    item->setToolTip(plainTip(curveTip(curve)));
}

bool SweepDialog::addCurve(const QString& text) {
    const QStringList texts = listedCurves() << text;
    try {
        const std::vector<CodecCurve> curves = curvesNamed(standardTexts(texts));
        listCurve(text, curves.back());
    } catch (const std::exception& error) {
        showProblem(QStringLiteral("The curve \"%1\" is not added: %2")
                        .arg(text.trimmed(), QString::fromStdString(failureMessage(error))));
        return false;
    }
    fillAnchors();
    showRunCount();
    return true;
}

void SweepDialog::addTypedCurve() {
    if (addCurve(curveText_->text())) curveText_->clear();
}

// Enter in the curve's field adds the curve rather than pressing OK on a choice without it.
void SweepDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && focusWidget() == curveText_) {
        addTypedCurve();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SweepDialog::clearCurves() {
    curves_->clear();
    fillAnchors();
    showRunCount();
}

void SweepDialog::removeSelectedCurves() {
    qDeleteAll(curves_->selectedItems());
    fillAnchors();
    showRunCount();
}

void SweepDialog::offerCodecCurve() {
    if (addCodec_->count() == 0) return;
    // The listed codecs stay in the registry for good.
    curveText_->setText(rememberedCurveName(*codecEntryNamed(addCodec_->currentData().toString().toStdString())));
}

// The anchor stays while its curve is listed; otherwise the first curve takes over.
void SweepDialog::fillAnchors() {
    const QVariant kept = anchor_->currentData();
    anchor_->clear();
    for (const QString& text : listedCurves()) {
        try {
            anchor_->addItem(curveTitle(curveNamed(text.toStdString()).name), text);
        } catch (const std::exception&) {
            anchor_->addItem(text, text);
        }
    }
    const int index = anchor_->findData(kept);
    anchor_->setCurrentIndex(index >= 0 ? index : 0);
    anchor_->setEnabled(anchor_->count() > 0);
}

void SweepDialog::showRunCount() {
    problem_->hide();
    if (bppTargets_ == nullptr) return;  // still building the dialog
    const SweepChoice chosen = choice();
    const std::size_t curves = static_cast<std::size_t>(chosen.curves.size());
    const std::size_t points = chosen.bySize ? bppTargetsOf(chosen).size() : qualitiesOf(chosen).size();
    if (curves == 0 || points == 0) {
        runCount_->clear();
        return;
    }
    runCount_->setText(QStringLiteral("%1 points: %2 curves at %3 %4, with the toolbar's divisor and focus.")
                           .arg(curves * points)
                           .arg(curves)
                           .arg(points)
                           .arg(chosen.bySize ? QStringLiteral("sizes, each found by a few codings")
                                              : QStringLiteral("qualities")));
}

void SweepDialog::showProblem(const QString& text) {
    problem_->setText(text);
    problem_->show();
}

SweepChoice SweepDialog::choice() const {
    SweepChoice choice;
    choice.curves = listedCurves();
    choice.qualities = qualities_->text().trimmed();
    choice.bppTargets = bppTargets_->text().trimmed();
    choice.bySize = bySize_->isChecked();
    for (const auto& [name, box] : measureBoxes_) choice.measures.take(name, box->isChecked());
    if (anchor_->count() > 0) choice.anchor = anchor_->currentData().toString();
    return choice;
}

QString SweepDialog::problem() const {
    const SweepChoice chosen = choice();
    if (chosen.curves.empty()) return QStringLiteral("Add at least one curve.");
    if (chosen.bySize) {
        try {
            (void)parseBppTargets(QString(chosen.bppTargets).remove(QLatin1Char(' ')).toStdString());
        } catch (const std::exception& error) {
            return QStringLiteral("The sizes \"%1\" do not read: %2; write them as 0.25, 0.5, 1.0.")
                .arg(chosen.bppTargets, QString::fromStdString(failureMessage(error)));
        }
    } else if (qualitiesOf(chosen).empty()) {
        return QStringLiteral("The qualities \"%1\" do not read: write FROM:TO:STEP such as 10:90:10, or a list "
                              "such as 25,50,75, each quality a whole number from 1 to 100.")
            .arg(chosen.qualities);
    }
    try {
        (void)curvesNamed(standardTexts(chosen.curves));
    } catch (const std::exception& error) {
        return QString::fromStdString(failureMessage(error));
    }
    return {};
}

void SweepDialog::accept() {
    const QString refused = problem();
    if (!refused.isEmpty()) {
        showProblem(refused);
        return;
    }
    QDialog::accept();
}

}  // namespace brenlow
