#include "research/structural_similarity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "imaging/parallel.h"
#include "imaging/vector_clones.h"

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

// Luma of one row of BGR pixels.
BRENLOW_VECTOR_CLONES void lumaOfRow(const uchar* bgr, int width, double* luma) {
    for (int c = 0; c < width; ++c) luma[c] = lumaOf(bgr + 3 * c);
}

// The full-size scale, its luma worked out row by row from the pixels.
class AreaLuma {
public:
    explicit AreaLuma(const CommonArea& area) : area_(area) {}

    int width() const { return area_.width; }
    int height() const { return area_.height; }

    void lumaRow(int r, double* x, double* y) const {
        lumaOfRow(area_.referenceRow(r), area_.width, x);
        lumaOfRow(area_.testRow(r), area_.width, y);
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

BRENLOW_VECTOR_CLONES void halveRow(const double* lower, const double* upper, int width, double* half) {
    for (int c = 0; c < width; ++c)
        half[c] = (lower[2 * c] + lower[2 * c + 1] + upper[2 * c] + upper[2 * c + 1]) / 4.0;
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
            halveRow(x0.data(), x1.data(), half.width(), half.xRow(r));
            halveRow(y0.data(), y1.data(), half.width(), half.yRow(r));
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

// Which of the three sums a scale needs: the others cost two divisions per window for nothing.
struct WantedSums {
    bool ssim = true;
    bool contrastStructure = true;
    bool luminance = true;
};

using Weights = std::array<double, kWindow>;

// The window across one row, a block of columns at a time so that the five sums stay in the
// cache. Each sum adds its eleven products in window order, the products formed as (w p) p, so
// the figures are those of the plain one-window-at-a-time loop.
BRENLOW_VECTOR_CLONES void filterAcrossBlock(const double* __restrict p, const double* __restrict q, std::size_t columns,
                                             const Weights& weights, double* __restrict x, double* __restrict y,
                                             double* __restrict xx, double* __restrict yy, double* __restrict xy) {
    for (std::size_t c = 0; c < columns; ++c) x[c] = y[c] = xx[c] = yy[c] = xy[c] = 0.0;
    for (std::size_t k = 0; k < kWindow; ++k) {
        const double w = weights[k];
        for (std::size_t c = 0; c < columns; ++c) {
            const double wp = w * p[c + k];
            const double wq = w * q[c + k];
            x[c] += wp;
            y[c] += wq;
            xx[c] += wp * p[c + k];
            yy[c] += wq * q[c + k];
            xy[c] += wp * q[c + k];
        }
    }
}

void filterAcross(const double* p, const double* q, std::size_t columns, const Weights& weights, Moments& out) {
    constexpr std::size_t kBlock = 512;
    for (std::size_t begin = 0; begin < columns; begin += kBlock)
        filterAcrossBlock(p + begin, q + begin, std::min(kBlock, columns - begin), weights, out.x.data() + begin,
                          out.y.data() + begin, out.xx.data() + begin, out.yy.data() + begin, out.xy.data() + begin);
}

// One moment of a window row: its eleven filtered rows, top of the window first.
using WindowColumn = std::array<const double*, kWindow>;

BRENLOW_VECTOR_CLONES void filterDown(const WindowColumn& rows, std::size_t columns, const Weights& weights,
                                      double* __restrict out) {
    for (std::size_t c = 0; c < columns; ++c) {
        double sum = 0;
#pragma GCC unroll 11
        for (std::size_t k = 0; k < kWindow; ++k) sum += weights[k] * rows[k][c];
        out[c] = sum;
    }
}

// The numerators and denominators of the luminance and contrast-structure terms of every window
// of a row, from its five window means.
struct TermParts {
    std::vector<double> luminanceNumerator, luminanceDenominator, contrastNumerator, contrastDenominator;

    explicit TermParts(std::size_t columns)
        : luminanceNumerator(columns), luminanceDenominator(columns), contrastNumerator(columns),
          contrastDenominator(columns) {}
};

BRENLOW_VECTOR_CLONES void termParts(const Moments& down, std::size_t columns, TermParts& parts) {
    const double* __restrict mxs = down.x.data();
    const double* __restrict mys = down.y.data();
    const double* __restrict xxs = down.xx.data();
    const double* __restrict yys = down.yy.data();
    const double* __restrict xys = down.xy.data();
    double* __restrict luminanceNumerator = parts.luminanceNumerator.data();
    double* __restrict luminanceDenominator = parts.luminanceDenominator.data();
    double* __restrict contrastNumerator = parts.contrastNumerator.data();
    double* __restrict contrastDenominator = parts.contrastDenominator.data();
    for (std::size_t c = 0; c < columns; ++c) {
        const double mx = mxs[c];
        const double my = mys[c];
        const double vx = xxs[c] - mx * mx;
        const double vy = yys[c] - my * my;
        const double cov = xys[c] - mx * my;
        luminanceNumerator[c] = 2 * mx * my + kC1;
        luminanceDenominator[c] = mx * mx + my * my + kC1;
        contrastNumerator[c] = 2 * cov + kC2;
        contrastDenominator[c] = vx + vy + kC2;
    }
}

BRENLOW_VECTOR_CLONES void quotients(const double* __restrict numerators, const double* __restrict denominators,
                                     std::size_t columns, double* __restrict out) {
    for (std::size_t c = 0; c < columns; ++c) out[c] = numerators[c] / denominators[c];
}

// SSIM = (l_num cs_num) / (l_den cs_den), multiplied before the one division as the plain formula does.
BRENLOW_VECTOR_CLONES void ssimQuotients(const TermParts& parts, std::size_t columns, double* __restrict out) {
    const double* __restrict luminanceNumerator = parts.luminanceNumerator.data();
    const double* __restrict luminanceDenominator = parts.luminanceDenominator.data();
    const double* __restrict contrastNumerator = parts.contrastNumerator.data();
    const double* __restrict contrastDenominator = parts.contrastDenominator.data();
    for (std::size_t c = 0; c < columns; ++c)
        out[c] = (luminanceNumerator[c] * contrastNumerator[c]) / (luminanceDenominator[c] * contrastDenominator[c]);
}

// Only the terms wanted, each in a loop of its own so that each vectorises.
void windowTerms(const Moments& down, std::size_t columns, WantedSums wanted, TermParts& parts, Moments& terms) {
    termParts(down, columns, parts);
    if (wanted.ssim) ssimQuotients(parts, columns, terms.x.data());
    if (wanted.contrastStructure)
        quotients(parts.contrastNumerator.data(), parts.contrastDenominator.data(), columns, terms.y.data());
    if (wanted.luminance)
        quotients(parts.luminanceNumerator.data(), parts.luminanceDenominator.data(), columns, terms.xx.data());
}

// Adds the terms in column order, as the plain loop does; only this stays scalar.
void sumInOrder(const Moments& terms, std::size_t columns, WantedSums wanted, WindowSums& sums) {
    for (std::size_t c = 0; c < columns; ++c) {
        if (wanted.ssim) sums.ssim += terms.x[c];
        if (wanted.contrastStructure) sums.contrastStructure += terms.y[c];
        if (wanted.luminance) sums.luminance += terms.xx[c];
    }
}

// Window sums of the luma for a band of window rows, one per window row. The window is separable:
// each picture row is filtered across once into a ring of eleven rows, then down per window row.
template <typename Source>
class SsimBand {
public:
    SsimBand(const Source& source, const Weights& weights, WantedSums wanted)
        : source_(source), weights_(weights), wanted_(wanted),
          columns_(static_cast<std::size_t>(source.width() - kWindow + 1)),
          lumaX_(static_cast<std::size_t>(source.width())), lumaY_(static_cast<std::size_t>(source.width())),
          down_(kDownBlock), parts_(kDownBlock), terms_(kDownBlock) {
        ring_.reserve(kWindow);
        for (int k = 0; k < kWindow; ++k) ring_.emplace_back(columns_);
    }

    void run(int firstWindowRow, int endWindowRow, std::vector<WindowSums>& rowSums) {
        for (int r = firstWindowRow; r < endWindowRow + kWindow - 1; ++r) {
            source_.lumaRow(r, lumaX_.data(), lumaY_.data());
            filterAcross(lumaX_.data(), lumaY_.data(), columns_, weights_, ring_[static_cast<std::size_t>(r % kWindow)]);
            const int windowRow = r - (kWindow - 1);
            if (windowRow >= firstWindowRow) rowSums[static_cast<std::size_t>(windowRow)] = windowRowSums(windowRow);
        }
    }

private:
    WindowColumn column(int windowRow, std::vector<double> Moments::*moment, std::size_t firstColumn) const {
        WindowColumn rows{};
        for (int k = 0; k < kWindow; ++k)
            rows[static_cast<std::size_t>(k)] =
                (ring_[static_cast<std::size_t>((windowRow + k) % kWindow)].*moment).data() + firstColumn;
        return rows;
    }

    // A block of columns at a time, filtered down and turned into terms while they are in the
    // cache; the sums go on in column order from one block to the next.
    WindowSums windowRowSums(int windowRow) {
        WindowSums sums;
        for (std::size_t begin = 0; begin < columns_; begin += kDownBlock) {
            const std::size_t count = std::min(kDownBlock, columns_ - begin);
            for (auto moment : {&Moments::x, &Moments::y, &Moments::xx, &Moments::yy, &Moments::xy})
                filterDown(column(windowRow, moment, begin), count, weights_, (down_.*moment).data());
            windowTerms(down_, count, wanted_, parts_, terms_);
            sumInOrder(terms_, count, wanted_, sums);
        }
        return sums;
    }

    static constexpr std::size_t kDownBlock = 256;

    const Source& source_;
    const Weights& weights_;
    WantedSums wanted_;
    std::size_t columns_;
    std::vector<double> lumaX_, lumaY_;
    std::vector<Moments> ring_;
    Moments down_;
    TermParts parts_;
    Moments terms_;  // x: SSIM, y: contrast-structure, xx: luminance of each window
};

// Means over all windows of one scale. One sum per window row, added in order afterwards: the
// result does not depend on how the rows were split into bands.
template <typename Source>
WindowSums windowMeans(const Source& source, const Weights& weights, WantedSums wanted) {
    const int windowRows = source.height() - kWindow + 1;
    std::vector<WindowSums> rowSums(static_cast<std::size_t>(windowRows));
    parallelRows(
        0, windowRows,
        [&](int begin, int end) { SsimBand<Source>(source, weights, wanted).run(begin, end, rowSums); }, 32);
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
double multiScaleSsim(const AreaLuma& full, const WindowSums& fullMeans, const Weights& weights) {
    double product = scaleFactor(fullMeans.contrastStructure, 0);
    LumaPlanes scale = halved(full);
    for (std::size_t j = 1; j < kScaleWeights.size(); ++j) {
        const bool coarsest = j + 1 == kScaleWeights.size();
        const WindowSums means = windowMeans(scale, weights, {false, true, coarsest});
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
    const Weights weights = gaussianWindow();
    const AreaLuma full(area);
    const bool fits = multiScale && coarsestScaleHoldsAWindow(area);
    const WindowSums fullMeans = windowMeans(full, weights, {true, fits, false});
    return {fullMeans.ssim, fits ? multiScaleSsim(full, fullMeans, weights) : kNaN};
}

}  // namespace brenlow
