#include "codecs/still_codecs.h"

#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/output_files.h"
#include "imaging/bitmap_bridge.h"

namespace brenlow {

CodedStill codeAjcStill(ImagePlanes planes, const StillParameters& parameters, const std::string& caption) {
    const Bytes jpeg = codeQuantised(planes, parameters.divisor, parameters.quality);
    CodedStill coded;
    coded.file = buildCodedImage(CodedImageKind::AjcStill, divisorCode(parameters.divisor), 0, jpeg);
    coded.decoded = decodeAjcPicture(decodeCodedImage(coded.file, CodedImageKind::AjcStill), caption);
    return coded;
}

StillRunResult encodeAjcStill(const DocumentView& document, const StillParameters& parameters) {
    const std::string& caption = document.caption;
    const std::string base = baseName(caption);
    const std::string codedPath = base + ".ajc";
    refuseOverwritingSources({caption, base + ".bmp"}, {codedPath});
    const std::uint64_t originalSize = fileSizeOf(caption);

    CodedStill coded = codeAjcStill(planesFromBitmap(sourceFilePicture(caption)), parameters, base + "~.bmp");

    writeOutputs({{codedPath, &coded.file}});

    return makeStillResult(codedPath, originalSize, coded.file.size(), std::move(coded.decoded), nullptr);
}

}  // namespace brenlow
