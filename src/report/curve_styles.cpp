#include "report/curve_styles.h"

#include <array>
#include <cstdint>

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

std::size_t preferredStyle(std::string_view name) {
    for (std::size_t i = 0; i < kBuiltInNames.size(); ++i)
        if (name == kBuiltInNames[i]) return i;
    // Names of other codecs start past the built-in ones' first round, so that they rarely share
    // a built-in's colour and marker.
    return kBuiltInNames.size() + textHash(name) % (kDistinctStyles - kBuiltInNames.size());
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
    std::vector<CurveStyle> styles;
    for (const std::string& name : curveNames) {
        std::size_t k = preferredStyle(name);
        for (std::size_t step = 0; step < kDistinctStyles && taken[k]; ++step) k = (k + 1) % kDistinctStyles;
        taken[k] = true;
        styles.push_back(styleNumber(k));
    }
    return styles;
}

}  // namespace brenlow
