#include "app/dialogs/window_pair_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/shell/mdi_child.h"

namespace brenlow {
namespace {

QComboBox* windowBox(const char* name) {
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return box;
}

void addWindow(QComboBox* box, const TMDIChild* window, qsizetype index) {
    box->addItem(window->windowTitle(), QVariant::fromValue(index));
}

}  // namespace

WindowPairDialog::WindowPairDialog(const QList<TMDIChild*>& windows, TMDIChild* active, QWidget* parent)
    : QDialog(parent), windows_(windows) {
    setObjectName(QStringLiteral("WindowPairDialog"));
    setWindowTitle(QStringLiteral("Compare Two Windows"));
    boxA_ = windowBox("WindowA");
    boxB_ = windowBox("WindowB");
    note_ = new QLabel;
    note_->setObjectName(QStringLiteral("WindowPairNote"));
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("A (reference):"), boxA_);
    form->addRow(QStringLiteral("B (measured against A):"), boxB_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note_);
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

    qsizetype first = windows_.indexOf(active);
    for (qsizetype i = 0; i < windows_.size(); ++i) {
        addWindow(boxA_, windows_[i], i);
        const bool partner = active && windows_[i] != active && windows_[i]->bitmap().size() == active->bitmap().size();
        if (partner && (first < 0 || windows_[first] == active)) first = i;
    }
    boxA_->setCurrentIndex(static_cast<int>(std::max<qsizetype>(first, 0)));
    offerB(active);
    connect(boxA_, &QComboBox::currentIndexChanged, this, [this] { offerB(windowB()); });
}

void WindowPairDialog::offerB(TMDIChild* preferred) {
    const TMDIChild* a = windowA();
    boxB_->clear();
    for (qsizetype i = 0; i < windows_.size(); ++i)
        if (windows_[i] != a && windows_[i]->bitmap().size() == a->bitmap().size()) addWindow(boxB_, windows_[i], i);
    const int kept = boxB_->findData(QVariant::fromValue(windows_.indexOf(preferred)));
    boxB_->setCurrentIndex(std::max(kept, 0));
    const QSize size = a->bitmap().size();
    note_->setText(boxB_->count() == 0 ? QStringLiteral("No other window shows a %1 x %2 picture as A does.")
                                             .arg(size.width())
                                             .arg(size.height())
                                       : QStringLiteral("B is chosen among the windows of A's size, %1 x %2.")
                                             .arg(size.width())
                                             .arg(size.height()));
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(boxB_->count() > 0);
}

TMDIChild* WindowPairDialog::chosen(const QComboBox* box) const {
    return box->currentIndex() < 0 ? nullptr : windows_.value(box->currentData().value<qsizetype>());
}

TMDIChild* WindowPairDialog::windowA() const { return chosen(boxA_); }

TMDIChild* WindowPairDialog::windowB() const { return chosen(boxB_); }

}  // namespace brenlow
