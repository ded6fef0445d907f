#include "bindings.h"

namespace brenlow::python {

void bindMeasures(py::module_& /*module*/) {}

}  // namespace brenlow::python
