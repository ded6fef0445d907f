#include "research/bd_rate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace brenlow {
namespace {

constexpr int kTerms = 4;

// A cubic in the scaled variable t = (quality - centre) / scale, which keeps the normal
// equations well conditioned for qualities around 30 to 50 dB.
struct Cubic {
    std::array<double, kTerms> coefficients{};
    double centre = 0.0;
    double scale = 1.0;
    double lowest = 0.0;
    double highest = 0.0;

    // The integral of the fitted log-rate over [from, to] in quality units.
    double integral(double from, double to) const {
        const auto antiderivative = [this](double quality) {
            const double t = (quality - centre) / scale;
            double sum = 0.0;
            for (int k = kTerms - 1; k >= 0; --k) sum = sum * t + coefficients[static_cast<std::size_t>(k)] / (k + 1);
            return sum * t;
        };
        return scale * (antiderivative(to) - antiderivative(from));
    }
};

std::vector<RatePoint> usablePoints(std::span<const RatePoint> points) {
    std::vector<RatePoint> usable;
    for (const RatePoint& point : points)
        if (std::isfinite(point.quality) && point.rate > 0.0 && std::isfinite(point.rate)) usable.push_back(point);
    return usable;
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

std::optional<Cubic> fitLogRate(std::span<const RatePoint> points) {
    const std::vector<RatePoint> usable = usablePoints(points);
    std::set<double> qualities;
    for (const RatePoint& point : usable) qualities.insert(point.quality);
    if (qualities.size() < kTerms) return std::nullopt;

    Cubic cubic;
    cubic.lowest = *qualities.begin();
    cubic.highest = *qualities.rbegin();
    cubic.centre = (cubic.lowest + cubic.highest) / 2;
    cubic.scale = (cubic.highest - cubic.lowest) / 2;
    std::array<std::array<double, kTerms + 1>, kTerms> normal{};
    for (const RatePoint& point : usable) {
        const double t = (point.quality - cubic.centre) / cubic.scale;
        const double y = std::log10(point.rate);
        std::array<double, kTerms> powers{1.0, t, t * t, t * t * t};
        for (int row = 0; row < kTerms; ++row) {
            for (int column = 0; column < kTerms; ++column) normal[row][column] += powers[row] * powers[column];
            normal[row][kTerms] += powers[row] * y;
        }
    }
    const auto coefficients = solve(normal);
    if (!coefficients) return std::nullopt;
    cubic.coefficients = *coefficients;
    return cubic;
}

}  // namespace

double bjontegaardDeltaRate(std::span<const RatePoint> anchor, std::span<const RatePoint> test) {
    constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();
    const std::optional<Cubic> anchorFit = fitLogRate(anchor);
    const std::optional<Cubic> testFit = fitLogRate(test);
    if (!anchorFit || !testFit) return kUndefined;
    const double from = std::max(anchorFit->lowest, testFit->lowest);
    const double to = std::min(anchorFit->highest, testFit->highest);
    if (!(to > from)) return kUndefined;
    const double meanDifference = (testFit->integral(from, to) - anchorFit->integral(from, to)) / (to - from);
    return (std::pow(10.0, meanDifference) - 1.0) * 100.0;
}

}  // namespace brenlow
