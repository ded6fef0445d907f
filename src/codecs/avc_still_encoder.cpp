#include "codecs/still_codecs.h"

#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/output_files.h"
#include "imaging/bitmap_bridge.h"
#include "io/bitmap_file.h"

namespace brenlow {

CodedStill codeAvcStill(const ImagePlanes& planes, const StillParameters& parameters, const std::string& caption) {
    const Bytes jpeg = codeHalfSize(planes, parameters.divisor, parameters.quality);
    CodedStill coded;
    coded.file = buildCodedImage(CodedImageKind::AvcStill, divisorCode(parameters.divisor), parameters.passes, jpeg);
    coded.decoded = decodeAvcPicture(decodeCodedImage(coded.file, CodedImageKind::AvcStill), caption);
    return coded;
}

StillRunResult encodeAvcStill(const DocumentView& document, const StillParameters& parameters) {
    const std::string& caption = document.caption;
    const std::string base = baseName(caption);
    const std::string codedPath = base + ".avc";
    const std::string decodedPath = base + "~.bmp";
    refuseOverwritingSources({caption, base + ".bmp"}, {codedPath, decodedPath});
    const std::uint64_t originalSize = fileSizeOf(caption);

    ImagePlanes madePlanes;
    CodedStill coded = codeAvcStill(documentPlanes(document, madePlanes), parameters, decodedPath);
    const QImage reference = sourceFilePicture(caption);

    const Bytes decodedFile = encodeBitmap(coded.decoded.bitmap);
    writeOutputs({{codedPath, &coded.file}, {decodedPath, &decodedFile}});

    return makeStillResult(codedPath, originalSize, coded.file.size(), std::move(coded.decoded), &reference);
}

}  // namespace brenlow
