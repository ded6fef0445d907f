#include "app/shell/window_menu.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include "app/shell/main_form.h"
#include "app/shell/plain_text.h"
#include "app/windows/compare_window.h"
#include "app/windows/dataset_window.h"
#include "app/windows/sweep_window.h"

namespace brenlow {

// Only the first nine take their digit as a mnemonic: from the tenth on each would take "1".
QString numberedMenuText(int number, const QString& name) {
    return QString::fromLatin1(number <= 9 ? "&%1 %2" : "%1 %2").arg(number).arg(withoutMnemonics(name));
}

void raiseSideWindow(QWidget& window) {
    if (window.isMinimized()) window.showNormal();
    window.show();
    window.raise();
    window.activateWindow();
}

QList<QWidget*> TMainForm::sideWindows() const {
    QList<QWidget*> windows;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const bool side = qobject_cast<SweepWindow*>(child) || qobject_cast<CompareWindow*>(child) ||
                          qobject_cast<DataSetWindow*>(child);
        if (side && child->isVisible()) windows << child;
    }
    return windows;
}

// The document windows, then the windows of their own that the research commands opened: a side
// window hidden behind the main window is one menu entry away.
void TMainForm::updateWindowList() {
    qDeleteAll(windowListEntries_);
    windowListEntries_.clear();
    const QList<QMdiSubWindow*> documents = ClientArea->subWindowList(QMdiArea::CreationOrder);
    const QList<QWidget*> sides = sideWindows();
    windowListSeparator_->setVisible(!documents.isEmpty() || !sides.isEmpty());
    int number = 0;
    for (QMdiSubWindow* window : documents) {
        QAction* entry = Window1->addAction(numberedMenuText(++number, window->windowTitle()));
        entry->setCheckable(true);
        entry->setChecked(window == ClientArea->currentSubWindow());
        connect(entry, &QAction::triggered, ClientArea, [this, window] { ClientArea->setActiveSubWindow(window); });
        windowListEntries_.append(entry);
    }
    if (!documents.isEmpty() && !sides.isEmpty()) windowListEntries_.append(Window1->addSeparator());
    for (QWidget* window : sides) {
        QAction* entry = Window1->addAction(numberedMenuText(++number, window->windowTitle()));
        const QPointer<QWidget> target = window;
        connect(entry, &QAction::triggered, this, [target] {
            if (target) raiseSideWindow(*target);
        });
        windowListEntries_.append(entry);
    }
}

}  // namespace brenlow
