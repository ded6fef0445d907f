#pragma once

#include <QImage>
#include <string>

#include "anchors/anchor_codec.h"
#include "codecs/document.h"
#include "codecs/still_codecs.h"

namespace brenlow {

// The picture coded by an anchor codec and decoded again in memory, nothing written; the decoded
// picture is captioned `caption` and has no planes. Throws Error.
// `settings` are resolved ones (every declared key); without them, the codec's defaults.
CodedStill codeAnchorStill(const QImage& picture, const AnchorCodec& codec, int quality, const std::string& caption,
                           const CodecSettings& settings);
CodedStill codeAnchorStill(const QImage& picture, const AnchorCodec& codec, int quality, const std::string& caption);

// The coded file an anchor experiment writes for a document: base + extension, or base + "~" +
// extension when that is the document's own file. Throws Error as outputBaseName.
std::string anchorCodedFileName(const std::string& caption, const AnchorCodec& codec);
// The same for any codec's extension (".webp").
std::string codedFileNameFor(const std::string& caption, const std::string& extension);

// Compress with an anchor codec: code the document's bitmap into base + extension (base + "~" +
// extension when that is the document's own file), decode it to base~.bmp, write both together
// and report as the JPEG experiment does, against the document's own file. Throws Error; on
// failure nothing is written.
StillRunResult runAnchorExperiment(const DocumentView& document, const AnchorCodec& codec, int quality,
                                   const CodecSettings& settings);
StillRunResult runAnchorExperiment(const DocumentView& document, const AnchorCodec& codec, int quality);

}  // namespace brenlow
