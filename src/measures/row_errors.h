#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "imaging/quality_metrics.h"

namespace brenlow {

// What the PSNR family adds up over one row of a common area: the whole-number channel energies,
// and the squared luma errors added in column order, as the plain loop adds them.
struct RowErrors {
    ByteEnergies channel;
    double luma = 0.0;
};

// The squared luma errors of up to kSideBySide rows, one buffer row each, added onto their
// rows' sums: each row's additions form a chain in column order, so the rows go side by side
// instead of one chain waiting on every addition.
class LumaErrorRows {
public:
    static constexpr int kSideBySide = 8;

    explicit LumaErrorRows(std::size_t width) : width_(width), values_(kSideBySide * width) {}

    double* row(int i) { return values_.data() + static_cast<std::size_t>(i) * width_; }

    // Adds columns [0, columns) of buffer rows [0, count) onto sums[0 .. count).
    void addInColumnOrder(int count, std::size_t columns, RowErrors* sums) const;

private:
    std::size_t width_;
    std::vector<double> values_;
};

// (x - y)^2 of each column.
void squaredDifferences(const double* x, const double* y, std::size_t columns, double* out);

}  // namespace brenlow
