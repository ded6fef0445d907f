#pragma once

#include <QDialog>
#include <QList>

class QComboBox;
class QDialogButtonBox;
class QLabel;

namespace brenlow {

class TMDIChild;

// Compare Two Windows asks which open window is A, the reference, and which is B, each named by
// its caption. B is offered only among the other windows whose picture has A's size. At first B is
// the active window and A the earliest other window of its size.
class WindowPairDialog : public QDialog {
    Q_OBJECT

public:
    // `windows` all hold a picture; `active` is one of them, or null.
    WindowPairDialog(const QList<TMDIChild*>& windows, TMDIChild* active, QWidget* parent = nullptr);

    TMDIChild* windowA() const;
    // Null when no other window has A's size.
    TMDIChild* windowB() const;

private:
    void offerB(TMDIChild* preferred);
    TMDIChild* chosen(const QComboBox* box) const;

    QList<TMDIChild*> windows_;
    QComboBox* boxA_ = nullptr;
    QComboBox* boxB_ = nullptr;
    QLabel* note_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace brenlow
