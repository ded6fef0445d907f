#pragma once

#include <QWidget>
#include <chrono>

class QLabel;
class QProgressBar;
class QTimer;

namespace brenlow {

// The status bar's sign that a command is still at work: the command's own line ("Coding
// astronaut.bmp with AVC...") beside a bar without an end. It shows only once the command has run
// for the delay, so that quick commands do not flicker.
class CommandProgress : public QWidget {
    Q_OBJECT

public:
    explicit CommandProgress(QWidget* parent = nullptr);

    // Shows `text` and the bar after `delay`, unless finish() comes first.
    void start(const QString& text, std::chrono::milliseconds delay);
    void finish();

    QString text() const;

signals:
    // The indication has just come up.
    void shown();

private:
    QLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QTimer* delay_ = nullptr;
};

}  // namespace brenlow
