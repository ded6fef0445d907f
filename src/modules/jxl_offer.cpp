#include "anchors/built_in_codecs.h"
#include "modules/module_table.h"

namespace brenlow {

// Butteraugli comes from the same library, where its release ships jxl/butteraugli.h.
ModuleTable moduleOffer() {
#ifdef BRENLOW_HAS_BUTTERAUGLI
    return {kModuleInterface, BRENLOW_VERSION, &anchors::jxlCodec(), nullptr, measureWithLibrary};
#else
    return {kModuleInterface, BRENLOW_VERSION, &anchors::jxlCodec(), nullptr, nullptr};
#endif
}

}  // namespace brenlow
