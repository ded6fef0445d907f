#include "app/jobs/command_progress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include "app/shell/plain_text.h"

namespace brenlow {

namespace {

constexpr int kBarWidth = 140;
constexpr int kBarHeight = 13;

}  // namespace

CommandProgress::CommandProgress(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CommandProgress"));
    label_ = plainLabel();
    label_->setObjectName(QStringLiteral("CommandProgressText"));
    bar_ = new QProgressBar;
    bar_->setObjectName(QStringLiteral("CommandProgressBar"));
    bar_->setRange(0, 0);  // no end to show: the commands report no steps
    bar_->setTextVisible(false);
    bar_->setFixedSize(kBarWidth, kBarHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    delay_ = new QTimer(this);
    delay_->setSingleShot(true);
    connect(delay_, &QTimer::timeout, this, [this] {
        show();
        emit shown();
    });
    hide();
}

void CommandProgress::start(const QString& text, std::chrono::milliseconds delay) {
    label_->setText(text);
    delay_->start(delay);
}

void CommandProgress::finish() {
    delay_->stop();
    hide();
}

QString CommandProgress::text() const {
    return label_->text();
}

}  // namespace brenlow
