#include "codecs/still_codecs.h"

#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/output_files.h"
#include "imaging/bitmap_bridge.h"
#include "io/bitmap_file.h"

namespace brenlow {

namespace {

CodedStill containAndDecode(const Bytes& jpeg, const StillParameters& parameters, const std::string& caption,
                            bool keepPlanes) {
    CodedStill coded;
    coded.file = buildCodedImage(CodedImageKind::AvcStill, divisorCode(parameters.divisor), parameters.passes, jpeg);
    coded.decoded = decodeAvcPicture(decodeCodedImage(coded.file, CodedImageKind::AvcStill), caption, keepPlanes);
    return coded;
}

}  // namespace

CodedStill codeAvcStill(const ImagePlanes& planes, const StillParameters& parameters, const std::string& caption) {
    return containAndDecode(codeHalfSize(planes, parameters.divisor, parameters.quality), parameters, caption, true);
}

CodedStill codeAvcStill(const DocumentView& document, const StillParameters& parameters, const std::string& caption) {
    return containAndDecode(codeHalfSize(document, parameters.divisor, parameters.quality), parameters, caption,
                            document.wantsDecodedPlanes);
}

StillRunResult encodeAvcStill(const DocumentView& document, const StillParameters& parameters) {
    const std::string& caption = document.caption;
    const std::string base = baseName(caption);
    const std::string codedPath = base + ".avc";
    const std::string decodedPath = base + "~.bmp";
    refuseOverwritingSources({caption, base + ".bmp"}, {codedPath, decodedPath});
    const std::uint64_t originalSize = fileSizeOf(caption);

    CodedStill coded = codeAvcStill(document, parameters, decodedPath);
    const QImage reference = sourceFilePicture(document);

    return writeOutputsAndReport({{codedPath, &coded.file}, {decodedPath, nullptr, &coded.decoded.bitmap}}, codedPath,
                                 originalSize, coded.file.size(), coded.decoded, reference);
}

}  // namespace brenlow
