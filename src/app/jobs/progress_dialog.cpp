#include "app/jobs/progress_dialog.h"

#include <QApplication>
#include <QProgressDialog>

#include "app/jobs/worker_thread.h"
#include "app/shell/plain_text.h"

namespace brenlow {

bool runWithProgressDialog(QWidget* parent, const ProgressText& text, int total,
                           const std::function<void(const RunControl&)>& work,
                           const std::function<QString(const Progress&)>& describe) {
    QProgressDialog dialog(QString(), QStringLiteral("Cancel"), 0, total, parent);
    // Labels may name pictures and curves.
    dialog.setLabel(plainLabel(text.label));
    dialog.setObjectName(text.name);
    dialog.setWindowTitle(text.title);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);

    RunControl control;
    QObject::connect(&dialog, &QProgressDialog::canceled, [token = control.cancel]() mutable { token.cancel(); });
    control.progress = [&dialog, &describe](const Progress& progress) {
        const QString label = describe ? describe(progress) : QString();
        // Queued to the dialog: dropped unseen if it is gone by then.
        QMetaObject::invokeMethod(
            &dialog,
            [&dialog, done = progress.done, label] {
                dialog.setValue(done);
                if (!label.isNull()) dialog.setLabelText(label);
            },
            Qt::QueuedConnection);
    };
    // The dialog's Cancel button must not show the command's wait cursor.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    dialog.show();
    try {
        runOnWorkerThread([&] { work(control); });
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    return !control.cancel.cancelled();
}

}  // namespace brenlow
