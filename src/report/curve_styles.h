#pragma once

#include <string>
#include <string_view>
#include <vector>

// How a curve is drawn wherever it is drawn (the report page, the paper figures, the workbench's
// charts, a notebook's plot), so that a reader who learnt it in one place finds it in the others and
// can tell curves apart without colour: each differs from the others by marker or dash as well.

namespace brenlow {

enum class MarkerShape { Circle, Square, Triangle, Diamond, Cross, Plus, Star };

struct CurveStyle {
    std::string colour;        // "#rrggbb", readable on white and told apart by colour-blind readers
    MarkerShape marker = MarkerShape::Circle;
    std::vector<double> dash;  // on and off lengths in line widths; empty: a solid line
    bool operator==(const CurveStyle&) const = default;
};

// "circle", "square", "triangle", "diamond", "cross", "plus", "star".
std::string_view markerName(MarkerShape marker);

// The styles of curves drawn together, in their order. A curve keeps its style from one data set to
// the next: a built-in codec has its own colour at any settings (its plain name its own marker and a
// solid line, other settings another marker and dash), and any other name takes a style from its
// text, kept clear of the built-in codecs' colours drawn beside it while any colour is left. A style
// already taken in the list is stepped past while any are left.
std::vector<CurveStyle> curveStyles(const std::vector<std::string>& curveNames);

}  // namespace brenlow
