#pragma once

#include <QImage>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "anchors/anchor_codec.h"
#include "codecs/document.h"

namespace brenlow {

// The three still-compression commands and the anchor codecs, as a researcher compares them, and
// codecs that are not built in: described by commands, or run elsewhere (their curves name them).
enum class StillCodec { Jpeg, Avc, Ajc, Webp, Avif, Jxl, Jp2, Command };

// The command-line name, as the codec registry lists it.
const char* codecName(StillCodec codec);

// The value of a library codec, by its command-line name. Throws Error for a library codec that
// has none.
StillCodec libraryCodecValue(std::string_view name);

// The codec of a command-line name, if there is one and it is built in.
std::optional<StillCodec> codecNamed(const std::string& name);

// Our three codecs, then the anchor codecs this build has; no codec described by commands.
const std::vector<StillCodec>& availableCodecs();

// The anchor codec behind `codec`; null for our three and for an anchor left out of this build.
const AnchorCodec* anchorCodecOf(StillCodec codec);

// Whether the codec's report line carries the signal-to-noise ratios (the AJC line does not).
bool reportsSnr(StillCodec codec);

// The picture a codec's run is measured against, as its report line's ratios are: the JPEG
// experiment and the anchor codecs against the document's own file; the AVC and AJC codecs against the source file
// (base.bmp, or a JPEG document's own file), which is also what the AJC codec codes. Taken from
// the document's filePicture when that is the file meant. Throws Error.
QImage referencePictureFor(StillCodec codec, const DocumentView& document);

}  // namespace brenlow
