// Times one command of the workbench as a user runs it: the picture is open in its window, the
// command's entry is triggered, and the clock stops when the decoded window is shown with its
// report line; then, for the record, when the Measurements panel has every measure, and how much of
// the first figure the new window's first paint took. Prints the three, in milliseconds. Runs on Qt's offscreen platform unless told otherwise.
//   workbench_command avc|ajc|jpeg PICTURE.bmp
#include <QApplication>
#include <QElapsedTimer>
#include <QStatusBar>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/docks/measurements_dock.h"
#include "app/shell/main_form.h"
#include "workbench_bench.h"
#include "app/shell/mdi_child.h"

namespace {

QAction* entryOf(brenlow::TMainForm& form, const std::string& command) {
    if (command == "avc") return form.AJC1;
    if (command == "ajc") return form.AJC2;
    if (command == "jpeg") return form.JPEG1;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: workbench_command avc|ajc|jpeg PICTURE.bmp\n");
        return 2;
    }
    brenlow::bench::offscreenUnlessTold();
    QApplication application(argc, argv);
    brenlow::TMainForm form;
    int messages = 0;
    brenlow::bench::printMessages(form, messages);
    form.resize(1280, 900);
    form.show();
    form.openDocuments({QString::fromLocal8Bit(argv[2])});
    QAction* entry = entryOf(form, argv[1]);
    if (messages > 0 || form.documents().size() != 1 || entry == nullptr) {
        std::fprintf(stderr, "workbench_command: could not open %s or no command %s\n", argv[2], argv[1]);
        return 1;
    }
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    entry->trigger();
    const qint64 beforePaint = clock.elapsed();
    QApplication::processEvents();
    const qint64 toResult = clock.elapsed();
    if (messages > 0 || form.documents().size() != 2) return 1;
    while (form.Measurements->measuring()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 toMeasures = clock.elapsed();
    std::printf("%lld %lld %lld\n", static_cast<long long>(toResult), static_cast<long long>(toMeasures),
                static_cast<long long>(toResult - beforePaint));
    return 0;
}
