#pragma once

#include <QString>

namespace brenlow {

// The name an export dialog offers: beside the picture, after it ("/p/astronaut.bmp" with
// "-sweep.csv" gives "/p/astronaut-sweep.csv").
QString pictureExportName(const QString& picture, const QString& ending);

// Inside the data set's folder, after the folder ("/d/kodak" with ".json" gives "/d/kodak/kodak.json").
QString dataSetExportName(const QString& folder, const QString& ending);

// The name a user chose, with `suffix` ("csv", no dot) added when it has no ending of its own.
QString withSuffix(const QString& chosen, const QString& suffix);

}  // namespace brenlow
