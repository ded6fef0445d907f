#pragma once

// Python's headers come before Qt's, whose `slots` keyword would clash with them.
#include "bindings.h"

#include <QJsonValue>

namespace brenlow::python {

// A JSON value of the core's records as Python has it from json.loads: dicts, lists, str, int for
// whole numbers, float, bool, None.
py::object pythonOf(const QJsonValue& value);

}  // namespace brenlow::python
