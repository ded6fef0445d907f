#include "arrays.h"

#include <string>

#include "io/error.h"

namespace brenlow::python {
namespace {

std::string shapeText(const py::array& array) {
    std::string text = "(";
    for (py::ssize_t axis = 0; axis < array.ndim(); ++axis)
        text += (axis == 0 ? "" : ", ") + std::to_string(array.shape(axis));
    return text + (array.ndim() == 1 ? ",)" : ")");
}

[[noreturn]] void refuse(const char* argument, const std::string& what) {
    throw UsageError(std::string(argument) + ": " + what +
                     "; pass a (height, width, 3) numpy array of uint8 RGB values, top row first");
}

}  // namespace

Picture pictureOfArray(const py::array& array, const char* argument) {
    if (!array.dtype().is(py::dtype::of<std::uint8_t>()))
        refuse(argument, "the array holds " + py::str(array.dtype()).cast<std::string>() + " values");
    if (array.ndim() != 3 || array.shape(2) != 3) {
        const bool alpha = array.ndim() == 3 && array.shape(2) == 4;
        refuse(argument, "the array's shape is " + shapeText(array) +
                             (alpha ? ", with alpha, which the measures leave out: pass pixels[:, :, :3]" : ""));
    }
    const auto height = array.shape(0);
    const auto width = array.shape(1);
    if (height <= 0 || width <= 0 || height > INT32_MAX || width > INT32_MAX)
        refuse(argument, "the array's shape is " + shapeText(array));
    const bool rowsPacked = array.strides(2) == 1 && array.strides(1) == 3 && array.strides(0) >= 3 * width;
    if (rowsPacked)
        return Picture::viewing(static_cast<int>(width), static_cast<int>(height),
                                static_cast<const std::uint8_t*>(array.data()), static_cast<std::size_t>(array.strides(0)));
    const auto packed = py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast>::ensure(array);
    return Picture::fromPixels(static_cast<int>(width), static_cast<int>(height), packed.data(),
                               static_cast<std::size_t>(width) * 3);
}

py::array arrayOfPicture(Picture picture) {
    auto* kept = new Picture(std::move(picture));
    py::capsule owner(kept, [](void* held) { delete static_cast<Picture*>(held); });
    const auto height = static_cast<py::ssize_t>(kept->height());
    const auto width = static_cast<py::ssize_t>(kept->width());
    const auto stride = static_cast<py::ssize_t>(kept->rowStride());
    return py::array(py::dtype::of<std::uint8_t>(), {height, width, py::ssize_t{3}}, {stride, py::ssize_t{3}, py::ssize_t{1}},
                     kept->pixels(), owner);
}

}  // namespace brenlow::python
