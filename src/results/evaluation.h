#pragma once

#include <string>
#include <vector>

#include "results/dataset_run.h"

namespace brenlow {

// A codec that ran elsewhere, measured from its decoded pictures: each reference picture against
// its decoded version at each point of the decoded folder (see decoded_folder.h).
struct Evaluation {
    std::vector<std::string> pictures;  // the reference pictures
    std::string decodedFolder;
    std::string name;                   // the curve's and its codec's name
    MeasureChoice measures;             // every measure, unless a caller leaves slow ones out
    LibraryVersions versions;
    std::string resultFolder;           // empty: the results are held in memory only
};

// The curve an evaluation makes: a codec not built in, named `name`, at the points' qualities.
CodecCurve evaluationCurve(const std::string& name);

// Throws Error before anything is measured or written when two reference pictures share a stem
// (decoded pictures are found by stem, so both would be measured against one) or the decoded
// folder's points are refused (decodedPoints).
void checkEvaluationInputs(const Evaluation& evaluation);

// Measures every picture at every point and, with a result folder, files its manifest and one
// result per picture as `sweep --out` does, so merge and report read it like any run's. A picture
// whose decoded picture or coded size is missing, unreadable or of the wrong size is a failed item
// naming the point, the picture and the file; the others go on. Throws Error as
// checkEvaluationInputs does, or when the result folder cannot be written.
DataSetWork runEvaluation(const Evaluation& evaluation);

}  // namespace brenlow
