#include <string>
#include <vector>

#include "bindings.h"
#include "brenlow/styles.h"

namespace brenlow::python {
namespace {

std::string curveStyleText(const CurveStyle& style) {
    std::string dash = "[";
    for (const double length : style.dash)
        dash += (dash.size() > 1 ? ", " : "") + py::repr(py::float_(length)).cast<std::string>();
    return "CurveStyle(colour=" + py::repr(py::str(style.colour)).cast<std::string>() + ", marker=" +
           py::repr(py::str(std::string(markerName(style.marker)))).cast<std::string>() + ", dash=" + dash + "])";
}

void bindCurveStyle(py::module_& module) {
    py::class_<CurveStyle>(module, "CurveStyle", "How a curve is drawn in the report, the figures and the workbench.")
        .def_readonly("colour", &CurveStyle::colour, "\"#rrggbb\".")
        .def_property_readonly(
            "marker", [](const CurveStyle& style) { return std::string(markerName(style.marker)); },
            "\"circle\", \"square\", \"triangle\", \"diamond\", \"cross\", \"plus\" or \"star\".")
        .def_readonly("dash", &CurveStyle::dash, "On and off lengths in line widths; [] for a solid line.")
        .def("__eq__", [](const CurveStyle& style, const CurveStyle& other) { return style == other; })
        .def("__repr__", &curveStyleText);
}

}  // namespace

void bindStyles(py::module_& module) {
    bindCurveStyle(module);
    module.def("curve_styles", &curveStyles, py::arg("names"),
               "The CurveStyle of each curve drawn together, in their order, as every other figure of Brenlow "
               "draws them: a codec string keeps its style from one data set to the next.");
    module.def("interval95_half_width", &interval95HalfWidth, py::arg("deviation"), py::arg("count"),
               "Half the width of the 95 % confidence interval of a mean over `count` values whose sample "
               "standard deviation is `deviation` (Student's t); nan below two values.");
}

}  // namespace brenlow::python
