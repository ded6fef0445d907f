#include "app/dialogs/result_folders.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QTreeView>

#include "brenlow/requests.h"
#include "brenlow/studies.h"

namespace brenlow {

QStringList chooseResultFolders(QWidget* parent, const QString& start) {
    QFileDialog dialog(parent, QStringLiteral("Open Results: Result Folders"), start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // A native folder dialog takes one folder only; shards come several at a time.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    for (QAbstractItemView* view : dialog.findChildren<QListView*>())
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (QAbstractItemView* view : dialog.findChildren<QTreeView*>())
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

std::string resultPictureFile(const std::string& picture, const QStringList& folders) {
    std::vector<std::string> names;
    for (const QString& folder : folders) names.push_back(QDir::toNativeSeparators(folder).toStdString());
    return pictureFileOfResults(picture, names);
}

std::string resultAnchorOf(const std::vector<CodecCurve>& curves) {
    return anchorOf(std::nullopt, curves);
}

QString resultFoldersCaption(const QStringList& folders) {
    QStringList names;
    for (const QString& folder : folders) names << QDir::toNativeSeparators(QDir::cleanPath(folder));
    return names.join(QStringLiteral(" + "));
}

}  // namespace brenlow
