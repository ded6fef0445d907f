// Times the workbench's File > Open Results as a user runs it: the folders are chosen in its dialog,
// and the clock stops when the data set's window is shown and has painted. Prints the milliseconds.
// Runs on Qt's offscreen platform unless told otherwise.
//   open_results DIR...
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "app/shell/main_form.h"
#include "workbench_bench.h"
#include "app/windows/dataset_window.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: open_results DIR...\n");
        return 2;
    }
    brenlow::bench::offscreenUnlessTold();
    QApplication application(argc, argv);
    brenlow::TMainForm form;
    int messages = 0;
    brenlow::bench::printMessages(form, messages);
    QStringList folders;
    for (int i = 1; i < argc; ++i) folders << QString::fromLocal8Bit(argv[i]);
    form.askResultFolders = [&folders](const QString&) { return folders; };
    form.resize(1280, 900);
    form.show();
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    form.FileOpenResults1->trigger();
    const QList<brenlow::DataSetWindow*> windows = form.findChildren<brenlow::DataSetWindow*>();
    if (!windows.isEmpty()) {
        // Until its first paint, which lays out and draws its table and charts.
        QApplication::processEvents();
        windows.front()->repaint();
    }
    const qint64 shown = clock.elapsed();
    if (messages > 0 || windows.isEmpty() || !windows.front()->isVisible()) {
        std::fprintf(stderr, "open_results: no data set window was shown\n");
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(shown));
    return 0;
}
