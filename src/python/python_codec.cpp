#include "bindings.h"

namespace brenlow::python {

void bindPythonCodec(py::module_& /*module*/) {}

}  // namespace brenlow::python
