#include "gui_fixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <span>

#include "app/dialogs/dataset_pictures.h"
#include "app/docks/measurements_dock.h"
#include "io/bitmap_file.h"
#include "io/file_io.h"

namespace brenlow::testing {

WorkbenchTest::WorkbenchTest() {
    inDir.emplace(dir.path());
    form = std::make_unique<TMainForm>();
    form->showMessage = [this](const QString& text) { messages << text; };
    form->askStopDataSet = [this](const QString& question) {
        questions << question;
        return true;
    };
    form->askDiscardResults = form->askStopDataSet;
    form->askOverwriteResult = form->askStopDataSet;
    // Data set sweeps take every picture they list.
    form->askDataSetPictures = [](DataSetPictureList&) { return true; };
    form->resize(1280, 900);
    form->show();
}

WorkbenchTest::~WorkbenchTest() {
    form.reset();
    settleClosedWindows();
    inDir.reset();
}

bool WorkbenchTest::waitForMeasures() const {
    const QDeadlineTimer deadline(60000);
    while (form->Measurements->measuring() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    return !form->Measurements->measuring();
}

bool WorkbenchTest::waitForDataSetRun() const {
    const QDeadlineTimer deadline(300000);
    while (form->dataSetRunning() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    return !form->dataSetRunning();
}

void WorkbenchTest::openThroughDialog(const std::string& path) {
    form->askFilesToOpen = [path](const QString&) { return QStringList{QString::fromStdString(path)}; };
    form->FileOpen1->trigger();
}

std::string WorkbenchTest::openCopy(const std::string& source, const std::string& name) {
    const std::string copy = copyInto(source, dir, name);
    openThroughDialog(copy);
    return copy;
}

std::string WorkbenchTest::openPicture(const QImage& picture, const std::string& name) {
    const std::string path = dir.file(name);
    saveBitmapFile(picture, path);
    openThroughDialog(path);
    return path;
}

std::string WorkbenchTest::writeUnreadablePicture(const std::string& name) {
    const std::string path = dir.file(name);
    const std::string garbage = "not a bitmap at all";
    writeFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(garbage.data()), garbage.size()));
    return path;
}

TMDIChild* WorkbenchTest::lastDocument() const {
    const QList<TMDIChild*> documents = form->documents();
    return documents.isEmpty() ? nullptr : documents.last();
}

int WorkbenchTest::documentCount() const {
    return static_cast<int>(form->documents().size());
}

void WorkbenchTest::settleClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace brenlow::testing
