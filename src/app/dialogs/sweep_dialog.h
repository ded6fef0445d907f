#pragma once

#include <QDialog>
#include <utility>
#include <vector>

#include "app/dialogs/sweep_choice.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace brenlow {

// Asks what a rate-distortion sweep runs ("SweepDialog"): the curves ("SweepCurves"), each a codec
// at its settings, added from a codec ("SweepAddCodec", which fills in its remembered settings) and
// a codec string ("SweepCurveText", NAME[:KEY=VALUE]...[:label=TEXT]) with "SweepAddCurve", the same
// codec as often as wanted, and taken out with "SweepRemoveCurve"; the qualities ("SweepQualities")
// or, with "SweepBySize", the sizes in bits per pixel ("SweepBppTargets"); the optional measures
// of the measure table, each a box of its own (measureBoxName: "SweepMsSsim", ...), and the anchor of the
// delta rates ("SweepAnchor"), one of the curves. A curve that does not read, and OK while no
// curve is listed or the qualities or sizes do not read, are refused with the reason in "SweepProblem".
class SweepDialog : public QDialog {
    Q_OBJECT

public:
    explicit SweepDialog(const SweepChoice& offered, QWidget* parent = nullptr);

    // What the fields hold now.
    SweepChoice choice() const;

    // Why OK is refused; empty when it is not.
    QString problem() const;

    // Adds the curve a codec string names; false, with the reason shown, when it does not read or
    // is a curve listed already.
    bool addCurve(const QString& text);
    // Takes the curves out, leaving none.
    void clearCurves();

    // Names what the sweep codes ("SweepSubject") above the curves, and with `warning`
    // ("SweepSubjectWarning") says what is amiss with it.
    void showSubject(const QString& subject, const QString& warning = {});

    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void addTypedCurve();
    QWidget* makeCurveList(const SweepChoice& offered);
    QWidget* makeSizeChoice(const SweepChoice& offered);
    QWidget* makeMeasureBoxes(const MeasureChoice& offered);
    QStringList listedCurves() const;
    void listCurve(const QString& text, const CodecCurve& curve);
    void removeSelectedCurves();
    void offerCodecCurve();
    void fillAnchors();
    void showRunCount();
    void showProblem(const QString& text);

    QListWidget* curves_ = nullptr;
    QComboBox* addCodec_ = nullptr;
    QLineEdit* curveText_ = nullptr;
    QRadioButton* byQuality_ = nullptr;
    QRadioButton* bySize_ = nullptr;
    QLineEdit* qualities_ = nullptr;
    QLineEdit* bppTargets_ = nullptr;
    std::vector<std::pair<const char*, QCheckBox*>> measureBoxes_;  // by the optional measure's name
    QComboBox* anchor_ = nullptr;
    QLabel* runCount_ = nullptr;
    QLabel* subject_ = nullptr;
    QLabel* subjectWarning_ = nullptr;
    QLabel* problem_ = nullptr;
};

}  // namespace brenlow
