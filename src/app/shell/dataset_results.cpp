#include "app/shell/dataset_results.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "app/shell/workbench_settings.h"

namespace brenlow {
namespace {

const QString kResultFolderKey = QStringLiteral("dataSet/resultFolder");

// Curve names carry settings ("avif:speed=8"): a character a file system may refuse becomes '_'.
QString folderSafe(const std::string& name) {
    QString safe = QString::fromStdString(name);
    for (QChar& c : safe)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('_') && c != QLatin1Char('=') &&
            c != QLatin1Char('.'))
            c = QLatin1Char('_');
    return safe;
}

}  // namespace

QString workbenchResultsHome() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath(QStringLiteral("results"));
}

QString datedResultFolder(const QString& home, const std::vector<CodecCurve>& curves, const QDate& day) {
    // Long lists of curves are cut: a name has to stay within what a file system holds.
    constexpr qsizetype kLongestName = 120;
    QString name = day.toString(Qt::ISODate);
    for (const CodecCurve& curve : curves) name += QLatin1Char(' ') + folderSafe(curve.name);
    name.truncate(kLongestName);
    const QDir folder(home);
    QString unique = name;
    for (int copy = 2; QFileInfo::exists(folder.filePath(unique)); ++copy) unique = name + QStringLiteral(" %1").arg(copy);
    return folder.filePath(unique);
}

QString rememberedDataSetResults() { return openWorkbenchSettings()->value(kResultFolderKey).toString(); }

void rememberDataSetResults(const QString& folder) {
    if (folder.isEmpty())
        openWorkbenchSettings()->remove(kResultFolderKey);
    else
        openWorkbenchSettings()->setValue(kResultFolderKey, folder);
}

}  // namespace brenlow
