#include "measures/row_errors.h"

#include <algorithm>

#include "imaging/vector_clones.h"

namespace brenlow {

void LumaErrorRows::addInColumnOrder(int count, std::size_t columns, RowErrors* sums) const {
    std::array<double, kSideBySide> added{};
    std::array<const double*, kSideBySide> rows{};
    for (int i = 0; i < kSideBySide; ++i) {
        const int source = std::min(i, count - 1);
        rows[static_cast<std::size_t>(i)] = values_.data() + static_cast<std::size_t>(source) * width_;
        added[static_cast<std::size_t>(i)] = sums[source].luma;
    }
    for (std::size_t c = 0; c < columns; ++c)
        for (std::size_t i = 0; i < kSideBySide; ++i) added[i] += rows[i][c];
    for (int i = 0; i < count; ++i) sums[i].luma = added[static_cast<std::size_t>(i)];
}

BRENLOW_WIDE_VECTOR_CLONES void squaredDifferences(const double* __restrict x, const double* __restrict y,
                                                   std::size_t columns, double* __restrict out) {
    for (std::size_t c = 0; c < columns; ++c) {
        const double difference = x[c] - y[c];
        out[c] = difference * difference;
    }
}

}  // namespace brenlow
