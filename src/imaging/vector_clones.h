#pragma once

// Hot pixel loops are compiled twice, for AVX2 and for plain x86-64, and the better one is chosen
// when the program starts. Floating-point contraction is off for the whole project, so both
// versions give the same bits.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define BRENLOW_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define BRENLOW_VECTOR_CLONES
#endif

// Loops whose every output sample stands alone (no sums across samples) may also take 512-bit
// vectors, with the byte shuffles that come with them: the width changes nothing but the speed.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define BRENLOW_WIDE_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define BRENLOW_WIDE_VECTOR_CLONES
#endif
