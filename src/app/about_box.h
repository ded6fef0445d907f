#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace brenlow {

// Help > About: product name, version, notice and contact, closed with OK.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Comments = nullptr;
    QPushButton* OKButton = nullptr;
};

}  // namespace brenlow
