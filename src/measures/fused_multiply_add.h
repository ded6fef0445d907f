#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

// Code that takes its fused multiply-adds as a template parameter is built three times on x86:
// inside functions marked BRENLOW_WIDE_FMA_TARGET, for processors with 512-bit vectors (GCC only),
// inside functions marked BRENLOW_FMA_TARGET, for processors with the instruction and the 256-bit
// vectors of its generation, and plainly, with the emulation, for the others (fastestFmaUnit()
// says which to run). All give the same bits, so the choice changes nothing but the speed.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__FP_FAST_FMAF)
#define BRENLOW_FMA_DISPATCH 1
#define BRENLOW_FMA_TARGET __attribute__((target("avx2,fma")))
#else
#define BRENLOW_FMA_DISPATCH 0
#define BRENLOW_FMA_TARGET
#endif
#if BRENLOW_FMA_DISPATCH && !defined(__clang__)
#define BRENLOW_WIDE_FMA_DISPATCH 1
#define BRENLOW_WIDE_FMA_TARGET __attribute__((target("arch=x86-64-v4")))
#else
#define BRENLOW_WIDE_FMA_DISPATCH 0
#define BRENLOW_WIDE_FMA_TARGET BRENLOW_FMA_TARGET
#endif
// The template code must be inlined into the marked function to be built for its processors.
#define BRENLOW_FMA_INLINE [[gnu::always_inline]] inline
// A loop whose iterations touch separate memory, to be vectorised by GCC without checks for
// overlap (clang's counterpart warns wherever it cannot vectorise, as in the emulation).
#if defined(__GNUC__) && !defined(__clang__)
#define BRENLOW_SEPARATE_ITERATIONS _Pragma("GCC ivdep")
#else
#define BRENLOW_SEPARATE_ITERATIONS
#endif

namespace brenlow {

// a b + c rounded once to float, by the processor's fused multiply-add. Only where the processor
// has the instruction is this one instruction; elsewhere the compiler calls the C library's fmaf,
// which is exact but slow.
struct ProcessorFma {
    static float apply(float a, float b, float c) { return std::fma(a, b, c); }
};

// The same result through double arithmetic, for processors without the instruction. The product
// of two floats is exact in double, but rounding the double sum and then that to float can miss
// the float nearest the exact sum: when the double lands on a float half-way point, its tie goes to
// the even float whichever side the exact sum lay. So the double sum is rounded to odd instead: an
// inexact sum keeps its last bit set, which never falls on a half-way point, and the one rounding
// to float is then the correct one.
struct EmulatedFma {
    static float apply(float a, float b, float c) {
        const double product = static_cast<double>(a) * static_cast<double>(b);
        const double addend = c;
        const double sum = product + addend;
        // What the double sum lost, exactly (two-sum).
        const double addendTaken = sum - product;
        const double lost = (product - (sum - addendTaken)) + (addend - addendTaken);
        const auto bits = std::bit_cast<std::uint64_t>(sum);
        // An inexact sum on an even last bit steps to its neighbour on the exact sum's side: away
        // from zero when the loss has the sum's sign. (Selects, not branches, so that loops of it
        // still turn into vector code.)
        const std::uint64_t towardExact = (lost > 0.0) == (sum > 0.0) ? 1u : ~std::uint64_t{0};
        const std::uint64_t step = lost != 0.0 && (bits & 1u) == 0 ? towardExact : 0u;
        return static_cast<float>(std::bit_cast<double>(bits + step));
    }
};

// The processor's multiply-add with its widest vectors, with 256-bit vectors, or the emulation.
enum class FmaUnit { wideProcessor, processor, emulated };

// Whether this processor can run code built for `unit`.
inline bool fmaUnitPresent(FmaUnit unit) {
#if BRENLOW_FMA_DISPATCH
    static const bool processor = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#if BRENLOW_WIDE_FMA_DISPATCH
    static const bool wide = __builtin_cpu_supports("x86-64-v4");
#else
    static const bool wide = processor;
#endif
    return unit == FmaUnit::emulated || (unit == FmaUnit::processor ? processor : wide);
#else
    (void)unit;
    return true;
#endif
}

// The fastest unit this processor has.
inline FmaUnit fastestFmaUnit() {
#if BRENLOW_FMA_DISPATCH || defined(__FP_FAST_FMAF)
    for (const FmaUnit unit : {FmaUnit::wideProcessor, FmaUnit::processor})
        if (fmaUnitPresent(unit)) return unit;
#endif
    return FmaUnit::emulated;
}

}  // namespace brenlow
