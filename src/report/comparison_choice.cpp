#include "report/comparison_choice.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace brenlow {
namespace {

// The detail is weighed in blocks of this side: fine enough to place the crop, coarse enough that
// the search over windows costs nothing beside reading the pixels.
constexpr int kBlock = 16;

// Each whole block's luma variance times its pixel count (the sum of squared deviations), row by row.
std::vector<double> blockDetail(const QImage& picture, int columns, int rows) {
    const QImage rgb = picture.format() == QImage::Format_RGB888 ? picture
                                                                 : picture.convertToFormat(QImage::Format_RGB888);
    std::vector<double> sums(static_cast<std::size_t>(columns) * rows, 0.0);
    std::vector<double> squares(sums.size(), 0.0);
    for (int y = 0; y < rows * kBlock; ++y) {
        const uchar* line = rgb.constScanLine(y);
        const std::size_t rowStart = static_cast<std::size_t>(y / kBlock) * columns;
        for (int column = 0; column < columns; ++column) {
            std::uint32_t sum = 0;
            std::uint64_t square = 0;
            for (const uchar* pixel = line + column * kBlock * 3, *end = pixel + kBlock * 3; pixel < end; pixel += 3) {
                // Integer Rec. 601 luma, scaled by 256: its ranking is all that matters here.
                const std::uint32_t luma = 77u * pixel[0] + 150u * pixel[1] + 29u * pixel[2];
                sum += luma;
                square += static_cast<std::uint64_t>(luma) * luma;
            }
            sums[rowStart + column] += sum;
            squares[rowStart + column] += static_cast<double>(square);
        }
    }
    constexpr double pixels = kBlock * kBlock;
    for (std::size_t i = 0; i < sums.size(); ++i) sums[i] = squares[i] - sums[i] * sums[i] / pixels;
    return sums;
}

// The top-left block of the window of `span` x `span` blocks with the most detail; (-1, -1) when no
// window has any.
QPoint mostDetailedWindow(const std::vector<double>& detail, int columns, int rows, int spanX, int spanY) {
    // Summed-area table: each window's total in four look-ups.
    const int stride = columns + 1;
    std::vector<double> table(static_cast<std::size_t>(stride) * (rows + 1), 0.0);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x)
            table[(y + 1) * stride + x + 1] = detail[static_cast<std::size_t>(y) * columns + x] +
                                              table[y * stride + x + 1] + table[(y + 1) * stride + x] -
                                              table[y * stride + x];
    QPoint best(-1, -1);
    double bestDetail = 0.0;
    for (int y = 0; y + spanY <= rows; ++y)
        for (int x = 0; x + spanX <= columns; ++x) {
            const double total = table[(y + spanY) * stride + x + spanX] - table[y * stride + x + spanX] -
                                 table[(y + spanY) * stride + x] + table[y * stride + x];
            if (total > bestDetail) {
                bestDetail = total;
                best = QPoint(x, y);
            }
        }
    return best;
}

}  // namespace

std::vector<std::size_t> chosenPointPlaces(std::size_t count) {
    if (count <= 3) {
        std::vector<std::size_t> all(count);
        for (std::size_t i = 0; i < count; ++i) all[i] = i;
        return all;
    }
    return {0, (count - 1) / 2, count - 1};
}

int cropSideFor(std::size_t crops) {
    constexpr double kPixelBudget = 6'000'000.0;
    constexpr int kLargest = 256;
    constexpr int kSmallest = 128;
    if (crops == 0) return kLargest;
    const int side = static_cast<int>(std::sqrt(kPixelBudget / static_cast<double>(crops))) / kBlock * kBlock;
    return std::clamp(side, kSmallest, kLargest);
}

QRect detailedCropRegion(const QImage& picture, int side) {
    const int width = std::min(side, picture.width());
    const int height = std::min(side, picture.height());
    const QRect centre((picture.width() - width) / 2, (picture.height() - height) / 2, width, height);
    const int columns = picture.width() / kBlock;
    const int rows = picture.height() / kBlock;
    const int spanX = std::max(1, width / kBlock);
    const int spanY = std::max(1, height / kBlock);
    if (columns < spanX || rows < spanY) return centre;
    const QPoint window = mostDetailedWindow(blockDetail(picture, columns, rows), columns, rows, spanX, spanY);
    if (window.x() < 0) return centre;
    const int x = std::clamp(window.x() * kBlock, 0, picture.width() - width);
    const int y = std::clamp(window.y() * kBlock, 0, picture.height() - height);
    return QRect(x, y, width, height);
}

}  // namespace brenlow
