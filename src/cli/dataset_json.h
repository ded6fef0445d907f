#pragma once

#include <QJsonObject>

#include "research/dataset_outcome.h"

namespace brenlow::cli {

// A data set's sweep as one object: the parameters and library versions its results were made
// with, the pictures, every point with its picture, the aggregate per codec and quality, and the
// delta rates on the aggregate curves and summarised over the pictures.
QJsonObject dataSetJson(const DataSetOutcome& outcome, StillCodec anchor, double seconds);

}  // namespace brenlow::cli
