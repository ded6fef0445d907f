#include "app/windows/export_names.h"

#include <QDir>
#include <QFileInfo>

namespace brenlow {

QString pictureExportName(const QString& picture, const QString& ending) {
    const QFileInfo info(picture);
    return QDir(info.absolutePath()).filePath(info.completeBaseName() + ending);
}

QString dataSetExportName(const QString& folder, const QString& ending) {
    const QDir dir(QDir::fromNativeSeparators(folder));
    const QString name = dir.dirName().isEmpty() || dir.dirName() == QStringLiteral(".") ? QStringLiteral("dataset")
                                                                                           : dir.dirName();
    return QDir::toNativeSeparators(dir.absoluteFilePath(name + ending));
}

QString withSuffix(const QString& chosen, const QString& suffix) {
    if (!QFileInfo(chosen).suffix().isEmpty()) return chosen;
    return chosen + (chosen.endsWith(QLatin1Char('.')) ? suffix : QLatin1Char('.') + suffix);
}

}  // namespace brenlow
