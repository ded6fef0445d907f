#include "imaging/enlarge_sharpen.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/parallel.h"
#include "imaging/row_kernels.h"
#include "io/bitmap_file.h"
#include "io/error.h"

namespace brenlow {
namespace {

using RowSink = std::function<void(int row, const float* samples)>;

// One sharpening pass over a stream of rows that arrive in order. Row r leaves once row r + 1 has
// arrived (the first and last rows leave unchanged), so a pass holds only three rows.
class SharpeningPass {
public:
    SharpeningPass(int width, int height, double strength, RowSink next)
        : width_(width), height_(height), strength_(strength), next_(std::move(next)),
          wide_(static_cast<std::size_t>(3 * width)), out_(static_cast<std::size_t>(width)) {}

    void take(int row, const float* samples) {
        rows::widenRow(samples, width_, wide(row));
        if (row == 0) {
            next_(0, samples);
        }
        if (row >= 2) {
            const int done = row - 1;
            // The border columns keep their values; doubles made from floats narrow back exactly.
            out_.front() = static_cast<float>(wide(done)[0]);
            out_.back() = static_cast<float>(wide(done)[width_ - 1]);
            rows::sharpenRowFromWide(out_.data(), wide(done - 1), wide(done), wide(row), width_, strength_);
            next_(done, out_.data());
        }
        if (row == height_ - 1 && row > 0) {
            next_(row, samples);
        }
    }

private:
    double* wide(int row) { return wide_.data() + static_cast<std::size_t>(row % 3) * width_; }

    int width_;
    int height_;
    double strength_;
    RowSink next_;
    std::vector<double> wide_;
    std::vector<float> out_;
};

// The enlargement of one channel, handing each finished row on in order. A row is finished when
// the row below it in plane order is seeded, exactly as after a whole seed pass.
void enlargeChannel(const float* source, int sourceWidth, int width, int height, const RowSink& sink) {
    std::vector<float> window(static_cast<std::size_t>(4 * width));
    auto slot = [&](int row) { return window.data() + static_cast<std::size_t>(row % 4) * width; };
    auto finish = [&](int row) {
        rows::fillRow(slot(row), slot(std::max(row - 1, 0)), slot(std::min(row + 1, height - 1)), width);
        sink(row, slot(row));
    };
    for (int i = 0; i < height; i += 2) {
        rows::seedRowPair(source, sourceWidth, slot(i), slot(i + 1), i, width);
        if (i > 0) {
            finish(i - 1);
        }
        finish(i);
    }
    finish(height - 1);
}

// Runs one channel through the enlargement and every pass; the last pass's rows go to the bytes
// of that channel and, when wanted, to its plane.
void streamChannel(const ImagePlanes& src, int channel, float strength, int passes, std::uint8_t* bytes,
                   float* plane) {
    const int width = 2 * src.width();
    const int height = 2 * src.height();
    RowSink sink = [&](int row, const float* samples) {
        const std::size_t offset = static_cast<std::size_t>(row) * width;
        rows::narrowRow(samples, width, bytes + offset);
        if (plane != nullptr) {
            std::copy_n(samples, width, plane + offset);
        }
    };
    // Pass k hands its rows to pass k + 1, the last one to the sink.
    std::vector<SharpeningPass> chain;
    chain.reserve(static_cast<std::size_t>(passes));
    for (int k = 0; k < passes; ++k) {
        RowSink next = k + 1 < passes ? RowSink([&chain, k](int row, const float* samples) {
            chain[static_cast<std::size_t>(k + 1)].take(row, samples);
        })
                                      : sink;
        chain.emplace_back(width, height, strength, std::move(next));
    }
    const RowSink first =
        passes > 0 ? RowSink([&chain](int row, const float* samples) { chain.front().take(row, samples); }) : sink;
    enlargeChannel(src.plane(channel), src.width(), width, height, first);
}

}  // namespace

QImage EnlargeAndSharpenToBitmap(const ImagePlanes& src, float strength, int passes, ImagePlanes* planes) {
    if (src.width() < 2 || src.height() < 2) {
        throw Error("A picture of " + std::to_string(src.width()) + " x " + std::to_string(src.height()) +
                    " is too small to enlarge (at least 2 x 2 is needed)");
    }
    if (passes < 0) {
        throw Error("The number of sharpening passes cannot be negative");
    }
    const int width = 2 * src.width();
    const int height = 2 * src.height();
    if (planes != nullptr) {
        *planes = ImagePlanes(width, height);
    }
    const std::size_t samples = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> bytes(kChannels * samples);
    // Each channel's fill pass depends on its own earlier rows, so the channels run side by side,
    // one thread each, however many cores share them.
    parallelFor(kChannels, kChannels, [&](int channel) {
        streamChannel(src, channel, strength, passes, bytes.data() + channel * samples,
                      planes != nullptr ? planes->plane(channel) : nullptr);
    });
    QImage bitmap = makeBitmap(width, height);
    parallelRows(0, height, [&](int rowBegin, int rowEnd) {
        for (int pictureRow = rowBegin; pictureRow < rowEnd; ++pictureRow) {
            const std::size_t offset = static_cast<std::size_t>(height - 1 - pictureRow) * width;
            rows::interleaveRow(bytes.data() + offset, bytes.data() + samples + offset,
                                bytes.data() + 2 * samples + offset, width, bitmap.scanLine(pictureRow));
        }
    });
    return bitmap;
}

}  // namespace brenlow
