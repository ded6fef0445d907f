#include "imaging/sharpening.h"

#include <algorithm>
#include <vector>

#include "imaging/parallel.h"
#include "imaging/row_kernels.h"

namespace brenlow {
namespace {

using Row = std::vector<float>;

// The rows a band reads but other bands change: the original row above its first row and the
// original row below its last, copied before any band starts.
struct BandEdges {
    Row above;
    Row below;
};

// Sharpens rows [begin, end) in place, keeping widened copies of the original rows above, at and
// below the current one; the row below is still original in the plane except below the band's
// last row.
void sharpenBand(float* plane, int width, int height, int begin, int end, const BandEdges& edges,
                 double strength) {
    auto rowOf = [&](int row) { return plane + static_cast<std::size_t>(row) * width; };
    std::vector<double> wide(static_cast<std::size_t>(3 * width));
    auto slot = [&](int row) { return wide.data() + static_cast<std::size_t>(row % 3) * width; };
    rows::widenRow(edges.above.data(), width, slot(begin - 1));
    rows::widenRow(rowOf(begin), width, slot(begin));
    for (int i = begin; i < end; ++i) {
        const float* next = (i + 1 < end || i + 1 == height - 1) ? rowOf(i + 1) : edges.below.data();
        rows::widenRow(next, width, slot(i + 1));
        rows::sharpenRowFromWide(rowOf(i), slot(i - 1), slot(i), slot(i + 1), width, strength);
    }
}

struct Band {
    int begin;
    int end;
};

std::vector<Band> interiorBands(int height) {
    const int interior = height - 2;
    const int count = std::clamp(interior / 64, 1, kernelThreads());
    std::vector<Band> bands;
    for (int band = 0; band < count; ++band) {
        bands.push_back({1 + interior * band / count, 1 + interior * (band + 1) / count});
    }
    return bands;
}

}  // namespace

void SharpenImage(ImagePlanes& planes, float strength) {
    const int width = planes.width();
    const int height = planes.height();
    if (width < 3 || height < 3) {
        return;
    }
    const std::vector<Band> bands = interiorBands(height);
    const int bandCount = static_cast<int>(bands.size());
    std::vector<BandEdges> edges(static_cast<std::size_t>(kChannels * bandCount));
    for (int channel = 0; channel < kChannels; ++channel) {
        for (int b = 0; b < bandCount; ++b) {
            const float* above = planes.plane(channel) + static_cast<std::size_t>(bands[b].begin - 1) * width;
            const float* below = planes.plane(channel) + static_cast<std::size_t>(bands[b].end) * width;
            edges[channel * bandCount + b] = {Row(above, above + width), Row(below, below + width)};
        }
    }
    parallelFor(kChannels * bandCount, [&](int task) {
        const Band& band = bands[task % bandCount];
        sharpenBand(planes.plane(task / bandCount), width, height, band.begin, band.end, edges[task], strength);
    });
}

}  // namespace brenlow
