#include "measures/structural_similarity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <numeric>
#include <optional>
#include <type_traits>
#include <vector>

#if defined(__unix__)
#endif

#include "imaging/parallel.h"
#include "io/large_memory.h"
#include "imaging/vector_clones.h"

// The filters come in one version per vector width, each lane working out the same operations in
// the same order, so only the speed changes.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define SSIM_MULTIVERSIONED 1
#define SSIM_TARGET(name) __attribute__((target(name)))
#else
#define SSIM_MULTIVERSIONED 0
#define SSIM_TARGET(name)
#endif

namespace brenlow {
namespace {

constexpr double kPeak = 255.0;
constexpr int kWindow = kSsimSmallestSide;
constexpr double kSigma = 1.5;
constexpr double kC1 = (0.01 * kPeak) * (0.01 * kPeak);
constexpr double kC2 = (0.03 * kPeak) * (0.03 * kPeak);
constexpr std::array<double, 5> kScaleWeights = {0.0448, 0.2856, 0.3001, 0.2363, 0.1333};
static_assert(kMsSsimSmallestSide == kWindow << (kScaleWeights.size() - 1));
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
BRENLOW_WIDE_VECTOR_CLONES void lumaOfRow(const uchar* bgr, int width, double* luma) {
    for (int c = 0; c < width; ++c) luma[c] = lumaOf(bgr + 3 * c);
}

// Where a scale's luma of a row is: in the caller's buffers or in the scale itself.
struct LumaRows {
    const double* x;
    const double* y;
};

// The full-size scale, its luma worked out row by row from the pixels.
class AreaLuma {
public:
    explicit AreaLuma(const CommonArea& area) : area_(area) {}

    int width() const { return area_.width; }
    int height() const { return area_.height; }
    const CommonArea& area() const { return area_; }

    // Columns [first, first + count) of row r, worked out into the buffers.
    LumaRows lumaRow(int r, std::size_t first, std::size_t count, double* xBuffer, double* yBuffer) const {
        lumaOfRow(area_.referenceRow(r) + 3 * first, static_cast<int>(count), xBuffer);
        lumaOfRow(area_.testRow(r) + 3 * first, static_cast<int>(count), yBuffer);
        return {xBuffer, yBuffer};
    }

private:
    const CommonArea& area_;
};

struct FreeDoubles {
    void operator()(double* values) const { std::free(values); }
};
using UnsetDoubles = std::unique_ptr<double[], FreeDoubles>;

// Room for values that are written once before they are read.
UnsetDoubles unsetDoubles(std::size_t count) {
    void* memory = allocateLargeMemory(count * sizeof(double));
    if (memory == nullptr) throw std::bad_alloc();
    return UnsetDoubles(static_cast<double*>(memory));
}

// A coarser scale: the luma of both pictures held in memory, row 0 at the bottom.
class LumaPlanes {
public:
    // Left unset: every value is written once, by the pass over the scale above.
    LumaPlanes(int width, int height)
        : width_(width), height_(height), x_(unsetDoubles(size())), y_(unsetDoubles(size())) {}

    int width() const { return width_; }
    int height() const { return height_; }

    LumaRows lumaRow(int r, std::size_t first, std::size_t, double*, double*) const {
        return {xRow(r) + first, yRow(r) + first};
    }

    const double* xRow(int r) const { return x_.get() + offset(r); }
    const double* yRow(int r) const { return y_.get() + offset(r); }
    double* xRow(int r) { return x_.get() + offset(r); }
    double* yRow(int r) { return y_.get() + offset(r); }

private:
    std::size_t size() const { return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_); }
    std::size_t offset(int r) const { return static_cast<std::size_t>(r) * static_cast<std::size_t>(width_); }

