#pragma once

#include <string>
#include <utility>
#include <vector>

#include "experiments/dataset_outcome.h"

namespace brenlow {

// The aggregate points of a data set taken a picture at a time: after every picture is added, what
// aggregatePoints gives of them all, without their points held meanwhile.
class AggregateTally {
public:
    explicit AggregateTally(const std::vector<CodecCurve>& curves);
    ~AggregateTally();
    AggregateTally(AggregateTally&&) noexcept;
    AggregateTally& operator=(AggregateTally&&) noexcept;

    void add(const PictureOutcome& picture);
    std::vector<AggregatePoint> points() const;

private:
    struct Sums;
    std::vector<std::string> curves_;
    // By curve: each quality (or size target) with its first point and its running sums, in the
    // order they first came.
    std::vector<std::vector<std::pair<SweepPoint, Sums>>> byCurve_;
};

// perPictureDeltaTable taken a picture at a time. Kept `detailed`, the rows have each picture's
// name and deltas as that gives them; otherwise only their summaries, for a caller that reads
// nothing else, and the tally keeps a number per picture and row.
class PerPictureDeltaTally {
public:
    PerPictureDeltaTally(const std::vector<CodecCurve>& curves, std::string anchor,
                         std::vector<CurveMeasure> measures, bool detailed);

    void add(const PictureOutcome& picture);
    std::vector<PerPictureDeltas> rows() const;

private:
    std::vector<std::string> curves_;
    std::string anchor_;
    std::vector<CurveMeasure> measures_;
    bool detailed_;
    std::vector<PerPictureDeltas> table_;  // names and deltas when detailed, else only what a row is of
    std::vector<std::vector<double>> rates_;      // by row, when not detailed
    std::vector<std::vector<double>> qualities_;  // the same
};

}  // namespace brenlow
