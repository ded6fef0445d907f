#include "experiments/quality_list.h"

#include <algorithm>
#include <charconv>

#include "io/error.h"

namespace brenlow {
namespace {

// A quality from 1 to 100 written as plain decimal digits, or false.
bool readQuality(const std::string& part, int& value) {
    const char* end = part.data() + part.size();
    const auto [stop, error] = std::from_chars(part.data(), end, value);
    return !part.empty() && stop == end && error == std::errc() && value >= 1 && value <= 100;
}

std::vector<int> parseRange(const std::string& text, std::size_t first, std::size_t second) {
    int from = 0, to = 0, step = 0;
    if (!readQuality(text.substr(0, first), from) || !readQuality(text.substr(first + 1, second - first - 1), to) ||
        !readQuality(text.substr(second + 1), step) || from > to) {
        return {};
    }
    std::vector<int> qualities;
    for (int quality = from; quality <= to; quality += step) qualities.push_back(quality);
    return qualities;
}

std::vector<int> parseList(const std::string& text) {
    std::vector<int> qualities;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        int quality = 0;
        if (!readQuality(text.substr(start, comma - start), quality)) return {};
        qualities.push_back(quality);
        start = comma + 1;
    }
    return qualities;
}

std::string repeatedQuality(const std::vector<int>& qualities) {
    for (std::size_t i = 0; i < qualities.size(); ++i)
        if (std::find(qualities.begin(), qualities.begin() + static_cast<std::ptrdiff_t>(i), qualities[i]) !=
            qualities.begin() + static_cast<std::ptrdiff_t>(i))
            return "quality " + std::to_string(qualities[i]) + " is named twice";
    return {};
}

}  // namespace

std::vector<int> parseQualities(const std::string& text) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    return second == std::string::npos ? parseList(text) : parseRange(text, first, second);
}

// "FROM:TO:STEP" whose two ends read but run downward: the step only goes upward.
std::string downwardRange(const std::string& text) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    int from = 0, to = 0;
    if (second == std::string::npos || !readQuality(text.substr(0, first), from) ||
        !readQuality(text.substr(first + 1, second - first - 1), to) || from <= to)
        return {};
    return "FROM:TO:STEP counts upward from FROM to TO, and " + std::to_string(from) + " is above " +
           std::to_string(to) + " (write " + std::to_string(to) + ":" + std::to_string(from) + ":STEP)";
}

std::string qualitiesProblem(const std::string& text) {
    const std::vector<int> qualities = parseQualities(text);
    if (const std::string downward = downwardRange(text); !downward.empty()) return downward;
    if (qualities.empty()) return "qualities must be FROM:TO:STEP or a list, each 1..100";
    return repeatedQuality(qualities);
}

}  // namespace brenlow

namespace brenlow {

std::vector<double> parseBppTargets(const std::string& text) {
    std::vector<double> targets;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string part = text.substr(start, comma - start);
        start = comma + 1;
        // Plain decimal, as every number option reads: no exponent, hexadecimal, space or plus sign,
        // and a full stop whatever the locale.
        double target = 0.0;
        const char* end = part.data() + part.size();
        const auto [stop, error] = std::from_chars(part.data(), end, target, std::chars_format::fixed);
        if (part.empty() || error != std::errc() || stop != end || !(target > 0.0) || target > 64.0)
            throw Error("\"" + part + "\" is not a size in bits per pixel above 0 and at most 64");
        if (std::find(targets.begin(), targets.end(), target) != targets.end())
            throw Error("the size " + part + " is named twice");
        targets.push_back(target);
    }
    std::sort(targets.begin(), targets.end());
    return targets;
}

}  // namespace brenlow
