#pragma once

#include <functional>

#include "bindings.h"
#include "brenlow/run_control.h"

namespace brenlow::python {

// Runs `work` on a thread of its own, the GIL released, while the calling thread waits for it: it
// wakes on the work's progress reports to call `progress(done, total, item)` (None: no calls) and
// checks for Ctrl-C or a notebook's interrupt. An exception raised there (a KeyboardInterrupt among
// them) cancels the work through `control`, waits for the items in flight, then is raised again.
// The work's own failure is thrown once it has ended. Waiting without the GIL lets codecs written
// in Python run on the core's threads meanwhile.
void runWhileWaiting(const std::function<void(const RunControl&)>& work, RunControl control,
                     const py::object& progress);

}  // namespace brenlow::python
