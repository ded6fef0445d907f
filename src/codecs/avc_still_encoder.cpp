#include "codecs/still_codecs.h"

#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/output_files.h"
#include "imaging/bitmap_bridge.h"
#include "io/bitmap_file.h"

namespace brenlow {

StillRunResult encodeAvcStill(const DocumentView& document, const StillParameters& parameters) {
    const std::string& caption = document.caption;
    const std::string base = baseName(caption);
    const std::string codedPath = base + ".avc";
    const std::string decodedPath = base + "~.bmp";
    refuseOverwritingSources({caption, base + ".bmp"}, {codedPath, decodedPath});
    const std::uint64_t originalSize = fileSizeOf(caption);

    ImagePlanes madePlanes;
    const Bytes jpeg = codeHalfSize(documentPlanes(document, madePlanes), parameters.divisor, parameters.quality);
    const Bytes container = buildCodedImage(CodedImageKind::AvcStill, divisorCode(parameters.divisor),
                                            parameters.passes, jpeg);
    DecodedPicture decoded = decodeAvcPicture(decodeCodedImage(container, CodedImageKind::AvcStill), decodedPath);
    const QImage reference = sourceFilePicture(caption);

    const Bytes decodedFile = encodeBitmap(decoded.bitmap);
    writeOutputs({{codedPath, &container}, {decodedPath, &decodedFile}});

    return makeStillResult(codedPath, originalSize, container.size(), std::move(decoded), &reference);
}

}  // namespace brenlow
