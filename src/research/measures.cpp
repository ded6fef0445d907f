#include "research/measures.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "imaging/parallel.h"
#include "io/error.h"

namespace brenlow {
namespace {

constexpr double kPeak = 255.0;
constexpr int kWindow = 11;
constexpr double kSigma = 1.5;
constexpr double kC1 = (0.01 * kPeak) * (0.01 * kPeak);
constexpr double kC2 = (0.03 * kPeak) * (0.03 * kPeak);

// The common area of two pictures, rows counted from the bottom as plane rows are.
struct CommonArea {
    const QImage& reference;
    const QImage& test;
    int width = 0;
    int height = 0;

    const uchar* referenceRow(int r) const { return reference.constScanLine(reference.height() - 1 - r); }
    const uchar* testRow(int r) const { return test.constScanLine(test.height() - 1 - r); }
};

double luma(const uchar* bgr) { return 0.299 * bgr[2] + 0.587 * bgr[1] + 0.114 * bgr[0]; }

double psnrOf(double squaredError, double samples) {
    if (squaredError == 0.0) return std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(kPeak * kPeak / (squaredError / samples));
}

// Squared errors of one row: whole numbers per byte (blue, green, red), luma in double.
struct RowErrors {
    std::array<std::uint64_t, 3> channel{};
    double luma = 0.0;
};

RowErrors rowErrors(const uchar* a, const uchar* b, int width) {
    RowErrors errors;
    for (int c = 0; c < width; ++c) {
        for (int byte = 0; byte < 3; ++byte) {
            const int difference = a[3 * c + byte] - b[3 * c + byte];
            errors.channel[static_cast<std::size_t>(byte)] += static_cast<std::uint64_t>(difference * difference);
        }
        const double difference = luma(a + 3 * c) - luma(b + 3 * c);
        errors.luma += difference * difference;
    }
    return errors;
}

std::array<double, kWindow> gaussianWindow() {
    std::array<double, kWindow> weights{};
    for (int k = 0; k < kWindow; ++k) {
        const double offset = k - kWindow / 2;
        weights[static_cast<std::size_t>(k)] = std::exp(-offset * offset / (2.0 * kSigma * kSigma));
    }
    const double sum = std::accumulate(weights.begin(), weights.end(), 0.0);
    for (double& weight : weights) weight /= sum;
    return weights;
}

// The five window statistics (means of x, y, x^2, y^2, xy), one value per window column.
struct Moments {
    std::vector<double> x, y, xx, yy, xy;

    explicit Moments(std::size_t columns) : x(columns), y(columns), xx(columns), yy(columns), xy(columns) {}
};

// SSIM of the luma for a band of window rows, one sum per window row. The window is separable:
// each picture row is filtered across once into a ring of eleven rows, then down per window row.
class SsimBand {
public:
    SsimBand(const CommonArea& area, const std::array<double, kWindow>& weights)
        : area_(area), weights_(weights), columns_(static_cast<std::size_t>(area.width - kWindow + 1)),
          lumaX_(static_cast<std::size_t>(area.width)), lumaY_(static_cast<std::size_t>(area.width)),
          down_(columns_) {
        ring_.reserve(kWindow);
        for (int k = 0; k < kWindow; ++k) ring_.emplace_back(columns_);
    }

    void run(int firstWindowRow, int endWindowRow, std::vector<double>& rowSums) {
        for (int r = firstWindowRow; r < endWindowRow + kWindow - 1; ++r) {
            filterAcross(r, ring_[static_cast<std::size_t>(r % kWindow)]);
            const int windowRow = r - (kWindow - 1);
            if (windowRow >= firstWindowRow) rowSums[static_cast<std::size_t>(windowRow)] = ssimRowSum(windowRow);
        }
    }

private:
    void filterAcross(int r, Moments& out) {
        const uchar* a = area_.referenceRow(r);
        const uchar* b = area_.testRow(r);
        for (int c = 0; c < area_.width; ++c) {
            lumaX_[static_cast<std::size_t>(c)] = luma(a + 3 * c);
            lumaY_[static_cast<std::size_t>(c)] = luma(b + 3 * c);
        }
        for (std::size_t c = 0; c < columns_; ++c) {
            double x = 0, y = 0, xx = 0, yy = 0, xy = 0;
            for (std::size_t k = 0; k < kWindow; ++k) {
                const double w = weights_[k];
                const double p = lumaX_[c + k];
                const double q = lumaY_[c + k];
                x += w * p;
                y += w * q;
                xx += w * p * p;
                yy += w * q * q;
                xy += w * p * q;
            }
            out.x[c] = x, out.y[c] = y, out.xx[c] = xx, out.yy[c] = yy, out.xy[c] = xy;
        }
    }

