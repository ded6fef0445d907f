#pragma once

#include <QDialog>
#include <map>

#include "app/sweep_choice.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace brenlow {

// Asks what a rate-distortion sweep runs ("SweepDialog"): a check box per codec of this build
// ("SweepCodec_jpeg", ...), the qualities ("SweepQualities"), the slower measures ("SweepMsSsim",
// "SweepCiede2000", "SweepButteraugli") and the anchor of the delta rates ("SweepAnchor"), one of
// the codecs checked. OK is refused, with the reason in "SweepProblem", while no codec is checked
// or the qualities do not read.
class SweepDialog : public QDialog {
    Q_OBJECT

public:
    explicit SweepDialog(const SweepChoice& offered, QWidget* parent = nullptr);

    // What the fields hold now.
    SweepChoice choice() const;

    // Why OK is refused; empty when it is not.
    QString problem() const;

    void accept() override;

private:
    QWidget* makeCodecBoxes(const SweepChoice& offered);
    QWidget* makeMeasureBoxes(const MeasureChoice& offered);
    std::vector<StillCodec> checkedCodecs() const;
    void fillAnchors();
    void showRunCount();

    std::map<StillCodec, QCheckBox*> codecBoxes_;
    QLineEdit* qualities_ = nullptr;
    QCheckBox* msSsim_ = nullptr;
    QCheckBox* ciede2000_ = nullptr;
    QCheckBox* butteraugli_ = nullptr;
    QComboBox* anchor_ = nullptr;
    QLabel* runCount_ = nullptr;
    QLabel* problem_ = nullptr;
};

}  // namespace brenlow
