#pragma once

#include <QWidget>

class QProgressBar;
class QPushButton;

namespace brenlow {

class ElidedLabel;

// The status bar's account of a data set run, which may last hours while the workbench goes on:
// the items under way and the time left, a bar of the points done and a Cancel button. Its width
// stays the same whatever it says; a text too long loses its middle, and its tooltip holds it whole.
class DataSetRunPanel : public QWidget {
    Q_OBJECT

public:
    explicit DataSetRunPanel(QWidget* parent = nullptr);

    // Shows the panel for a run of `total` points.
    void start(int total, const QString& text);
    void showProgress(int done, int total, const QString& text);
    // Says that the run stops once the items under way have noticed.
    void showStopping();
    void finish();

    int value() const;
    QString labelText() const;
    QPushButton* cancelButton() const { return cancel_; }

signals:
    void cancelRequested();

private:
    ElidedLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace brenlow
