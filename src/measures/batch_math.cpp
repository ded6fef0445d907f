// Compiled once for SSE4 and once for one lane (the file includes itself through the vector
// library's per-target loop). Wider targets are left out on purpose: they fuse multiply-adds, and
// a figure would then differ between machines.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "measures/batch_math.cpp"
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SSSE3 | HWY_AVX2 | HWY_AVX3 | HWY_AVX3_DL)
#endif
#ifndef HWY_DISABLE_PCLMUL_AES
#define HWY_DISABLE_PCLMUL_AES
#endif
#include <hwy/foreach_target.h>  // NOLINT: must come before highway.h

#include <hwy/contrib/math/math-inl.h>
#include <hwy/highway.h>

#include <algorithm>
#include <array>
#include <cstddef>

#include "measures/batch_math.h"

HWY_BEFORE_NAMESPACE();
namespace brenlow::batch_math::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using Tag = hn::ScalableTag<double>;
using Vector = hn::Vec<Tag>;

struct Sine {
    Vector operator()(Tag d, Vector v) const { return hn::Sin(d, v); }
};
struct Cosine {
    Vector operator()(Tag d, Vector v) const { return hn::Cos(d, v); }
};
struct Exponential {
    Vector operator()(Tag d, Vector v) const { return hn::Exp(d, v); }
};

// atan(y / x), moved by pi into the left half-plane; on the y axis +-pi/2, and at the origin 0 or
// +-pi by the signs of the zeros, as atan2 gives them.
struct Arctangent {
    Vector operator()(Tag d, Vector y, Vector x) const {
        const Vector zero = hn::Zero(d);
        const Vector ySign = hn::And(y, hn::SignBit(d));
        const Vector pi = hn::Set(d, 3.14159265358979323846);
        const Vector halfPi = hn::Set(d, 1.57079632679489661923);
        const auto onYAxis = hn::Eq(x, zero);
        const auto left = hn::Lt(hn::CopySign(hn::Set(d, 1.0), x), zero);  // x < 0, or x is -0
        const Vector safeX = hn::IfThenElse(onYAxis, hn::Set(d, 1.0), x);
        const Vector slope = hn::Atan(d, hn::Div(y, safeX));
        const Vector turned = hn::IfThenElse(hn::Lt(x, zero), hn::Add(slope, hn::Or(pi, ySign)), slope);
        const Vector axis = hn::IfThenElse(hn::Eq(y, zero), hn::IfThenElseZero(left, pi), halfPi);
        return hn::IfThenElse(onYAxis, hn::Or(axis, ySign), turned);
    }
};

// A tail shorter than a vector goes through the same code in a padded copy, so a value's bits do
// not depend on where in a batch it falls.
template <typename Function>
void apply(const Function& function, const double* in, double* out, std::size_t count) {
    const Tag d;
    const std::size_t lanes = hn::Lanes(d);
    std::size_t i = 0;
    for (; i + lanes <= count; i += lanes) hn::StoreU(function(d, hn::LoadU(d, in + i)), d, out + i);
    if (i == count) return;
    alignas(64) std::array<double, HWY_MAX_BYTES / sizeof(double)> tail{};
    std::copy(in + i, in + count, tail.begin());
    hn::Store(function(d, hn::Load(d, tail.data())), d, tail.data());
    std::copy(tail.begin(), tail.begin() + static_cast<std::ptrdiff_t>(count - i), out + i);
}

template <typename Function>
void apply(const Function& function, const double* y, const double* x, double* out, std::size_t count) {
    const Tag d;
    const std::size_t lanes = hn::Lanes(d);
    std::size_t i = 0;
    for (; i + lanes <= count; i += lanes)
        hn::StoreU(function(d, hn::LoadU(d, y + i), hn::LoadU(d, x + i)), d, out + i);
    if (i == count) return;
    alignas(64) std::array<double, HWY_MAX_BYTES / sizeof(double)> tailY{}, tailX{};
    tailX.fill(1.0);
    std::copy(y + i, y + count, tailY.begin());
    std::copy(x + i, x + count, tailX.begin());
    hn::Store(function(d, hn::Load(d, tailY.data()), hn::Load(d, tailX.data())), d, tailY.data());
    std::copy(tailY.begin(), tailY.begin() + static_cast<std::ptrdiff_t>(count - i), out + i);
}

void sines(const double* in, double* out, std::size_t count) { apply(Sine{}, in, out, count); }
void cosines(const double* in, double* out, std::size_t count) { apply(Cosine{}, in, out, count); }
void exponentials(const double* in, double* out, std::size_t count) { apply(Exponential{}, in, out, count); }
void arctangents(const double* y, const double* x, double* out, std::size_t count) {
    apply(Arctangent{}, y, x, out, count);
}

}  // namespace brenlow::batch_math::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace brenlow::batch_math {
namespace {

bool twoLanes(Lanes lanes) {
#if HWY_ARCH_X86 && (HWY_TARGETS & HWY_SSE4)
    static const bool sse4 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("sse4.1") &&
               __builtin_cpu_supports("sse4.2");
    }();
    return lanes == Lanes::best && sse4;
#else
    (void)lanes;
    return false;
#endif
}

}  // namespace

#if HWY_ARCH_X86 && (HWY_TARGETS & HWY_SSE4)
#define BRENLOW_BATCH(call) (twoLanes(lanes) ? N_SSE4::call : N_SCALAR::call)
#else
#define BRENLOW_BATCH(call) ((void)twoLanes(lanes), HWY_STATIC_DISPATCH(call))
#endif

void sines(const double* in, double* out, std::size_t count, Lanes lanes) {
    BRENLOW_BATCH(sines)(in, out, count);
}
void cosines(const double* in, double* out, std::size_t count, Lanes lanes) {
    BRENLOW_BATCH(cosines)(in, out, count);
}
void exponentials(const double* in, double* out, std::size_t count, Lanes lanes) {
    BRENLOW_BATCH(exponentials)(in, out, count);
}
void arctangents(const double* y, const double* x, double* out, std::size_t count, Lanes lanes) {
    BRENLOW_BATCH(arctangents)(y, x, out, count);
}

}  // namespace brenlow::batch_math
#endif
