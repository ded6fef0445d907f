#include "imaging/enlarge_sharpen.h"

#include <algorithm>
#include <array>
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

// Where a channel's enlargement reads its source: plane rows of floats, by row number (0 at the
// bottom). Rows are asked for in rising order, two at a time.
using SourceRows = std::function<const float*(int row)>;

// The enlargement of one channel, handing each finished row on in order. A row is finished when
// the row below it in plane order is seeded, exactly as after a whole seed pass.
void enlargeChannel(const SourceRows& source, int width, int height, const RowSink& sink) {
    std::vector<float> window(static_cast<std::size_t>(4 * width));
    auto slot = [&](int row) { return window.data() + static_cast<std::size_t>(row % 4) * width; };
    auto finish = [&](int row) {
        rows::fillRow(slot(row), slot(std::max(row - 1, 0)), slot(std::min(row + 1, height - 1)), width);
        sink(row, slot(row));
    };
    for (int i = 0; i < height; i += 2) {
        const int sourceRow = rows::seedSourceRow(i);
        const float* below = source(sourceRow);
        rows::seedRowPair(below, source(sourceRow + 1), slot(i), slot(i + 1), width);
        if (i > 0) {
            finish(i - 1);
        }
        finish(i);
    }
    finish(height - 1);
}

// The pixels of a 24-bit bitmap, taken once before the threads start (taking a QImage's lines
// may detach it).
struct PixelRows {
    std::uint8_t* firstLine;
    std::size_t bytesPerLine;
};

// Runs one channel through the enlargement and every pass; the last pass's rows go to that
// channel's bytes of the pixels and, when wanted, to its plane.
void streamChannel(const SourceRows& source, int channel, int width, int height, float strength, int passes,
                   PixelRows pixels, float* plane, RowsInTheMaking* progress) {
    // Byte 0 of a pixel is blue, byte 2 red; plane row 0 is the picture's last line.
    const int byteOfChannel = 2 - channel;
    RowSink sink = [&](int row, const float* samples) {
        std::uint8_t* line = pixels.firstLine + static_cast<std::size_t>(height - 1 - row) * pixels.bytesPerLine;
        rows::narrowRowIntoPixels(samples, width, line + byteOfChannel);
        if (plane != nullptr) {
            std::copy_n(samples, width, plane + static_cast<std::size_t>(row) * width);
        }
        if (progress != nullptr) {
            progress->finish(channel, row + 1);
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
    enlargeChannel(source, width, height, first);
}

// One channel of a 24-bit bitmap as plane rows of floats, each byte b read as values[b]. It keeps
// the last two rows it made, which is all the enlargement ever asks for again.
class ByteChannelRows {
public:
    ByteChannelRows(const QImage& src, const SampleValues& values, int channel)
        : src_(&src), values_(&values), byteOfChannel_(2 - channel),
          rows_(2 * static_cast<std::size_t>(src.width())) {}

    const float* operator()(int row) {
        const int width = src_->width();
        float* samples = rows_.data() + static_cast<std::size_t>(row % 2) * width;
        if (madeRows_[row % 2] != row) {
            const uchar* pixels = src_->constScanLine(src_->height() - 1 - row) + byteOfChannel_;
            for (int x = 0; x < width; ++x) {
                samples[x] = (*values_)[pixels[3 * x]];
            }
            madeRows_[row % 2] = row;
        }
        return samples;
    }

private:
    const QImage* src_;
    const SampleValues* values_;
    int byteOfChannel_;
    std::vector<float> rows_;
    std::array<int, 2> madeRows_{-1, -1};
};

void requireEnlargeable(int width, int height, int passes) {
    if (width < 2 || height < 2) {
        throw Error("A picture of " + std::to_string(width) + " x " + std::to_string(height) +
                    " is too small to enlarge (at least 2 x 2 is needed)");
    }
    if (passes < 0) {
        throw Error("The number of sharpening passes cannot be negative");
    }
}

// The three channels of a source of the given size, each from its own rows.
using ChannelSource = std::function<SourceRows(int channel)>;

QImage enlargeAndSharpen(const ChannelSource& channelSource, int sourceWidth, int sourceHeight, float strength,
                         int passes, ImagePlanes* planes, BitmapInTheMaking* output, RowsInTheMaking* progress) {
    requireEnlargeable(sourceWidth, sourceHeight, passes);
    const int width = 2 * sourceWidth;
    const int height = 2 * sourceHeight;
    if (planes != nullptr) {
        *planes = ImagePlanes(width, height);
    }
    QImage bitmap = output != nullptr ? output->take(width, height) : makeBitmap(width, height);
    const PixelRows pixels{bitmap.bits(), static_cast<std::size_t>(bitmap.bytesPerLine())};
    if (progress != nullptr) {
        progress->begin(bitmap);
    }
    // Each channel's fill pass depends on its own earlier rows, so the channels run side by side,
    // one thread each, however many cores share them; each writes only its own byte of a pixel.
    parallelFor(kChannels, kChannels, [&](int channel) {
        streamChannel(channelSource(channel), channel, width, height, strength, passes, pixels,
                      planes != nullptr ? planes->plane(channel) : nullptr, progress);
    });
    return bitmap;
}

}  // namespace

QImage EnlargeAndSharpenToBitmap(const ImagePlanes& src, float strength, int passes, ImagePlanes* planes) {
    const ChannelSource fromPlanes = [&src](int channel) {
        const float* plane = src.plane(channel);
        const auto width = static_cast<std::size_t>(src.width());
        return SourceRows([plane, width](int row) { return plane + static_cast<std::size_t>(row) * width; });
    };
    return enlargeAndSharpen(fromPlanes, src.width(), src.height(), strength, passes, planes, nullptr, nullptr);
}

QImage EnlargeAndSharpenToBitmap(const QImage& src, const SampleValues& values, float strength, int passes,
                                 ImagePlanes* planes, BitmapInTheMaking* output, RowsInTheMaking* progress) {
    if (src.format() != QImage::Format_BGR888) {
        throw Error("Only 24-bit pictures can be enlarged from their bytes");
    }
    const int width = src.width();
    const int height = src.height();
    const ChannelSource fromBytes = [&src, &values](int channel) {
        return SourceRows(ByteChannelRows(src, values, channel));
    };
    return enlargeAndSharpen(fromBytes, width, height, strength, passes, planes, output, progress);
}

}  // namespace brenlow
