#include "research/recursive_gaussian.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

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

// a b + c rounded once: the float product is exact in double.
inline float fused(float a, float b, float c) {
    return static_cast<float>(static_cast<double>(a) * static_cast<double>(b) + static_cast<double>(c));
}

// -(a b) - c rounded once.
inline float negatedFused(float a, float b, float c) {
    return static_cast<float>(-(static_cast<double>(a) * static_cast<double>(b)) - static_cast<double>(c));
}

float sampleOf(const float* in, int size, int at) { return at >= 0 && at < size ? in[at] : 0.0f; }

}  // namespace

RecursiveGaussian::RecursiveGaussian(double sigma) {
    const double n = std::round(3.2795 * sigma + 0.2546);
    radius_ = static_cast<int>(n);
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
        input_[i] = static_cast<float>(in);
        feedback_[i] = static_cast<float>(d);
        // y[t+j] written out from x[t..t+j], y[t-1] and y[t-2], j = 0..3.
        const double d2 = d * d;
        const std::array<double, 4> chain = {1.0, -d, d2 - 1.0, -d2 * d + 2.0 * d};
        const std::array<double, 4> last = {-d, d2 - 1.0, -d2 * d + 2.0 * d, d2 * d2 - 3.0 * d2 + 1.0};
        const std::array<double, 4> beforeLast = {-1.0, d, -d2 + 1.0, d2 * d - 2.0 * d};
        for (std::size_t j = 0; j < 4; ++j) {
            inputLanes_[i][j] = static_cast<float>(chain[j] * in);
            lastLanes_[i][j] = static_cast<float>(last[j]);
            beforeLastLanes_[i][j] = static_cast<float>(beforeLast[j]);
        }
    }
}

void RecursiveGaussian::stepOne(float sum, Terms& last, Terms& beforeLast, float& out) const {
    Terms y;
    for (std::size_t k = 0; k < 3; ++k) {
        float v = sum * input_[k];
        v = fused(beforeLastLanes_[k][0], beforeLast.v[k], v);
        v = fused(lastLanes_[k][0], last.v[k], v);
        y.v[k] = v;
    }
    beforeLast = last;
    last = y;
    out = y.v[0] + (y.v[1] + y.v[2]);
}

void RecursiveGaussian::stepFour(const float* sums, Terms& last, Terms& beforeLast, float* out) const {
    std::array<Lanes, 3> y{};
    for (std::size_t k = 0; k < 3; ++k) {
        for (std::size_t lane = 0; lane < 4; ++lane) {
            float v = sums[0] * inputLanes_[k][lane];
            for (std::size_t j = 1; j <= lane; ++j) v = fused(inputLanes_[k][lane - j], sums[j], v);
            v = fused(beforeLastLanes_[k][lane], beforeLast.v[k], v);
            y[k][lane] = fused(lastLanes_[k][lane], last.v[k], v);
        }
        beforeLast.v[k] = y[k][2];
        last.v[k] = y[k][3];
    }
    for (std::size_t lane = 0; lane < 4; ++lane) out[lane] = y[0][lane] + (y[1][lane] + y[2][lane]);
}

void RecursiveGaussian::blurLine(const float* in, int size, float* out) const {
    Terms last, beforeLast;
    float warmUp = 0.0f;
    const auto sumAt = [&](int t) { return sampleOf(in, size, t - radius_ - 1) + sampleOf(in, size, t + radius_ - 1); };
    // One output at a time up to the first multiple of four past the radius, where every sample
    // of a step of four is inside the row; outputs before 0 only bring the filters up.
    const int firstStep = (radius_ + 1 + 3) / 4 * 4;
    int t = 1 - radius_;
    for (; t < std::min(firstStep, size); ++t) stepOne(sumAt(t), last, beforeLast, t >= 0 ? out[t] : warmUp);
    for (; t < size - radius_ + 1 - 3; t += 4) {
        float sums[4];
        for (int j = 0; j < 4; ++j) sums[j] = in[t + j - radius_ - 1] + in[t + j + radius_ - 1];
        stepFour(sums, last, beforeLast, out + t);
    }
    for (; t < size; ++t) stepOne(sumAt(t), last, beforeLast, out[t]);
}

// Down the columns a row at a time, every column's filters stepping together, so that the loops
// run along rows in memory.
void RecursiveGaussian::blurDown(const FloatPlane& in, FloatPlane& out) const {
    const int width = in.width();
    const int height = in.height();
    const auto columns = static_cast<std::size_t>(width);
    std::vector<float> memory(8 * columns, 0.0f);
    float* sum = memory.data();
    float* warmUp = sum + columns;  // where the outputs before row 0 go
    std::array<float*, 3> last{}, beforeLast{};
    for (std::size_t k = 0; k < 3; ++k) {
        last[k] = warmUp + (1 + 2 * k) * columns;
        beforeLast[k] = last[k] + columns;
    }
    for (int t = 1 - radius_; t < height; ++t) {
        const int behind = t - radius_ - 1;
        const int ahead = t + radius_ - 1;
        const float* upper = behind >= 0 ? in.row(behind) : nullptr;
        const float* lower = ahead < height ? in.row(ahead) : nullptr;
        for (int c = 0; c < width; ++c) sum[c] = (upper ? upper[c] : 0.0f) + (lower ? lower[c] : 0.0f);
        float* target = t >= 0 ? out.row(t) : warmUp;
        // The terms are added as y1 + (y3 + y5): the last term's loop finishes the sum.
        for (std::size_t k : {std::size_t{1}, std::size_t{2}, std::size_t{0}}) {
            const float input = input_[k];
            const float feedback = feedback_[k];
            float* __restrict newest = beforeLast[k];  // overwritten: the output two rows back is used up
            const float* __restrict previous = last[k];
            for (int c = 0; c < width; ++c) {
                const float y = fused(input, sum[c], negatedFused(feedback, previous[c], newest[c]));
                newest[c] = y;
                target[c] = k == 1 ? y : (k == 2 ? target[c] + y : y + target[c]);
            }
            std::swap(last[k], beforeLast[k]);
        }
    }
}

void RecursiveGaussian::blur(const FloatPlane& in, FloatPlane& across, FloatPlane& out) const {
    across.resize(in.width(), in.height());
    out.resize(in.width(), in.height());
    for (int r = 0; r < in.height(); ++r) blurLine(in.row(r), in.width(), across.row(r));
    blurDown(across, out);
}

}  // namespace brenlow
