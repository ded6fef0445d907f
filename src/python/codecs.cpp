#include "bindings.h"

namespace brenlow::python {

void bindCodecs(py::module_& /*module*/) {}

}  // namespace brenlow::python
