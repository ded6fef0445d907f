#pragma once

#include <vector>

#include "measures/butteraugli.h"

namespace brenlow {

// One measurement handed to the JPEG XL library: both pictures of width x height as it reads them,
// on `threads` threads of its own (1: none).
struct ButteraugliCall {
    const ButteraugliPixels* reference = nullptr;
    const ButteraugliPixels* test = nullptr;
    int width = 0;
    int height = 0;
    int threads = 1;
    bool wantsMap = false;
};

// The distances, and the distance map row by row when the call asked for it.
struct ButteraugliOutcome {
    ButteraugliDistance distance;
    std::vector<float> map;
};

// The library's measurement (built into the module of the JPEG XL library). Throws Error when it
// cannot measure the pair, for instance for want of memory.
ButteraugliOutcome measureWithLibrary(const ButteraugliCall& call);

}  // namespace brenlow
