#pragma once

#include <pybind11/numpy.h>

#include "brenlow/picture.h"
#include "bindings.h"

namespace brenlow::python {

// A picture argument: a (height, width, 3) uint8 array, viewed without a copy when its rows are
// C-contiguous, copied when only its strides differ. Anything else is refused with a UsageError that
// says what to pass. The picture views the array's memory: keep `array` alive while it is used.
Picture pictureOfArray(const py::array& array, const char* argument);

// The picture as a (height, width, 3) uint8 array that shares its pixels.
py::array arrayOfPicture(Picture picture);

}  // namespace brenlow::python
