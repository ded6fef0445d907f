#pragma once

#include <pybind11/functional.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

namespace brenlow::python {

namespace py = pybind11;

// Each part of the module defines its own functions and classes on the module.
void bindErrors(py::module_& module);
void bindPictures(py::module_& module);
void bindCodecs(py::module_& module);
void bindMeasures(py::module_& module);
void bindDeltas(py::module_& module);
void bindPythonCodec(py::module_& module);
void bindStudies(py::module_& module);
void bindStyles(py::module_& module);

}  // namespace brenlow::python
