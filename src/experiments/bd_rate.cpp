#include "experiments/bd_rate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <set>
#include <utility>
#include <variant>
#include <vector>

namespace brenlow {
namespace {

constexpr int kTerms = 4;

// A curve point on the axes being integrated: y as a function of x.
struct Sample {
    double x = 0.0;
    double y = 0.0;
};

// Which of two samples at the same x a curve through the points keeps.
enum class Keep { LowestY, HighestY };

// What a curve is integrated over: quality for a delta rate, log10(rate) for a delta quality.
enum class Abscissa { Quality, LogRate };

// A cubic in the scaled variable t = (x - centre) / scale, which keeps the normal equations well
// conditioned for qualities around 30 to 50 dB.
struct Cubic {
    std::array<double, kTerms> coefficients{};
    double centre = 0.0;
    double scale = 1.0;
    double lowest = 0.0;
    double highest = 0.0;

    double integral(double from, double to) const {
        const auto antiderivative = [this](double x) {
            const double t = (x - centre) / scale;
            double sum = 0.0;
            for (int k = kTerms - 1; k >= 0; --k) sum = sum * t + coefficients[static_cast<std::size_t>(k)] / (k + 1);
            return sum * t;
        };
        return scale * (antiderivative(to) - antiderivative(from));
    }
};

// A piecewise cubic through (knots[i], values[i]) with first derivative slopes[i] there.
struct Hermite {
    std::vector<double> knots;
    std::vector<double> values;
    std::vector<double> slopes;
    double lowest = 0.0;
    double highest = 0.0;

