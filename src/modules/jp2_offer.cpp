#include "anchors/built_in_codecs.h"
#include "modules/module_table.h"

namespace brenlow {

ModuleTable moduleOffer() { return {kModuleInterface, BRENLOW_VERSION, &anchors::jp2Codec(), nullptr, nullptr}; }

}  // namespace brenlow
