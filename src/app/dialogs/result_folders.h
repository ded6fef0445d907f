#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "brenlow/codec.h"

class QWidget;

namespace brenlow {

// A folder dialog opened on `start` in which several folders can be chosen at once (shards of one
// run, or runs to merge); an empty list means the user cancelled.
QStringList chooseResultFolders(QWidget* parent, const QString& start);

// The file of a picture named in a result folder's manifest: by its path relative to the folder,
// then by its absolute path, then by its name as the sweep was given it; folders written before
// those were recorded, beside each folder and in its parent (see pictureFileOfResults). The name as
// stored when none of these exists, so that the error names it.
std::string resultPictureFile(const std::string& picture, const QStringList& folders);

// The curve delta rates are taken against in opened results: "jpeg" where the run has it, as on
// the command line, otherwise the first curve; "" without curves.
std::string resultAnchorOf(const std::vector<CodecCurve>& curves);

// "results" for one folder, "results-1 + results-2" for several, as the window's caption.
QString resultFoldersCaption(const QStringList& folders);

}  // namespace brenlow
