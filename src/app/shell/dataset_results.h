#pragma once

#include <QDate>
#include <QString>
#include <vector>

#include "brenlow/codec.h"

namespace brenlow {

// Where a workbench data set keeps its results: the folder under the user's application data that
// holds one result folder per run, unless the user picked one.
QString workbenchResultsHome();

// A folder in `home` not taken yet, named by the day and the curves ("2026-12-09 jpeg avc ajc",
// then "... 2", "... 3"), so that a run never resumes another by chance.
QString datedResultFolder(const QString& home, const std::vector<CodecCurve>& curves, const QDate& day);

// The result folder the user picked in the data set dialog; empty for a new dated folder each run.
QString rememberedDataSetResults();
void rememberDataSetResults(const QString& folder);

}  // namespace brenlow
