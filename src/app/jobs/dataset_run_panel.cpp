#include "app/jobs/dataset_run_panel.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "app/docks/elided_label.h"

namespace brenlow {
namespace {

constexpr int kLabelCharacters = 56;
constexpr int kBarWidth = 140;
constexpr int kBarHeight = 13;

}  // namespace

DataSetRunPanel::DataSetRunPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DataSetProgress"));
    label_ = new ElidedLabel;
    label_->setObjectName(QStringLiteral("DataSetProgressText"));
    // A steady width: the names of the items under way come and go several times a second.
    label_->setFixedWidth(label_->fontMetrics().averageCharWidth() * kLabelCharacters);
    bar_ = new QProgressBar;
    bar_->setObjectName(QStringLiteral("DataSetProgressBar"));
    bar_->setTextVisible(false);
    bar_->setFixedSize(kBarWidth, kBarHeight);
    cancel_ = new QPushButton(QStringLiteral("Cancel"));
    cancel_->setObjectName(QStringLiteral("DataSetCancel"));
    cancel_->setToolTip(QStringLiteral("Stops the data set sweep; the items finished stay in its result folder"));
    connect(cancel_, &QPushButton::clicked, this, &DataSetRunPanel::cancelRequested);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_);
    hide();
}

void DataSetRunPanel::start(int total, const QString& text) {
    bar_->setRange(0, std::max(total, 1));
    bar_->setValue(0);
    label_->setFullText(text);
    cancel_->setEnabled(true);
    show();
}

void DataSetRunPanel::showProgress(int done, int total, const QString& text) {
    bar_->setRange(0, std::max(total, 1));
    bar_->setValue(done);
    if (cancel_->isEnabled()) label_->setFullText(text);
}

void DataSetRunPanel::showStopping() {
    cancel_->setEnabled(false);
    label_->setFullText(QStringLiteral("Stopping the data set sweep; the items finished are kept..."));
}

void DataSetRunPanel::finish() {
    hide();
}

int DataSetRunPanel::value() const {
    return bar_->value();
}

QString DataSetRunPanel::labelText() const {
    return label_->fullText();
}

}  // namespace brenlow
