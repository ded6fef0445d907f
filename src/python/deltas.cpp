#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "bindings.h"
#include "brenlow/deltas.h"
#include "io/error.h"

namespace brenlow::python {
namespace {

// brenlow.BdRate: the deltas of one curve against an anchor, and what they were taken on.
struct BdRate {
    CurveDeltas deltas;
    std::string measure;
    std::string method;
};

// None, as a record gives a measure it lacks, is a point left out like any other non-finite one.
double numberOf(const py::handle value) {
    return value.is_none() ? std::numeric_limits<double>::quiet_NaN() : value.cast<double>();
}

std::vector<RatePoint> curveOf(const py::iterable& points, const char* argument) {
    std::vector<RatePoint> curve;
    for (const py::handle point : points) {
        if (py::isinstance<py::str>(point) || !py::isinstance<py::sequence>(point) || py::len(point) != 2)
            throw UsageError(std::string(argument) + ": each point is a (bits_per_pixel, value) pair; " +
                             py::repr(point).cast<std::string>() + " is not");
        const auto pair = py::reinterpret_borrow<py::sequence>(point);
        curve.push_back({numberOf(pair[0]), numberOf(pair[1])});
    }
    return curve;
}

BdRate bdRate(const py::iterable& anchor, const py::iterable& test, const std::string& measure,
              const std::string& method) {
    const std::vector<RatePoint> anchorCurve = curveOf(anchor, "anchor");
    const std::vector<RatePoint> testCurve = curveOf(test, "test");
    py::gil_scoped_release unlocked;
    return {curveDeltasNamed(anchorCurve, testCurve, measure, method), measure, method};
}

std::string bdRateText(const BdRate& rate) {
    const auto number = [](double value) { return py::repr(py::float_(value)).cast<std::string>(); };
    return "BdRate(percent=" + number(rate.deltas.rate.value) + ", quality_delta=" +
           number(rate.deltas.quality.value) + ", measure=" + py::repr(py::str(rate.measure)).cast<std::string>() +
           ", method=" + py::repr(py::str(rate.method)).cast<std::string>() +
           (rate.deltas.rate.weakOverlap ? ", weak_overlap=True)" : ")");
}

}  // namespace

void bindDeltas(py::module_& module) {
    py::class_<BdRate>(module, "BdRate",
                       "The Bjontegaard deltas of a test curve against an anchor, as the delta-rate tables of "
                       "sweeps and reports give them.")
        .def_property_readonly(
            "percent", [](const BdRate& r) { return r.deltas.rate.value; },
            "The delta rate in per cent: negative when the test needs fewer bits for the same quality; nan when "
            "a curve has too few points or the curves share no quality interval.")
        .def_property_readonly(
            "weak_overlap", [](const BdRate& r) { return r.deltas.rate.weakOverlap; },
            "True when the shared quality interval is under half of either curve's range: the rate then "
            "describes a small part of the curves.")
        .def_property_readonly(
            "shared_fraction_anchor", [](const BdRate& r) { return r.deltas.rate.sharedFractionAnchor; },
            "The share of the anchor's quality range the rate was averaged over.")
        .def_property_readonly(
            "shared_fraction_test", [](const BdRate& r) { return r.deltas.rate.sharedFractionTest; },
            "The share of the test's quality range the rate was averaged over.")
        .def_property_readonly(
            "quality_delta", [](const BdRate& r) { return r.deltas.quality.value; },
            "The delta quality (BD-PSNR for psnr) in the measure's unit, over the shared log10(bits per pixel) "
            "interval: positive is better for PSNR and SSIM dB, negative for CIEDE2000 and Butteraugli.")
        .def_property_readonly(
            "quality_weak_overlap", [](const BdRate& r) { return r.deltas.quality.weakOverlap; },
            "weak_overlap of the delta quality's interval.")
        .def_property_readonly(
            "quality_shared_fraction_anchor", [](const BdRate& r) { return r.deltas.quality.sharedFractionAnchor; },
            "The share of the anchor's log10(bits per pixel) range the delta quality was averaged over.")
        .def_property_readonly(
            "quality_shared_fraction_test", [](const BdRate& r) { return r.deltas.quality.sharedFractionTest; },
            "The share of the test's log10(bits per pixel) range the delta quality was averaged over.")
        .def_readonly("measure", &BdRate::measure, "The measure the curves plot.")
        .def_readonly("method", &BdRate::method, "How the curves were drawn: \"pchip\" or \"cubic\".")
        .def("__repr__", &bdRateText);
    module.def("bd_rate", &bdRate, py::arg("anchor"), py::arg("test"), py::arg("measure") = "psnr",
               py::arg("method") = "pchip",
               "The Bjontegaard delta rate of `test` against `anchor`, each a list of (bits_per_pixel, value) "
               "points of one measure, as sweeps and reports take it: a BdRate. `measure` is the key of a measure "
               "curves plot (psnr, psnr_y, ssim_y, ssim_y_db, ms_ssim_y, ms_ssim_y_db, ciede2000, butteraugli_max, "
               "butteraugli_3norm, ssimulacra2); one where lower is better is turned round for the fit. `method` "
               "is \"pchip\" (monotone piecewise cubic through the points) or \"cubic\" (a least-squares cubic "
               "fit). Points whose rate or value is not a finite number (or None) are left out. Raises "
               "UsageError for another measure or method, naming the choices.");
}

}  // namespace brenlow::python
