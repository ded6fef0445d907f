#pragma once

#include <string>

namespace brenlow {

// The values a figure can take, both ends included. NaN, an undefined figure (an SSIM of a picture
// too small for its window), always lies within; +infinity only where identical pictures reach it.
struct ValueBounds {
    double lowest = 0.0;
    double highest = 0.0;
    bool infinityReached = false;

    bool holds(double value) const;
    // "between 0 and 200, or inf"
    std::string text() const;
};

// A double in its shortest form that reads back the same: "0.5", "1e+200", "-inf", "nan".
std::string shortestText(double value);

}  // namespace brenlow
