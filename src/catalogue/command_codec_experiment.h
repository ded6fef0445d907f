#pragma once

#include "catalogue/command_codec.h"
#include "codecs/document.h"
#include "codecs/still_codecs.h"

namespace brenlow {

// Compress with a codec described by commands, as with an anchor codec: its programs code the
// document's bitmap into base + extension (base + "~" + extension when that is the document's own
// file) and decode it to base~.bmp; both are written together and reported against the document's
// own file. `settings` are resolved. Throws Error (runCommandCodec's, naming the picture); on
// failure nothing is written.
StillRunResult runCommandExperiment(const DocumentView& document, const CommandCodec& codec, int quality,
                                    const CodecSettings& settings);

}  // namespace brenlow
