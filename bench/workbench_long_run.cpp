// A long data set in the workbench while a user goes on working: the data set sweep of a folder
// runs in the background while, every INTERVAL seconds, a picture is opened and compressed (AVC,
// AJC and JPEG in turn). Prints each compression's time and the run's progress text, grabs the
// main window now and then, and stops the run with its Cancel after MINUTES if it has not ended.
// Runs on Qt's offscreen platform unless told otherwise.
//   workbench_long_run FOLDER PICTURE.bmp MINUTES INTERVAL SHOTS_FOLDER
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <algorithm>
#include <cstdlib>

#include "app/dialogs/sweep_dialog.h"
#include "app/jobs/dataset_run_panel.h"
#include "app/shell/main_form.h"
#include "app/shell/mdi_child.h"
#include "workbench_bench.h"
#include "app/windows/dataset_window.h"

namespace {

bool chooseTheSweep(brenlow::SweepDialog& dialog) {
    dialog.clearCurves();
    for (const char* curve : {"jpeg", "avc", "webp", "jxl"}) dialog.addCurve(curve);
    dialog.findChild<QLineEdit*>("SweepQualities")->setText("20:90:10");
    dialog.findChild<QCheckBox*>("SweepCiede2000")->setChecked(true);
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    return dialog.result() == QDialog::Accepted;
}

void waitFor(int milliseconds) {
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: workbench_long_run FOLDER PICTURE.bmp MINUTES INTERVAL SHOTS_FOLDER\n");
        return 2;
    }
    brenlow::bench::offscreenUnlessTold();
    QApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString picture = QString::fromLocal8Bit(argv[2]);
    const qint64 limit = std::atoll(argv[3]) * 60000;
    const int interval = std::atoi(argv[4]) * 1000;
    const QString shots = QString::fromLocal8Bit(argv[5]);

    brenlow::TMainForm form;
    int problems = 0;
    brenlow::bench::printMessages(form, problems);
    form.askDataSetFolder = [&folder](const QString&) { return folder; };
    form.askDataSetPictures = [](brenlow::DataSetPictureList&) { return true; };
    form.askSweepChoice = chooseTheSweep;
    form.resize(1280, 900);
    form.show();

    QElapsedTimer clock;
    clock.start();
    form.DataSetSweep1->trigger();
    if (!form.dataSetRunning()) {
        std::fprintf(stderr, "workbench_long_run: the data set did not start\n");
        return 1;
    }
    QAction* const commands[] = {form.AJC1, form.AJC2, form.JPEG1};
    int compressed = 0;
    qint64 slowest = 0;
    bool cancelled = false;
    for (int round = 0; form.dataSetRunning(); ++round) {
        waitFor(interval);
        if (!form.dataSetRunning()) break;
        const qint64 minute = clock.elapsed() / 60000;
        const int before = static_cast<int>(form.documents().size());
        QElapsedTimer command;
        command.start();
        form.openDocuments({picture});
        commands[round % 3]->trigger();
        QCoreApplication::processEvents();
        const qint64 took = command.elapsed();
        slowest = std::max(slowest, took);
        if (static_cast<int>(form.documents().size()) == before + 2) ++compressed;
        std::printf("%3lld min: opened and compressed with %s in %lld ms; %s\n", static_cast<long long>(minute),
                    qPrintable(commands[round % 3]->text().remove('&')), static_cast<long long>(took),
                    qPrintable(form.DataSetProgress1->labelText()));
        std::fflush(stdout);
        if (round % 10 == 0)
            form.grab().save(shots + QStringLiteral("/long-run-%1.png").arg(round, 3, 10, QLatin1Char('0')));
        for (brenlow::TMDIChild* document : form.documents()) document->close();
        if (clock.elapsed() > limit && !cancelled) {
            form.DataSetProgress1->cancelButton()->click();
            cancelled = true;
        }
    }
    waitFor(1000);
    form.grab().save(shots + QStringLiteral("/long-run-end.png"));
    std::printf("data set %s after %.1f min; %d pictures opened and compressed meanwhile, the slowest in %lld ms; "
                "%d data set windows; %d messages\n",
                cancelled ? "cancelled" : "ended", clock.elapsed() / 60000.0, compressed,
                static_cast<long long>(slowest), static_cast<int>(form.findChildren<brenlow::DataSetWindow*>().size()),
                problems);
    return problems == 0 && compressed > 0 ? 0 : 1;
}
