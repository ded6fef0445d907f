#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace brenlow {

// Help > About: product name, version, notice and contact, and the commit and library versions a
// bug report needs, as `brenlow-cli --version` prints them; closed with OK.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Comments = nullptr;
    QLabel* BuildDetails = nullptr;
    QPushButton* OKButton = nullptr;
};

}  // namespace brenlow