    double ssimRowSum(int windowRow) {
        std::fill(down_.x.begin(), down_.x.end(), 0.0);
        std::fill(down_.y.begin(), down_.y.end(), 0.0);
        std::fill(down_.xx.begin(), down_.xx.end(), 0.0);
        std::fill(down_.yy.begin(), down_.yy.end(), 0.0);
        std::fill(down_.xy.begin(), down_.xy.end(), 0.0);
        for (int k = 0; k < kWindow; ++k) {
            const Moments& row = ring_[static_cast<std::size_t>((windowRow + k) % kWindow)];
            const double w = weights_[static_cast<std::size_t>(k)];
            for (std::size_t c = 0; c < columns_; ++c) {
                down_.x[c] += w * row.x[c];
                down_.y[c] += w * row.y[c];
                down_.xx[c] += w * row.xx[c];
                down_.yy[c] += w * row.yy[c];
                down_.xy[c] += w * row.xy[c];
            }
        }
        double sum = 0.0;
        for (std::size_t c = 0; c < columns_; ++c) {
            const double mx = down_.x[c];
            const double my = down_.y[c];
            const double vx = down_.xx[c] - mx * mx;
            const double vy = down_.yy[c] - my * my;
            const double cov = down_.xy[c] - mx * my;
            sum += ((2 * mx * my + kC1) * (2 * cov + kC2)) / ((mx * mx + my * my + kC1) * (vx + vy + kC2));
        }
        return sum;
    }

    const CommonArea& area_;
    const std::array<double, kWindow>& weights_;
    std::size_t columns_;
    std::vector<double> lumaX_, lumaY_;
    std::vector<Moments> ring_;
    Moments down_;
};

double meanSsim(const CommonArea& area) {
    if (area.width < kWindow || area.height < kWindow) return std::numeric_limits<double>::quiet_NaN();
    const int windowRows = area.height - kWindow + 1;
    const std::array<double, kWindow> weights = gaussianWindow();
    // One sum per window row, added in order afterwards: the result does not depend on the bands.
    std::vector<double> rowSums(static_cast<std::size_t>(windowRows));
    parallelRows(0, windowRows, [&](int begin, int end) { SsimBand(area, weights).run(begin, end, rowSums); }, 32);
    const double sum = std::accumulate(rowSums.begin(), rowSums.end(), 0.0);
    return sum / (static_cast<double>(windowRows) * (area.width - kWindow + 1));
}

void measurePsnr(const CommonArea& area, PictureMeasures& measures) {
    std::vector<RowErrors> rows(static_cast<std::size_t>(area.height));
    parallelRows(0, area.height, [&](int begin, int end) {
        for (int r = begin; r < end; ++r)
            rows[static_cast<std::size_t>(r)] = rowErrors(area.referenceRow(r), area.testRow(r), area.width);
    });
    RowErrors total;
    for (const RowErrors& row : rows) {
        for (std::size_t byte = 0; byte < 3; ++byte) total.channel[byte] += row.channel[byte];
        total.luma += row.luma;
    }
    const double samples = static_cast<double>(area.width) * area.height;
    measures.psnrRed = psnrOf(static_cast<double>(total.channel[2]), samples);
    measures.psnrGreen = psnrOf(static_cast<double>(total.channel[1]), samples);
    measures.psnrBlue = psnrOf(static_cast<double>(total.channel[0]), samples);
    measures.psnr = psnrOf(static_cast<double>(total.channel[0] + total.channel[1] + total.channel[2]), 3 * samples);
    measures.psnrLuma = psnrOf(total.luma, samples);
}

}  // namespace

PictureMeasures measurePictures(const QImage& reference, const QImage& test) {
    if (reference.format() != QImage::Format_BGR888 || test.format() != QImage::Format_BGR888) {
        throw Error("Measures need pictures of 24 bits per pixel");
    }
    const CommonArea area{reference, test, std::min(reference.width(), test.width()),
                          std::min(reference.height(), test.height())};
    if (area.width <= 0 || area.height <= 0) {
        throw Error("The two pictures have no pixels in common to measure");
    }
    PictureMeasures measures;
    measurePsnr(area, measures);
    measures.ssimLuma = meanSsim(area);
    return measures;
}

double bitsPerPixel(std::uint64_t codedBytes, int width, int height) {
    if (width <= 0 || height <= 0) {
        throw Error("Bits per pixel need a picture with pixels");
    }
    return 8.0 * static_cast<double>(codedBytes) / (static_cast<double>(width) * height);
}

std::string formatMeasure(double value, int decimals) {
    if (std::isnan(value)) return "n/a";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

}  // namespace brenlow
