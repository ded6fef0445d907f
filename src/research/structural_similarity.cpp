#include "research/structural_similarity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "imaging/parallel.h"

namespace brenlow {
namespace {

constexpr double kPeak = 255.0;
constexpr int kWindow = 11;
constexpr double kSigma = 1.5;
constexpr double kC1 = (0.01 * kPeak) * (0.01 * kPeak);
constexpr double kC2 = (0.03 * kPeak) * (0.03 * kPeak);
constexpr std::array<double, 5> kScaleWeights = {0.0448, 0.2856, 0.3001, 0.2363, 0.1333};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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

// The full-size scale, its luma worked out row by row from the pixels.
class AreaLuma {
public:
    explicit AreaLuma(const CommonArea& area) : area_(area) {}

    int width() const { return area_.width; }
    int height() const { return area_.height; }

    void lumaRow(int r, double* x, double* y) const {
        const uchar* a = area_.referenceRow(r);
        const uchar* b = area_.testRow(r);
        for (int c = 0; c < area_.width; ++c) {
            x[c] = lumaOf(a + 3 * c);
            y[c] = lumaOf(b + 3 * c);
        }
    }

private:
    const CommonArea& area_;
};

// A coarser scale: the luma of both pictures held in memory, row 0 at the bottom.
class LumaPlanes {
public:
    LumaPlanes(int width, int height)
        : width_(width), height_(height), x_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)),
          y_(x_.size()) {}

    int width() const { return width_; }
    int height() const { return height_; }

    void lumaRow(int r, double* x, double* y) const {
        std::copy_n(xRow(r), width_, x);
        std::copy_n(yRow(r), width_, y);
    }

    const double* xRow(int r) const { return x_.data() + offset(r); }
    const double* yRow(int r) const { return y_.data() + offset(r); }
    double* xRow(int r) { return x_.data() + offset(r); }
    double* yRow(int r) { return y_.data() + offset(r); }

private:
    std::size_t offset(int r) const { return static_cast<std::size_t>(r) * static_cast<std::size_t>(width_); }

    int width_;
    int height_;
    std::vector<double> x_, y_;
};

double average(double topLeft, double topRight, double bottomLeft, double bottomRight) {
    return (topLeft + topRight + bottomLeft + bottomRight) / 4.0;
}

// The next scale down: each value the mean of a 2 x 2 cell, a last odd row or column dropped.
template <typename Source>
LumaPlanes halved(const Source& source) {
    LumaPlanes half(source.width() / 2, source.height() / 2);
    parallelRows(0, half.height(), [&](int begin, int end) {
        std::vector<double> x0(static_cast<std::size_t>(source.width())), y0(x0.size()), x1(x0.size()), y1(x0.size());
        for (int r = begin; r < end; ++r) {
            source.lumaRow(2 * r, x0.data(), y0.data());
            source.lumaRow(2 * r + 1, x1.data(), y1.data());
            double* x = half.xRow(r);
            double* y = half.yRow(r);
            for (std::size_t c = 0; c < static_cast<std::size_t>(half.width()); ++c) {
                x[c] = average(x0[2 * c], x0[2 * c + 1], x1[2 * c], x1[2 * c + 1]);
                y[c] = average(y0[2 * c], y0[2 * c + 1], y1[2 * c], y1[2 * c + 1]);
            }
        }
    });
    return half;
}

// The five window statistics (means of x, y, x^2, y^2, xy), one value per window column.
struct Moments {
    std::vector<double> x, y, xx, yy, xy;

    explicit Moments(std::size_t columns) : x(columns), y(columns), xx(columns), yy(columns), xy(columns) {}
};

// Sums over the windows of one row: SSIM and its two factors.
struct WindowSums {
    double ssim = 0.0;
    double contrastStructure = 0.0;
    double luminance = 0.0;
};

// Window sums of the luma for a band of window rows, one per window row. The window is separable:
// each picture row is filtered across once into a ring of eleven rows, then down per window row.
template <typename Source>
class SsimBand {
public:
    SsimBand(const Source& source, const std::array<double, kWindow>& weights)
        : source_(source), weights_(weights), columns_(static_cast<std::size_t>(source.width() - kWindow + 1)),
          lumaX_(static_cast<std::size_t>(source.width())), lumaY_(static_cast<std::size_t>(source.width())),
          down_(columns_) {
        ring_.reserve(kWindow);
        for (int k = 0; k < kWindow; ++k) ring_.emplace_back(columns_);
    }

