#include "report/curve_styles.h"

#include <array>
#include <cstdint>
#include <optional>

namespace brenlow {
namespace {

// A palette for colour-blind readers, without its yellow, which is faint on white.
constexpr std::array<const char*, 7> kColours{"#0072b2", "#d55e00", "#009e73", "#cc79a7",
                                              "#e69f00", "#56b4e9", "#000000"};
constexpr std::array<MarkerShape, 7> kMarkers{MarkerShape::Circle, MarkerShape::Square,  MarkerShape::Triangle,
                                              MarkerShape::Diamond, MarkerShape::Cross, MarkerShape::Plus,
                                              MarkerShape::Star};
const std::array<std::vector<double>, 4> kDashes{std::vector<double>{}, std::vector<double>{6.0, 3.0},
                                                 std::vector<double>{1.5, 2.5},
                                                 std::vector<double>{8.0, 3.0, 1.5, 3.0}};

constexpr std::size_t kDistinctStyles = kColours.size() * kDashes.size();

// The built-in codecs in a fixed order: each plain name always has the style of its place.
constexpr std::array<std::string_view, 7> kBuiltInNames{"jpeg", "avc", "ajc", "webp", "avif", "jxl", "jp2"};

// The k-th style: colour and marker step together, and each round of seven shifts the markers and
// takes the next dash, so that no two of the first 28 look the same.
CurveStyle styleNumber(std::size_t k) {
    const std::size_t round = k / kColours.size();
    return {kColours[k % kColours.size()], kMarkers[(k + round) % kMarkers.size()],
            kDashes[round % kDashes.size()]};
}

std::uint32_t textHash(std::string_view text) {
    std::uint32_t hash = 2166136261u;
    for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

constexpr std::size_t kRounds = kDistinctStyles / kColours.size();

// The built-in codec a curve's name starts with ("avif" of "avif:speed=8"), or none.
std::optional<std::size_t> builtInFamily(std::string_view name) {
    const std::string_view codec = name.substr(0, name.find(':'));
    for (std::size_t i = 0; i < kBuiltInNames.size(); ++i)
        if (codec == kBuiltInNames[i]) return i;
    return std::nullopt;
}

// A built-in codec keeps its colour at any settings: its plain name takes the first round, other
// settings a later one, so that they differ by marker and dash.
std::size_t familyStyle(std::size_t family, std::string_view name) {
    if (name == kBuiltInNames[family]) return family;
    return family + kColours.size() * (1 + textHash(name) % (kRounds - 1));
}

// Other names take a style from their text, past the built-in codecs' first round.
std::size_t foreignStyle(std::string_view name) {
    return kBuiltInNames.size() + textHash(name) % (kDistinctStyles - kBuiltInNames.size());
}

// The first style from `start` on, stepping by `step`, that `free` allows; `start` when none does.
template <typename Free>
std::size_t firstFree(std::size_t start, std::size_t step, Free free) {
    for (std::size_t k = start, tried = 0; tried < kDistinctStyles; k = (k + step) % kDistinctStyles, ++tried)
        if (free(k)) return k;
    return start;
}

}  // namespace

std::string_view markerName(MarkerShape marker) {
    switch (marker) {
        case MarkerShape::Circle: return "circle";
        case MarkerShape::Square: return "square";
        case MarkerShape::Triangle: return "triangle";
        case MarkerShape::Diamond: return "diamond";
        case MarkerShape::Cross: return "cross";
        case MarkerShape::Plus: return "plus";
        case MarkerShape::Star: return "star";
    }
    return "circle";
}

std::vector<CurveStyle> curveStyles(const std::vector<std::string>& curveNames) {
    std::vector<bool> taken(kDistinctStyles, false);
    // Colours of the built-in codecs drawn here, which other curves keep clear of while they can.
    std::vector<bool> colourUsed(kColours.size(), false);
    for (const std::string& name : curveNames)
        if (const auto family = builtInFamily(name)) colourUsed[*family] = true;
    std::vector<CurveStyle> styles;
    for (const std::string& name : curveNames) {
        const auto untaken = [&](std::size_t k) { return !taken[k]; };
        std::size_t k = 0;
        if (const auto family = builtInFamily(name)) {
            k = firstFree(familyStyle(*family, name), kColours.size(), untaken);
        } else {
            k = firstFree(foreignStyle(name), 1,
                          [&](std::size_t each) { return !taken[each] && !colourUsed[each % kColours.size()]; });
            if (taken[k]) k = firstFree(k, 1, untaken);
            colourUsed[k % kColours.size()] = true;
        }
        if (taken[k]) k = firstFree(k, 1, untaken);
        taken[k] = true;
        styles.push_back(styleNumber(k));
    }
    return styles;
}

}  // namespace brenlow
