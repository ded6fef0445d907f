#include "bindings.h"

namespace brenlow::python {

void bindStudies(py::module_& /*module*/) {}

}  // namespace brenlow::python
