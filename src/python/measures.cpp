#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "arrays.h"
#include "bindings.h"
#include "brenlow/deltas.h"
#include "brenlow/measures.h"
#include "brenlow/requests.h"
#include "brenlow/session.h"
#include "errors.h"

namespace brenlow::python {
namespace {

// A picture argument of measure: an array, viewed while the call lasts, or a file read as compare
// reads it (with the colour encoding it declares).
class PictureArgument {
public:
    PictureArgument(const py::object& given, const char* argument) {
        const py::object pathLike = py::module_::import("os").attr("PathLike");
        if (py::isinstance<py::str>(given) || py::isinstance(given, pathLike)) {
            path_ = py::str(py::module_::import("os").attr("fspath")(given)).cast<std::string>();
            return;
        }
        py::array array = py::array::ensure(given);
        if (!array) array = py::array(given);
        picture_ = pictureOfArray(array, argument);
        array_ = std::move(array);
    }

    bool isFile() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

    // The pixels to measure: the file read now, as compare reads it, so that the caller may do it
    // without the interpreter's lock; else the array's.
    QImage bitmap() const {
        if (path_.empty()) return picture_.bitmap();
        return aboutFile(path_, [&] { return Picture::read(path_).bitmap(); });
    }

private:
    // Kept alive, as picture_ may view its memory; a plain object, so that files alone never load NumPy.
    py::object array_;
    Picture picture_;
    std::string path_;
};

MeasureChoice measureChoiceOf(const py::object& measures) {
    if (measures.is_none()) return MeasureChoice();
    std::vector<std::string> names;
    if (py::isinstance<py::str>(measures)) {
        const std::string text = measures.cast<std::string>();
        for (std::size_t start = 0; start <= text.size();) {
            const std::size_t comma = std::min(text.find(',', start), text.size());
            if (comma > start) names.push_back(text.substr(start, comma - start));
            start = comma + 1;
        }
    } else {
        for (const py::handle name : measures) names.push_back(py::str(name).cast<std::string>());
    }
    return measureChoiceNamed(names);
}

std::string sizeText(const QImage& picture) {
    return std::to_string(picture.width()) + " x " + std::to_string(picture.height());
}

// Pictures of two sizes are measured over their common area, which a reader must not take for the whole.
void warnOfSizes(const QImage& reference, const QImage& distorted) {
    if (reference.size() == distorted.size()) return;
    const std::string shared = std::to_string(std::min(reference.width(), distorted.width())) + " x " +
                               std::to_string(std::min(reference.height(), distorted.height()));
    const std::string note = "The pictures differ in size: the reference is " + sizeText(reference) +
                             ", the distorted picture " + sizeText(distorted) + "; measured over the " + shared +
                             " they share, from the bottom-left corner";
    // Warnings made errors (python -W error) raise here.
    if (PyErr_WarnEx(PyExc_UserWarning, note.c_str(), 1) != 0) throw py::error_already_set();
}

// Two files are read side by side and measured as read, as compare does; an array is measured as the
// bitmap of its pixels.
std::pair<QImage, QImage> picturesToMeasure(const PictureArgument& reference, const PictureArgument& distorted) {
    if (reference.isFile() && distorted.isFile()) {
        try {
            return readPicturePair(reference.path(), distorted.path());
        } catch (const Error&) {
            // Told as each file alone tells it, naming the argument's file.
        }
    }
    QImage first = reference.bitmap();
    return {std::move(first), distorted.bitmap()};
}

py::dict measure(const py::object& reference, const py::object& distorted, const py::object& measures) {
    const MeasureChoice choice = measureChoiceOf(measures);
    const PictureArgument referenceArgument(reference, "reference");
    const PictureArgument distortedArgument(distorted, "distorted");
    std::pair<QImage, QImage> pictures;
    PictureMeasures measured;
    {
        py::gil_scoped_release unlocked;
        pictures = picturesToMeasure(referenceArgument, distortedArgument);
        measured = measurePictures(pictures.first, pictures.second, choice);
    }
    warnOfSizes(pictures.first, pictures.second);
    py::dict figures;
    for (const MeasureFigure& figure : measureFigures(measured))
        figures[figure.key] = std::isnan(figure.value) ? py::object(py::none()) : py::object(py::float_(figure.value));
    return figures;
}

std::string measureInfoText(const MeasureInfo& info) {
    return "MeasureInfo(" + py::repr(py::str(info.name)).cast<std::string>() + ", unit=" +
           py::repr(py::str(info.unit)).cast<std::string>() +
           ", higher_is_better=" + (info.higherIsBetter ? "True" : "False") + ")";
}

std::vector<MeasureInfo> measureInfos() { return Session().measures(); }

void bindMeasureInfo(py::module_& module) {
    py::class_<MeasureInfo>(module, "MeasureInfo", "A measure as brenlow.measure and the result files key it.")
        .def_readonly("name", &MeasureInfo::name, "The key of its figure: \"psnr_y\".")
        .def_readonly("label", &MeasureInfo::label, "As reports and panels name it: \"PSNR luma\".")
        .def_readonly("unit", &MeasureInfo::unit, "\"dB\", or \"\" for a plain number.")
        .def_readonly("higher_is_better", &MeasureInfo::higherIsBetter,
                      "False for the colour difference and the distances.")
        .def_readonly("group", &MeasureInfo::group,
                      "\"\" for the measures always taken, else the name in measures= that takes it.")
        .def("__repr__", &measureInfoText);
}

}  // namespace

void bindMeasures(py::module_& module) {
    bindMeasureInfo(module);
    module.def("measures", &measureInfos, "Every measure brenlow.measure gives: a list of MeasureInfo.");
    module.def("measure", &measure, py::arg("reference"), py::arg("distorted"), py::arg("measures") = py::none(),
               "The measures of `distorted` against `reference`, each a (height, width, 3) uint8 array or a "
               "picture file: a dict with the keys and figures of `brenlow-cli compare --json` (its \"measures\"). "
               "A file is read with the colour encoding it declares, as compare reads it; an array is sRGB. "
               "`measures` names the slower measures to take besides PSNR and SSIM, as --measures does (a list "
               "or a comma-separated text; \"none\" or [] for none; None for the command line's default). A "
               "figure not taken, or undefined for the pair, is None; the PSNR of identical pictures is inf. "
               "Pictures of two sizes are measured over the area they share, with a warning.");
}

}  // namespace brenlow::python
