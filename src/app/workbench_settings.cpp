#include "app/workbench_settings.h"

#include <QFileInfo>
#include <QSettings>

namespace brenlow {

namespace {

const QString kRecentFilesKey = QStringLiteral("recentFiles");

void storeRecentFiles(const QStringList& files) {
    openWorkbenchSettings()->setValue(kRecentFilesKey, files);
}

}  // namespace

std::unique_ptr<QSettings> openWorkbenchSettings() {
    // Named here rather than taken from the application, so that every entry point shares them.
    return std::make_unique<QSettings>(QStringLiteral("Brenlow"), QStringLiteral("Brenlow"));
}

QStringList withRecentFile(QStringList files, const QString& file) {
    files.removeAll(file);
    files.prepend(file);
    if (files.size() > kRecentFileLimit) files.resize(kRecentFileLimit);
    return files;
}

QStringList recentFiles() {
    return openWorkbenchSettings()->value(kRecentFilesKey).toStringList();
}

void rememberRecentFile(const QString& file) {
    storeRecentFiles(withRecentFile(recentFiles(), QFileInfo(file).absoluteFilePath()));
}

void forgetRecentFile(const QString& file) {
    QStringList files = recentFiles();
    files.removeAll(file);
    storeRecentFiles(files);
}

}  // namespace brenlow
