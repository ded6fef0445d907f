#include "codecs/still_codecs.h"

#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/output_files.h"
#include "imaging/bitmap_bridge.h"

namespace brenlow {

StillRunResult encodeAjcStill(const DocumentView& document, const StillParameters& parameters) {
    const std::string& caption = document.caption;
    const std::string base = baseName(caption);
    const std::string codedPath = base + ".ajc";
    refuseOverwritingSources({caption, base + ".bmp"}, {codedPath});
    const std::uint64_t originalSize = fileSizeOf(caption);

    ImagePlanes planes = planesFromBitmap(sourceFilePicture(caption));
    const Bytes jpeg = codeQuantised(planes, parameters.divisor, parameters.quality);
    const Bytes container = buildCodedImage(CodedImageKind::AjcStill, divisorCode(parameters.divisor), 0, jpeg);
    DecodedPicture decoded =
        decodeAjcPicture(decodeCodedImage(container, CodedImageKind::AjcStill), base + "~.bmp");

    writeOutputs({{codedPath, &container}});

    return makeStillResult(codedPath, originalSize, container.size(), std::move(decoded), nullptr);
}

}  // namespace brenlow
