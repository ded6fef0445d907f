#include "measures/value_bounds.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace brenlow {

bool ValueBounds::holds(double value) const {
    if (std::isnan(value)) return true;
    if (std::isinf(value)) return infinityReached && value > 0;
    return value >= lowest && value <= highest;
}

std::string ValueBounds::text() const {
    return "between " + shortestText(lowest) + " and " + shortestText(highest) + (infinityReached ? ", or inf" : "");
}

std::string shortestText(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string("n/a");
}

}  // namespace brenlow
