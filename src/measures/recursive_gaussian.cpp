#include "measures/recursive_gaussian.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace brenlow {
namespace {

using Triple = std::array<double, 3>;

double determinant(const Triple& a, const Triple& b, const Triple& c) {
    return a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) + a[2] * (b[0] * c[1] - b[1] * c[0]);
}

// x with rows . x = rhs, by Cramer's rule: the system is 3 x 3 and well conditioned.
Triple solve(const std::array<Triple, 3>& rows, const Triple& rhs) {
    const double whole = determinant(rows[0], rows[1], rows[2]);
    Triple x{};
    for (std::size_t column = 0; column < 3; ++column) {
        std::array<Triple, 3> replaced = rows;
        for (std::size_t r = 0; r < 3; ++r) replaced[r][column] = rhs[r];
        x[column] = determinant(replaced[0], replaced[1], replaced[2]) / whole;
    }
    return x;
}

}  // namespace

RecursiveGaussian::RecursiveGaussian(double sigma) : unit_(fastestFmaUnit()) {
    const double n = std::round(3.2795 * sigma + 0.2546);
    weights_.radius = static_cast<int>(n);
    // The three cosines of frequencies k pi / 2N, k = 1, 3, 5; the signs alternate with k.
    Triple omega{}, p{}, r{}, rho{};
    for (std::size_t i = 0; i < 3; ++i) {
        const double sign = i == 1 ? -1.0 : 1.0;
        omega[i] = static_cast<double>(2 * i + 1) * std::numbers::pi / (2.0 * n);
        p[i] = sign / std::tan(omega[i] / 2.0);
        r[i] = sign * p[i] * p[i] / std::sin(omega[i]);
        rho[i] = std::exp(-0.5 * sigma * sigma * omega[i] * omega[i]) / n;
    }
    // Weights that keep the kernel's sum at 1, its variance at sigma^2 and its spectrum close to a
    // Gaussian's at the highest frequency.
    const double d13 = p[0] * r[1] - r[0] * p[1];
    const double zeta1 = (p[1] * r[2] - r[1] * p[2]) / d13;
    const double zeta3 = (p[2] * r[0] - r[2] * p[0]) / d13;
    const Triple beta = solve({p, r, Triple{zeta1, zeta3, 1.0}},
                              {1.0, n * n - sigma * sigma, zeta1 * rho[0] + zeta3 * rho[1] + rho[2]});
    for (std::size_t i = 0; i < 3; ++i) {
        const double in = -beta[i] * std::cos(omega[i] * (n + 1.0));
        const double d = -2.0 * std::cos(omega[i]);  // y[t] = in x - d y[t-1] - y[t-2]
        weights_.input[i] = static_cast<float>(in);
        weights_.feedback[i] = static_cast<float>(d);
        // y[t+j] written out from x[t..t+j], y[t-1] and y[t-2], j = 0..3.
        const double d2 = d * d;
        const std::array<double, 4> chain = {1.0, -d, d2 - 1.0, -d2 * d + 2.0 * d};
        const std::array<double, 4> last = {-d, d2 - 1.0, -d2 * d + 2.0 * d, d2 * d2 - 3.0 * d2 + 1.0};
        const std::array<double, 4> beforeLast = {-1.0, d, -d2 + 1.0, d2 * d - 2.0 * d};
        for (std::size_t j = 0; j < 4; ++j) {
            weights_.inputSteps[i][j] = static_cast<float>(chain[j] * in);
            weights_.lastSteps[i][j] = static_cast<float>(last[j]);
            weights_.beforeLastSteps[i][j] = static_cast<float>(beforeLast[j]);
        }
    }
}

void RecursiveGaussian::blurLine(const float* in, int size, float* out) const {
    FloatPlane line(size, 1), blurred;
    std::copy_n(in, size, line.row(0));
    GaussianScratch scratch;
    blurAlongRows(weights_, line, blurred, scratch, unit_);
    std::copy_n(blurred.row(0), size, out);
}

void RecursiveGaussian::blur(const FloatPlane& in, FloatPlane& out, GaussianScratch& scratch) const {
    out.resize(in.width(), in.height());
    const BlurSource source{&in};
    blurTogether({&source, 1}, scratch, [&](int row, const float* const* blurred) {
        std::copy_n(blurred[0], in.width(), out.row(row));
    });
}

void RecursiveGaussian::blur(const FloatPlane& in, FloatPlane& out) const {
    GaussianScratch scratch;
    blur(in, out, scratch);
}

void RecursiveGaussian::blurTogether(std::span<const BlurSource> sources, GaussianScratch& scratch,
                                     const BlurredRows& take) const {
    brenlow::blurTogether(weights_, sources, scratch, unit_, take);
}

}  // namespace brenlow
