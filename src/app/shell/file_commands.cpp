#include "app/shell/main_form.h"

#include <QDragEnterEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>
#include <string>

#include "app/shell/about_box.h"
#include "app/shell/mdi_child.h"
#include "app/shell/window_arrangement.h"
#include "app/shell/workbench_settings.h"
#include "codecs/document.h"
#include "codecs/still_codecs.h"
#include "container/coded_image.h"
#include "imaging/bitmap_bridge.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/file_io.h"

namespace brenlow {

namespace {

// Description and pattern pairs, in the order the dialog offers them.
constexpr const char* kOpenFilters[][2] = {
    {"All pictures (*.bmp *.avc *.jpg *.ajc *.png *.tif *.tiff *.webp *.ppm *.pgm *.gif *.jpeg *.JPG)", ""},
    {"Bitmap files (*.bmp)", "*.bmp"}, {"AVC files (*.avc)", "*.avc"}, {"JPG files (*.jpg)", "*.jpg"},
    {"AJC files (*.ajc)", "*.ajc"},
    {"Other pictures (*.png *.tif *.tiff *.webp *.ppm *.pgm *.gif *.jpeg *.JPG)", ""},
    {"All", "*"},  // "*.*" would hide names without a dot here
};

// The decoders call a short coded file's integrity lost; the user is better served by hearing
// that it is empty, or ends before its header does, as after a copy that broke off.
void refuseHeaderlessCodedFile(const QString& path) {
    const QFileInfo file(path);
    if (!file.isFile()) return;
    const qint64 size = file.size();
    if (size == 0) throw Error("The file is empty: it holds no coded picture.", path.toStdString());
    if (size < static_cast<qint64>(kCodedHeaderSize))
        throw Error("The file is cut short: it ends after " + std::to_string(size) + " bytes, inside its " +
                        std::to_string(kCodedHeaderSize) + "-byte header.",
                    path.toStdString());
}

const QString kOpenDialog = QStringLiteral("open");

bool holdsLocalFiles(const QMimeData* data) {
    if (!data || !data->hasUrls()) return false;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return true;
    return false;
}

}  // namespace

QString TMainForm::openDialogFilter() {
    QStringList filters;
    for (const auto& [description, pattern] : kOpenFilters) {
        const QString text = QString::fromLatin1(description);
        // The dialog takes its patterns from the parentheses.
        filters << (text.endsWith(QLatin1Char(')')) ? text : text + QStringLiteral(" (%1)").arg(QLatin1String(pattern)));
    }
    return filters.join(QStringLiteral(";;"));
}

void TMainForm::FileNew1Execute() {
    OpenDocument(QStringLiteral("NONAME%1").arg(documents().size() + 1));
}

QString TMainForm::pictureDialogStart() const {
    if (const TMDIChild* document = activeDocument()) {
        const QFileInfo file(document->caption());
        if (file.isAbsolute() && file.dir().exists()) return file.absolutePath();
    }
    return rememberedDialogFolder(kOpenDialog);
}

void TMainForm::FileOpen1Execute() {
    const QStringList names = askFilesToOpen(pictureDialogStart());
    if (!names.isEmpty() && !names.first().isEmpty())
        rememberDialogFolder(kOpenDialog, QFileInfo(names.first()).absolutePath());
    for (const QString& name : names)
        if (!name.isEmpty()) openRecordedDocument(name);
}

void TMainForm::FileSave1Execute() {
    const TMDIChild* document = activeDocument();
    if (!document) return;
    const QImage picture = document->requirePicture();
    const std::string target = saveTargetFor(document->fileName());
    runInBackground([&] { saveBitmapFile(picture, target); });
}

void TMainForm::FileExit1Execute() {
    close();
}

void TMainForm::HelpAbout1Execute() {
    AboutBox->exec();
}

void TMainForm::OpenDocument(const QString& name) {
    const std::string fileName = name.toStdString();
    const DocumentRoute route = routeDocument(fileName);
    if (route == DocumentRoute::Missing) return;
    baseName(fileName);  // refused before anything is read when no file can be named after it
    switch (route) {
        case DocumentRoute::Missing:
            return;
        case DocumentRoute::AvcStill:
            DecodeAvcFile(QString::fromStdString(routedFileName(fileName, route)));
            return;
        case DocumentRoute::AjcStill:
            DecodeAjcFile(QString::fromStdString(routedFileName(fileName, route)));
            return;
        case DocumentRoute::Jpeg:
        case DocumentRoute::Bitmap:
            break;
    }
    // The picture is read before any window exists, so that a failed open leaves none behind.
    TMDIChild* document = showDecodedPicture(inBackground([&] {
        QImage picture = loadDocumentPicture(routedFileName(fileName, route));
        ImagePlanes planes = planesFromBitmap(picture);
        return DecodedPicture{fileName, std::move(picture), std::move(planes)};
    }));
    document->holdFilePixels();
}

void TMainForm::DecodeAvcFile(const QString& path) {
    refuseHeaderlessCodedFile(path);
    showDecodedPicture(inBackground([&] { return brenlow::DecodeAvcFile(path.toStdString()); }));
}

void TMainForm::DecodeAjcFile(const QString& path) {
    refuseHeaderlessCodedFile(path);
    showDecodedPicture(inBackground([&] { return brenlow::DecodeAjcFile(path.toStdString()); }));
}

void TMainForm::CloseAllDocuments() {
    qDeleteAll(ClientArea->subWindowList());
}

// Names the user typed or dropped are meant to exist, unlike the dialog's, which File > New
// also tries without a word.
void TMainForm::openDocuments(const QStringList& names) {
    for (const QString& name : names) {
        const bool opened = runCommand(
            [&] {
                if (routeDocument(name.toStdString()) == DocumentRoute::Missing)
                    throw Error("The file does not exist.", name.toStdString());
                OpenDocument(name);
            },
            openingText(name));
        if (opened) rememberRecentFile(name);
    }
}

TMDIChild* TMainForm::addDocument(const QString& caption) {
    auto* document = new TMDIChild(caption);
    ClientArea->addSubWindow(document);
    // File > Close owns the keys that close a document, so that they work wherever the focus is; the
    // window's own menu holding them too would make each key ambiguous, and neither would close.
    if (QMenu* menu = document->systemMenu())
        for (QAction* action : menu->actions())
            if (action->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_W)) ||
                action->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_F4)))
                action->setShortcuts({});
    // Closing a window is held back while a command may still be reading it.
    document->installEventFilter(this);
    connect(document, &TMDIChild::zoomChanged, this, &TMainForm::showActiveZoom);
    connect(document, &TMDIChild::pictureChanged, this, &TMainForm::showActiveZoom);
    document->show();
    ClientArea->setActiveSubWindow(document);
    return document;
}

TMDIChild* TMainForm::showDecodedPicture(DecodedPicture picture) {
    TMDIChild* document = addDocument(QString::fromStdString(picture.caption));
    document->showPicture(std::move(picture.bitmap), std::move(picture.planes));
    placeNewWindow(*ClientArea, *document);
    // A picture larger than the room shows whole; its bitmap stays as it is.
    document->fitWhenLarger();
    return document;
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!commandRunning_ && holdsLocalFiles(event->mimeData())) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) names << url.toLocalFile();
    event->acceptProposedAction();
    openDocuments(names);
}

}  // namespace brenlow
