#include "app/shell/exit_questions.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>

#include "app/jobs/dataset_progress.h"
#include "app/jobs/dataset_run_panel.h"
#include "app/shell/main_form.h"
#include "app/windows/dataset_window.h"
#include "app/windows/sweep_window.h"

namespace brenlow {

bool askExitQuestion(QWidget* parent, const QString& question, const QString& yes, const QString& no) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Exit"), question, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton* accept = box.addButton(yes, QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(no, QMessageBox::RejectRole));
    box.exec();
    return box.clickedButton() == accept;
}

QString discardResultsQuestion(const QStringList& lost, const QStringList& filed) {
    if (lost.isEmpty()) return {};
    QString text = QStringLiteral("These windows hold results saved nowhere; they are lost on exit:");
    for (const QString& window : lost) text += QStringLiteral("\n    ") + window;
    if (!filed.isEmpty()) {
        text += QStringLiteral("\n\nThese are kept in their result folders; File > Open Results opens them again:");
        for (const QString& window : filed) text += QStringLiteral("\n    ") + window;
    }
    return text + QStringLiteral("\n\nExit all the same?");
}

bool TMainForm::mayExitWithDataSetRun() {
    if (exitWhenDataSetStops_) return false;  // asked already: the run is stopping
    if (!dataSetRunning()) return true;
    const QString question =
        QStringLiteral("A data set sweep is under way: %1 of %2 points done.\n\nStopping it keeps every item "
                       "finished in \"%3\"; a run into that folder later takes them and makes only the rest.\n\n"
                       "Stop it and exit?")
            .arg(DataSetProgress1->value())
            .arg(dataSetPointCount(dataSetRunner_->plan().run))
            .arg(QString::fromStdString(dataSetRunner_->plan().run.resultFolder));
    if (!askStopDataSet(question)) return false;
    // The workbench closes once the run has stopped and filed what it finished.
    exitWhenDataSetStops_ = true;
    cancelDataSetRun();
    return false;
}

bool TMainForm::mayDiscardResults() {
    QStringList lost;
    QStringList filed;
    for (QWidget* window : sideWindows()) {
        if (qobject_cast<SweepWindow*>(window)) lost << window->windowTitle();
        if (const auto* dataSet = qobject_cast<DataSetWindow*>(window)) {
            QStringList folders;
            for (const std::string& folder : dataSet->resultFolders)
                folders << QDir::toNativeSeparators(QString::fromStdString(folder));
            if (folders.isEmpty())
                lost << window->windowTitle();
            else
                filed << QStringLiteral("%1: %2").arg(window->windowTitle(), folders.join(QStringLiteral(", ")));
        }
    }
    const QString question = discardResultsQuestion(lost, filed);
    return question.isEmpty() || askDiscardResults(question);
}

}  // namespace brenlow