    int width_;
    int height_;
    UnsetDoubles x_, y_;
};

// The next scale down: each value the mean of a 2 x 2 cell.
BRENLOW_WIDE_VECTOR_CLONES void halveRow(const double* lower, const double* upper, int width, double* half) {
    for (int c = 0; c < width; ++c)
        half[c] = (lower[2 * c] + lower[2 * c + 1] + upper[2 * c] + upper[2 * c + 1]) / 4.0;
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

// The filters work on whole vectors of columns, the widest the processor has, each lane doing the
// operations of one column in the order of the plain one-window-at-a-time loop: each sum adds its
// eleven products in window order, the products formed as (w p) p. The sums stay in registers,
// and the last columns that do not fill a vector take a one-lane vector.
template <int Lanes>
struct LaneCount {
    using Vector [[gnu::vector_size(Lanes * sizeof(double))]] = double;
};
template <int Lanes>
using Vector = typename LaneCount<Lanes>::Vector;

// Loads and stores through memory rather than by value: a vector return changes the calling
// convention between the versions.
template <typename V>
[[gnu::always_inline]] inline void load(const double* from, V& v) {
    std::memcpy(&v, from, sizeof v);
}

template <typename V>
[[gnu::always_inline]] inline void store(const V& v, double* to) {
    std::memcpy(to, &v, sizeof v);
}

template <typename V>
[[gnu::always_inline]] inline void filterAcrossColumns(const double* p, const double* q, const Weights& weights,
                                                       std::size_t c, Moments& out) {
    V x{}, y{}, xx{}, yy{}, xy{};
#pragma GCC unroll 11
    for (std::size_t k = 0; k < kWindow; ++k) {
        V pk, qk;
        load(p + c + k, pk);
        load(q + c + k, qk);
        const V wp = weights[k] * pk;
        const V wq = weights[k] * qk;
        x += wp;
        y += wq;
        xx += wp * pk;
        yy += wq * qk;
        xy += wp * qk;
    }
    store(x, out.x.data() + c);
    store(y, out.y.data() + c);
    store(xx, out.xx.data() + c);
    store(yy, out.yy.data() + c);
    store(xy, out.xy.data() + c);
}

template <int Lanes>
[[gnu::always_inline]] inline void filterAcrossWith(const double* p, const double* q, std::size_t columns,
                                                    const Weights& weights, Moments& out) {
    std::size_t c = 0;
    for (; c + Lanes <= columns; c += Lanes) filterAcrossColumns<Vector<Lanes>>(p, q, weights, c, out);
    for (; c < columns; ++c) filterAcrossColumns<Vector<1>>(p, q, weights, c, out);
}

// Window rows filtered down together: each filtered row is loaded once and added into every
// window row it belongs to, still in window order for each.
constexpr int kRowsTogether = 6;
constexpr int kRowsLoaded = kWindow - 1 + kRowsTogether;
using LoadedRows = std::array<const double*, kRowsLoaded>;
using WindowRowsOut = std::array<double*, kRowsTogether>;

template <typename V>
[[gnu::always_inline]] inline void filterDownColumns(const LoadedRows& rows, const Weights& weights, std::size_t c,
                                                     const WindowRowsOut& out) {
    std::array<V, kRowsTogether> sums{};
#pragma GCC unroll 16
    for (int i = 0; i < kRowsLoaded; ++i) {
        V row;
        load(rows[static_cast<std::size_t>(i)] + c, row);
#pragma GCC unroll 6
        for (int j = 0; j < kRowsTogether; ++j)
            if (i >= j && i - j < kWindow)
                sums[static_cast<std::size_t>(j)] += weights[static_cast<std::size_t>(i - j)] * row;
    }
#pragma GCC unroll 6
    for (std::size_t j = 0; j < kRowsTogether; ++j) store(sums[j], out[j] + c);
}

template <int Lanes>
[[gnu::always_inline]] inline void filterDownWith(const LoadedRows& rows, std::size_t columns, const Weights& weights,
                                                  const WindowRowsOut& out) {
    std::size_t c = 0;
    for (; c + Lanes <= columns; c += Lanes) filterDownColumns<Vector<Lanes>>(rows, weights, c, out);
    for (; c < columns; ++c) filterDownColumns<Vector<1>>(rows, weights, c, out);
}

// One version of both filters, for a target and its vector width.
#define SSIM_FILTERS(target, lanes)                                                                                      \
    SSIM_TARGET(target)                                                                                                  \
    void filterAcross(const double* p, const double* q, std::size_t columns, const Weights& weights, Moments& out) {     \
        filterAcrossWith<lanes>(p, q, columns, weights, out);                                                            \
    }                                                                                                                    \
    SSIM_TARGET(target)                                                                                                  \
    void filterDown(const LoadedRows& rows, std::size_t columns, const Weights& weights, const WindowRowsOut& out) {     \
        filterDownWith<lanes>(rows, columns, weights, out);                                                              \
    }

#if SSIM_MULTIVERSIONED
SSIM_FILTERS("avx512f", 8)
SSIM_FILTERS("avx2", 4)
#endif
SSIM_FILTERS("default", 2)

// The numerators and denominators of the luminance and contrast-structure terms of one window,
// from its five window means.
struct TermParts {
    double luminanceNumerator, luminanceDenominator, contrastNumerator, contrastDenominator;
};

[[gnu::always_inline]] inline TermParts termParts(double mx, double my, double xx, double yy, double xy) {
    const double vx = xx - mx * mx;
    const double vy = yy - my * my;
    const double cov = xy - mx * my;
    return {2 * mx * my + kC1, mx * mx + my * my + kC1, 2 * cov + kC2, vx + vy + kC2};
}

// Each term straight from the window means in a loop of its own, so that each vectorises with
// nothing stored between.
#define SSIM_TERM_LOOP(name, term)                                                                               \
    BRENLOW_WIDE_VECTOR_CLONES void name(const Moments& down, std::size_t columns, double* __restrict out) {             \
        const double* __restrict mx = down.x.data();                                                             \
        const double* __restrict my = down.y.data();                                                             \
        const double* __restrict xx = down.xx.data();                                                            \
        const double* __restrict yy = down.yy.data();                                                            \
        const double* __restrict xy = down.xy.data();                                                            \
        for (std::size_t c = 0; c < columns; ++c) {                                                              \
            const TermParts parts = termParts(mx[c], my[c], xx[c], yy[c], xy[c]);                               \
            out[c] = term;                                                                                       \
        }                                                                                                        \
    }

// SSIM = (l_num cs_num) / (l_den cs_den), multiplied before the one division as the plain formula does.
SSIM_TERM_LOOP(ssimTerms, (parts.luminanceNumerator * parts.contrastNumerator) /
                              (parts.luminanceDenominator * parts.contrastDenominator))
SSIM_TERM_LOOP(contrastStructureTerms, parts.contrastNumerator / parts.contrastDenominator)
SSIM_TERM_LOOP(luminanceTerms, parts.luminanceNumerator / parts.luminanceDenominator)

// Only the terms wanted.
void windowTerms(const Moments& down, std::size_t columns, WantedSums wanted, Moments& terms) {
    if (wanted.ssim) ssimTerms(down, columns, terms.x.data());
    if (wanted.contrastStructure) contrastStructureTerms(down, columns, terms.y.data());
    if (wanted.luminance) luminanceTerms(down, columns, terms.xx.data());
}

// Adds one term of window rows in column order, as the plain loop does: only this stays scalar,
// the rows side by side so that their sums do not wait on one another.
template <int Rows>
void addInOrder(const Moments* terms, std::vector<double> Moments::*term, std::size_t columns, double WindowSums::*sum,
                WindowSums* sums) {
    std::array<double, Rows> partial{};
    for (std::size_t j = 0; j < Rows; ++j) partial[j] = sums[j].*sum;
    for (std::size_t c = 0; c < columns; ++c)
        for (std::size_t j = 0; j < Rows; ++j) partial[j] += (terms[j].*term)[c];
    for (std::size_t j = 0; j < Rows; ++j) sums[j].*sum = partial[j];
}

void addInOrder(const std::vector<Moments>& terms, int rows, std::vector<double> Moments::*term, std::size_t columns,
                double WindowSums::*sum, WindowSums* sums) {
    if (rows == kRowsTogether) {
        addInOrder<kRowsTogether>(terms.data(), term, columns, sum, sums);
        return;
    }
    for (std::size_t j = 0; j < static_cast<std::size_t>(rows); ++j) addInOrder<1>(&terms[j], term, columns, sum, &sums[j]);
}

// The sums of the terms wanted; the terms are x: SSIM, y: contrast-structure, xx: luminance.
void sumInOrder(const std::vector<Moments>& terms, int rows, std::size_t columns, WantedSums wanted, WindowSums* sums) {
    if (wanted.ssim) addInOrder(terms, rows, &Moments::x, columns, &WindowSums::ssim, sums);
    if (wanted.contrastStructure)
        addInOrder(terms, rows, &Moments::y, columns, &WindowSums::contrastStructure, sums);
    if (wanted.luminance) addInOrder(terms, rows, &Moments::xx, columns, &WindowSums::luminance, sums);
}

// Window sums of the luma for a band of window rows, one per window row. The window is separable:
// each picture row is filtered across once into a ring, then down a few window rows at a time.
// A wide picture goes through in strips of columns, left to right, so that the ring stays in the
// processor's second-level cache; each window row's sums go on from one strip to the next, in
// column order. Given the next scale, the band also halves the rows it reads into it, while they
// are at hand.
template <typename Source>
class SsimBand {
public:
    SsimBand(const Source& source, const Weights& weights, WantedSums wanted, LumaPlanes* half,
             std::vector<RowErrors>* rowErrors)
        : source_(source), weights_(weights), wanted_(wanted), half_(half), rowErrors_(rowErrors),
          windowRows_(source.height() - kWindow + 1),
          columns_(static_cast<std::size_t>(source.width() - kWindow + 1)), stripWidth_(stripWidth(columns_)),
          terms_(kRowsTogether, Moments(kDownBlock)) {
        for (std::size_t i = 0; i < 2; ++i) {
            lumaX_[i].resize(stripWidth_ + kWindow - 1);
            lumaY_[i].resize(stripWidth_ + kWindow - 1);
        }
        ring_.reserve(kRowsLoaded);
        for (int k = 0; k < kRowsLoaded; ++k) ring_.emplace_back(stripWidth_);
        down_.reserve(kRowsTogether);
        for (int j = 0; j < kRowsTogether; ++j) down_.emplace_back(kDownBlock);
        if (rowErrors_ != nullptr) errorRows_.emplace(stripWidth_ + kWindow - 1);
    }

    // Strips of an even width, so that no cell of the next scale straddles two of them.
    void run(int firstWindowRow, int endWindowRow, std::vector<WindowSums>& rowSums) {
        for (std::size_t first = 0; first < columns_; first += stripWidth_)
            runStrip(firstWindowRow, endWindowRow, {first, std::min(stripWidth_, columns_ - first)}, rowSums);
    }

private:
    // Window columns [first, first + count).
    struct Strip {
        std::size_t first;
        std::size_t count;
    };

    static std::size_t stripWidth(std::size_t columns) {
        const std::size_t strips = (columns + kStripColumns - 1) / kStripColumns;
        const std::size_t width = (columns + strips - 1) / strips;
        return width + width % 2;
    }

    void runStrip(int firstWindowRow, int endWindowRow, Strip strip, std::vector<WindowSums>& rowSums) {
        int groupStart = firstWindowRow;
        LumaRows lower{};
        for (int r = firstWindowRow; r < endWindowRow + kWindow - 1; ++r) {
            const LumaRows luma = source_.lumaRow(r, strip.first, strip.count + kWindow - 1, lumaX_[r % 2].data(),
                                                  lumaY_[r % 2].data());
            if constexpr (std::is_same_v<Source, AreaLuma>)
                if (rowErrors_ != nullptr && ownsRow(r, endWindowRow)) takeRowErrors(r, luma, strip);
            if (upperOfPair(r) && r > firstWindowRow && halvesPairFrom(r - 1, endWindowRow))
                halve(lower, luma, halfRowOf(r - 1), strip);
            lower = luma;
            filterAcross(luma.x, luma.y, strip.count, weights_, ring_[slot(r)]);
            const int groupEnd = r - (kWindow - 1) + 1;
            if (groupEnd == std::min(groupStart + kRowsTogether, endWindowRow)) {
                addWindowRows(groupStart, groupEnd - groupStart, strip.count, rowSums);
                groupStart = groupEnd;
            }
        }
        addPendingRowErrors();
    }

    // Each row's errors are taken by one band: the one whose window rows hold it, the last band
    // also the rows above its window rows.
    bool ownsRow(int row, int endWindowRow) const { return row < endWindowRow || endWindowRow == windowRows_; }

    // The strip's own columns of the row, and in the last strip those right of them too; the luma
    // errors wait for the rows after it, to be added side by side.
    void takeRowErrors(int row, const LumaRows& luma, Strip strip) {
        const bool last = strip.first + strip.count == columns_;
        const std::size_t columns = last ? strip.count + kWindow - 1 : strip.count;
        RowErrors& sums = (*rowErrors_)[static_cast<std::size_t>(row)];
        const CommonArea& area = source_.area();
        addRowEnergies(area.referenceRow(row) + 3 * strip.first, area.testRow(row) + 3 * strip.first,
                       static_cast<int>(columns), sums.channel);
        if (pendingRows_ > 0 && row != firstPendingRow_ + pendingRows_) addPendingRowErrors();
        if (pendingRows_ == 0) firstPendingRow_ = row;
        squaredDifferences(luma.x, luma.y, columns, errorRows_->row(pendingRows_));
        pendingColumns_ = columns;
        if (++pendingRows_ == LumaErrorRows::kSideBySide) addPendingRowErrors();
    }

    void addPendingRowErrors() {
        if (pendingRows_ == 0) return;
        errorRows_->addInColumnOrder(pendingRows_, pendingColumns_,
                                     rowErrors_->data() + static_cast<std::size_t>(firstPendingRow_));
        pendingRows_ = 0;
    }

    // Rows pair up from the top, as top-down pictures pair them: of an odd number of rows, the
    // bottom one (row 0 here) is the one left out.
    int pairOffset() const { return source_.height() % 2; }
    bool upperOfPair(int row) const { return (row - pairOffset()) % 2 == 1; }
    int halfRowOf(int lowerRow) const { return (lowerRow - pairOffset()) / 2; }

    // Each pair of rows is halved by one band: the one whose window rows hold its lower row, the
    // last band also those above its window rows.
    bool halvesPairFrom(int lowerRow, int endWindowRow) const {
        return half_ != nullptr && halfRowOf(lowerRow) < half_->height() &&
               (lowerRow < endWindowRow || endWindowRow == windowRows_);
    }

    // The cells whose left column is in the strip's window columns, and in the last strip those
    // right of them too.
    void halve(const LumaRows& lower, const LumaRows& upper, int halfRow, Strip strip) {
        const bool last = strip.first + strip.count == columns_;
        const std::size_t begin = strip.first / 2;
        const std::size_t end = last ? static_cast<std::size_t>(half_->width()) : (strip.first + strip.count) / 2;
        halveRow(lower.x, upper.x, static_cast<int>(end - begin), half_->xRow(halfRow) + begin);
        halveRow(lower.y, upper.y, static_cast<int>(end - begin), half_->yRow(halfRow) + begin);
    }

    static std::size_t slot(int row) { return static_cast<std::size_t>(row % kRowsLoaded); }

    // A group short of kRowsTogether rows still reads a full set of ring rows; the window rows
    // that the stale ones make are not used.
    LoadedRows loadedRows(int firstWindowRow, std::vector<double> Moments::*moment, std::size_t firstColumn) const {
        LoadedRows rows{};
        for (int i = 0; i < kRowsLoaded; ++i)
            rows[static_cast<std::size_t>(i)] = (ring_[slot(firstWindowRow + i)].*moment).data() + firstColumn;
        return rows;
    }

    WindowRowsOut windowRowsOut(std::vector<double> Moments::*moment) {
        WindowRowsOut out{};
        for (std::size_t j = 0; j < kRowsTogether; ++j) out[j] = (down_[j].*moment).data();
        return out;
    }

    // A block of columns at a time, filtered down and turned into terms while they are in the
    // cache; each window row's sums go on in column order from one block to the next.
    void addWindowRows(int firstWindowRow, int count, std::size_t stripColumns, std::vector<WindowSums>& rowSums) {
        for (std::size_t begin = 0; begin < stripColumns; begin += kDownBlock) {
            const std::size_t columns = std::min(kDownBlock, stripColumns - begin);
            for (auto moment : {&Moments::x, &Moments::y, &Moments::xx, &Moments::yy, &Moments::xy})
                filterDown(loadedRows(firstWindowRow, moment, begin), columns, weights_, windowRowsOut(moment));
            for (std::size_t j = 0; j < static_cast<std::size_t>(count); ++j)
                windowTerms(down_[j], columns, wanted_, terms_[j]);
            sumInOrder(terms_, count, columns, wanted_, &rowSums[static_cast<std::size_t>(firstWindowRow)]);
        }
    }

    static constexpr std::size_t kDownBlock = 256;
    static constexpr std::size_t kStripColumns = 2048;

    const Source& source_;
    const Weights& weights_;
    WantedSums wanted_;
    LumaPlanes* half_;
    std::vector<RowErrors>* rowErrors_;
    std::optional<LumaErrorRows> errorRows_;
    int firstPendingRow_ = 0;
    int pendingRows_ = 0;
    std::size_t pendingColumns_ = 0;
    int windowRows_;
    std::size_t columns_;
    std::size_t stripWidth_;
    std::array<std::vector<double>, 2> lumaX_, lumaY_;  // this row and the one below
    std::vector<Moments> ring_;
    std::vector<Moments> down_;
    std::vector<Moments> terms_;  // x: SSIM, y: contrast-structure, xx: luminance of each window
};

// Means over all windows of one scale. One sum per window row, added in order afterwards: the
// result does not depend on how the rows were split into bands.
template <typename Source>
WindowSums windowMeans(const Source& source, const Weights& weights, WantedSums wanted, LumaPlanes* half,
                       std::vector<RowErrors>* rowErrors = nullptr) {
    const int windowRows = source.height() - kWindow + 1;
    std::vector<WindowSums> rowSums(static_cast<std::size_t>(windowRows));
    parallelRows(
        0, windowRows,
        [&](int begin, int end) {
            SsimBand<Source>(source, weights, wanted, half, rowErrors).run(begin, end, rowSums);
        },
        32);
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

// Scales 2 to 5 given the full-size means and scale 2; the caller has checked that the coarsest
// holds a window.
double multiScaleSsim(LumaPlanes scale, const WindowSums& fullMeans, const Weights& weights) {
    double product = scaleFactor(fullMeans.contrastStructure, 0);
    for (std::size_t j = 1; j < kScaleWeights.size(); ++j) {
        const bool coarsest = j + 1 == kScaleWeights.size();
        if (coarsest) {
            const WindowSums means = windowMeans(scale, weights, {false, true, true}, nullptr);
            product *= scaleFactor(means.contrastStructure, j);
            product *= std::pow(means.luminance, kScaleWeights[j]);
        } else {
            LumaPlanes next(scale.width() / 2, scale.height() / 2);
            product *= scaleFactor(windowMeans(scale, weights, {false, true, false}, &next).contrastStructure, j);
            scale = std::move(next);
        }
    }
    return product;
}

bool coarsestScaleHoldsAWindow(const CommonArea& area) {
    const int halvings = static_cast<int>(kScaleWeights.size()) - 1;
    return (area.width >> halvings) >= kWindow && (area.height >> halvings) >= kWindow;
}

}  // namespace

LumaSimilarity lumaSimilarity(const CommonArea& area, bool multiScale, std::vector<RowErrors>* rowErrors) {
    if (area.width < kWindow || area.height < kWindow) return {kNaN, kNaN, false};
    const Weights weights = gaussianWindow();
    const AreaLuma full(area);
    const bool fits = multiScale && coarsestScaleHoldsAWindow(area);
    const bool taken = rowErrors != nullptr;
    if (!fits) return {windowMeans(full, weights, {true, false, false}, nullptr, rowErrors).ssim, kNaN, taken};
    LumaPlanes half(area.width / 2, area.height / 2);
    const WindowSums fullMeans = windowMeans(full, weights, {true, true, false}, &half, rowErrors);
    return {fullMeans.ssim, multiScaleSsim(std::move(half), fullMeans, weights), taken};
}

}  // namespace brenlow