    void run(int firstWindowRow, int endWindowRow, std::vector<WindowSums>& rowSums) {
        for (int r = firstWindowRow; r < endWindowRow + kWindow - 1; ++r) {
            filterAcross(r, ring_[static_cast<std::size_t>(r % kWindow)]);
            const int windowRow = r - (kWindow - 1);
            if (windowRow >= firstWindowRow) rowSums[static_cast<std::size_t>(windowRow)] = windowRowSums(windowRow);
        }
    }

private:
    void filterAcross(int r, Moments& out) {
        source_.lumaRow(r, lumaX_.data(), lumaY_.data());
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

    void filterDown(int windowRow) {
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
    }

    WindowSums windowRowSums(int windowRow) {
        filterDown(windowRow);
        WindowSums sums;
        for (std::size_t c = 0; c < columns_; ++c) {
            const double mx = down_.x[c];
            const double my = down_.y[c];
            const double vx = down_.xx[c] - mx * mx;
            const double vy = down_.yy[c] - my * my;
            const double cov = down_.xy[c] - mx * my;
            sums.ssim += ((2 * mx * my + kC1) * (2 * cov + kC2)) / ((mx * mx + my * my + kC1) * (vx + vy + kC2));
            sums.contrastStructure += (2 * cov + kC2) / (vx + vy + kC2);
            sums.luminance += (2 * mx * my + kC1) / (mx * mx + my * my + kC1);
        }
        return sums;
    }

    const Source& source_;
    const std::array<double, kWindow>& weights_;
    std::size_t columns_;
    std::vector<double> lumaX_, lumaY_;
    std::vector<Moments> ring_;
    Moments down_;
};

// Means over all windows of one scale. One sum per window row, added in order afterwards: the
// result does not depend on how the rows were split into bands.
template <typename Source>
WindowSums windowMeans(const Source& source, const std::array<double, kWindow>& weights) {
    const int windowRows = source.height() - kWindow + 1;
    std::vector<WindowSums> rowSums(static_cast<std::size_t>(windowRows));
    parallelRows(
        0, windowRows, [&](int begin, int end) { SsimBand<Source>(source, weights).run(begin, end, rowSums); }, 32);
    WindowSums total;
    for (const WindowSums& row : rowSums) {
        total.ssim += row.ssim;
        total.contrastStructure += row.contrastStructure;
        total.luminance += row.luminance;
    }
    const double windows = static_cast<double>(windowRows) * (source.width() - kWindow + 1);
    return {total.ssim / windows, total.contrastStructure / windows, total.luminance / windows};
}

double scaleFactor(double term, std::size_t scale) { return std::pow(std::max(term, 0.0), kScaleWeights[scale]); }

// Scales 2 to 5 given the full-size means; the caller has checked that the coarsest holds a window.
double multiScaleSsim(const AreaLuma& full, const WindowSums& fullMeans, const std::array<double, kWindow>& weights) {
    double product = scaleFactor(fullMeans.contrastStructure, 0);
    LumaPlanes scale = halved(full);
    for (std::size_t j = 1; j < kScaleWeights.size(); ++j) {
        const WindowSums means = windowMeans(scale, weights);
        product *= scaleFactor(means.contrastStructure, j);
        if (j + 1 < kScaleWeights.size()) {
            scale = halved(scale);
        } else {
            product *= std::pow(means.luminance, kScaleWeights[j]);
        }
    }
    return product;
}

bool coarsestScaleHoldsAWindow(const CommonArea& area) {
    const int halvings = static_cast<int>(kScaleWeights.size()) - 1;
    return (area.width >> halvings) >= kWindow && (area.height >> halvings) >= kWindow;
}

}  // namespace

LumaSimilarity lumaSimilarity(const CommonArea& area, bool multiScale) {
    if (area.width < kWindow || area.height < kWindow) return {kNaN, kNaN};
    const std::array<double, kWindow> weights = gaussianWindow();
    const AreaLuma full(area);
    const WindowSums fullMeans = windowMeans(full, weights);
    const bool fits = multiScale && coarsestScaleHoldsAWindow(area);
    return {fullMeans.ssim, fits ? multiScaleSsim(full, fullMeans, weights) : kNaN};
}

}  // namespace brenlow
