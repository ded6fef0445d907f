#include "anchors/built_in_codecs.h"
#include "modules/module_table.h"
#include "report/lossless_webp.h"

namespace brenlow {

ModuleTable moduleOffer() { return {kModuleInterface, BRENLOW_VERSION, &anchors::webpCodec(), losslessWebpFile, nullptr}; }

}  // namespace brenlow
