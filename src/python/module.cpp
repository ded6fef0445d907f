#include "bindings.h"

PYBIND11_MODULE(_core, module) {
    module.doc() = "Brenlow's core: pictures, codecs at recorded settings, measures, sweeps and result folders";
    using namespace brenlow::python;
    bindErrors(module);
    bindPictures(module);
    bindCodecs(module);
    bindMeasures(module);
    bindDeltas(module);
    bindPythonCodec(module);
    bindStudies(module);
    bindStyles(module);
}