    double integral(double from, double to) const {
        double sum = 0.0;
        for (std::size_t k = 0; k + 1 < knots.size(); ++k) {
            const double start = std::max(from, knots[k]);
            const double end = std::min(to, knots[k + 1]);
            if (end > start) sum += pieceAntiderivative(k, end - knots[k]) - pieceAntiderivative(k, start - knots[k]);
        }
        return sum;
    }

private:
    // The integral of piece k from its left knot over a length s, from its power form.
    double pieceAntiderivative(std::size_t k, double s) const {
        const double h = knots[k + 1] - knots[k];
        const double secant = (values[k + 1] - values[k]) / h;
        const double c2 = (3.0 * secant - 2.0 * slopes[k] - slopes[k + 1]) / h;
        const double c3 = (slopes[k] + slopes[k + 1] - 2.0 * secant) / (h * h);
        return s * (values[k] + s * (slopes[k] / 2.0 + s * (c2 / 3.0 + s * c3 / 4.0)));
    }
};

using Fit = std::variant<Cubic, Hermite>;

std::vector<Sample> samplesOf(std::span<const RatePoint> points, Abscissa abscissa) {
    std::vector<Sample> samples;
    samples.reserve(points.size());
    for (const RatePoint& point : points) {
        if (!std::isfinite(point.quality) || !(point.rate > 0.0) || !std::isfinite(point.rate)) continue;
        const double logRate = std::log10(point.rate);
        const bool byRate = abscissa == Abscissa::LogRate;
        samples.push_back(byRate ? Sample{logRate, point.quality} : Sample{point.quality, logRate});
    }
    return samples;
}

// Solves the 4 x 4 system in place by Gaussian elimination with partial pivoting.
std::optional<std::array<double, kTerms>> solve(std::array<std::array<double, kTerms + 1>, kTerms> system) {
    for (int column = 0; column < kTerms; ++column) {
        int pivot = column;
        for (int row = column + 1; row < kTerms; ++row)
            if (std::abs(system[row][column]) > std::abs(system[pivot][column])) pivot = row;
        if (system[pivot][column] == 0.0) return std::nullopt;
        std::swap(system[pivot], system[column]);
        for (int row = column + 1; row < kTerms; ++row) {
            const double factor = system[row][column] / system[column][column];
            for (int k = column; k <= kTerms; ++k) system[row][k] -= factor * system[column][k];
        }
    }
    std::array<double, kTerms> solution{};
    for (int row = kTerms - 1; row >= 0; --row) {
        double sum = system[row][kTerms];
        for (int k = row + 1; k < kTerms; ++k) sum -= system[row][k] * solution[k];
        solution[row] = sum / system[row][row];
    }
    return solution;
}

std::optional<Cubic> fitCubic(const std::vector<Sample>& samples) {
    std::set<double> abscissae;
    for (const Sample& sample : samples) abscissae.insert(sample.x);
    if (abscissae.size() < kTerms) return std::nullopt;

    Cubic cubic;
    cubic.lowest = *abscissae.begin();
    cubic.highest = *abscissae.rbegin();
    cubic.centre = (cubic.lowest + cubic.highest) / 2;
    cubic.scale = (cubic.highest - cubic.lowest) / 2;
    std::array<std::array<double, kTerms + 1>, kTerms> normal{};
    for (const Sample& sample : samples) {
        const double t = (sample.x - cubic.centre) / cubic.scale;
        std::array<double, kTerms> powers{1.0, t, t * t, t * t * t};
        for (int row = 0; row < kTerms; ++row) {
            for (int column = 0; column < kTerms; ++column) normal[row][column] += powers[row] * powers[column];
            normal[row][kTerms] += powers[row] * sample.y;
        }
    }
    const auto coefficients = solve(normal);
    if (!coefficients) return std::nullopt;
    cubic.coefficients = *coefficients;
    return cubic;
}

int signOf(double value) { return (value > 0.0) - (value < 0.0); }

// The three-point end slope, held to the secant's sign and, where the data turn, to three
// secants, so the end piece does not overshoot.
double endSlope(double nearWidth, double farWidth, double nearSecant, double farSecant) {
    const double slope = ((2.0 * nearWidth + farWidth) * nearSecant - nearWidth * farSecant) / (nearWidth + farWidth);
    if (signOf(slope) != signOf(nearSecant)) return 0.0;
    if (signOf(nearSecant) != signOf(farSecant) && std::abs(slope) > 3.0 * std::abs(nearSecant))
        return 3.0 * nearSecant;
    return slope;
}

// Fritsch-Carlson slopes: zero at a local extremum, else the weighted harmonic mean of the
// neighbouring secants, which keeps each piece monotone between its points.
std::vector<double> monotoneSlopes(const std::vector<double>& knots, const std::vector<double>& values) {
    const std::size_t count = knots.size();
    std::vector<double> widths(count - 1);
    std::vector<double> secants(count - 1);
    for (std::size_t k = 0; k + 1 < count; ++k) {
        widths[k] = knots[k + 1] - knots[k];
        secants[k] = (values[k + 1] - values[k]) / widths[k];
    }
    if (count == 2) return {secants[0], secants[0]};

    std::vector<double> slopes(count);
    for (std::size_t k = 1; k + 1 < count; ++k) {
        const double before = secants[k - 1];
        const double after = secants[k];
        if (signOf(before) * signOf(after) <= 0) continue;
        const double weightBefore = 2.0 * widths[k] + widths[k - 1];
        const double weightAfter = widths[k] + 2.0 * widths[k - 1];
        slopes[k] = (weightBefore + weightAfter) / (weightBefore / before + weightAfter / after);
    }
    slopes[0] = endSlope(widths[0], widths[1], secants[0], secants[1]);
    slopes[count - 1] = endSlope(widths[count - 2], widths[count - 3], secants[count - 2], secants[count - 3]);
    return slopes;
}

std::optional<Hermite> fitHermite(std::vector<Sample> samples, Keep keep) {
    std::sort(samples.begin(), samples.end(), [keep](const Sample& a, const Sample& b) {
        if (a.x != b.x) return a.x < b.x;
        return keep == Keep::LowestY ? a.y < b.y : a.y > b.y;
    });
    const auto sameX = [](const Sample& a, const Sample& b) { return a.x == b.x; };
    samples.erase(std::unique(samples.begin(), samples.end(), sameX), samples.end());
    if (samples.size() < 2) return std::nullopt;

    Hermite hermite;
    for (const Sample& sample : samples) {
        hermite.knots.push_back(sample.x);
        hermite.values.push_back(sample.y);
    }
    hermite.slopes = monotoneSlopes(hermite.knots, hermite.values);
    hermite.lowest = hermite.knots.front();
    hermite.highest = hermite.knots.back();
    return hermite;
}

std::optional<Fit> fitCurve(std::vector<Sample> samples, BdInterpolation interpolation, Keep keep) {
    if (interpolation == BdInterpolation::Pchip) {
        if (auto hermite = fitHermite(std::move(samples), keep)) return Fit{std::move(*hermite)};
    } else if (auto cubic = fitCubic(samples)) {
        return Fit{*cubic};
    }
    return std::nullopt;
}

double lowestOf(const Fit& fit) { return std::visit([](const auto& curve) { return curve.lowest; }, fit); }
double highestOf(const Fit& fit) { return std::visit([](const auto& curve) { return curve.highest; }, fit); }
double integralOf(const Fit& fit, double from, double to) {
    return std::visit([from, to](const auto& curve) { return curve.integral(from, to); }, fit);
}

double sharedFraction(double sharedWidth, const Fit& fit) {
    return std::max(0.0, sharedWidth) / (highestOf(fit) - lowestOf(fit));
}

// The mean of test minus anchor over the abscissa interval both cover, with its overlap figures.
// Of points sharing a quality the one with the fewest bits wins, of points sharing a rate the best.
BdResult meanDifference(std::span<const RatePoint> anchor, std::span<const RatePoint> test,
                        BdInterpolation interpolation, Abscissa abscissa) {
    BdResult result;
    const Keep keep = abscissa == Abscissa::Quality ? Keep::LowestY : Keep::HighestY;
    const std::vector<Sample> anchorSamples = samplesOf(anchor, abscissa);
    const std::vector<Sample> testSamples = samplesOf(test, abscissa);
    if (anchorSamples.empty() || testSamples.empty()) {
        result.undefined = BdUndefined::NoValues;
        return result;
    }
    const std::optional<Fit> anchorFit = fitCurve(anchorSamples, interpolation, keep);
    const std::optional<Fit> testFit = fitCurve(testSamples, interpolation, keep);
    if (!anchorFit || !testFit) {
        result.undefined = BdUndefined::TooFewPoints;
        return result;
    }
    const double from = std::max(lowestOf(*anchorFit), lowestOf(*testFit));
    const double to = std::min(highestOf(*anchorFit), highestOf(*testFit));
    result.sharedFractionAnchor = sharedFraction(to - from, *anchorFit);
    result.sharedFractionTest = sharedFraction(to - from, *testFit);
    result.weakOverlap = result.sharedFractionAnchor < 0.5 || result.sharedFractionTest < 0.5;
    if (to > from)
        result.value = (integralOf(*testFit, from, to) - integralOf(*anchorFit, from, to)) / (to - from);
    else
        result.undefined = BdUndefined::NoSharedInterval;
    return result;
}

}  // namespace

BdResult bjontegaardDeltaRateResult(std::span<const RatePoint> anchor, std::span<const RatePoint> test,
                                    BdInterpolation interpolation) {
    BdResult result = meanDifference(anchor, test, interpolation, Abscissa::Quality);
    result.value = (std::pow(10.0, result.value) - 1.0) * 100.0;
    return result;
}

BdResult bjontegaardDeltaQualityResult(std::span<const RatePoint> anchor, std::span<const RatePoint> test,
                                       BdInterpolation interpolation) {
    return meanDifference(anchor, test, interpolation, Abscissa::LogRate);
}

double bjontegaardDeltaRate(std::span<const RatePoint> anchor, std::span<const RatePoint> test,
                            BdInterpolation interpolation) {
    return bjontegaardDeltaRateResult(anchor, test, interpolation).value;
}

double bjontegaardDeltaQuality(std::span<const RatePoint> anchor, std::span<const RatePoint> test,
                               BdInterpolation interpolation) {
    return bjontegaardDeltaQualityResult(anchor, test, interpolation).value;
}

}  // namespace brenlow
