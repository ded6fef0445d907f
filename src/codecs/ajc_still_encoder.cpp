#include "codecs/still_codecs.h"

#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/output_files.h"
#include "imaging/bitmap_bridge.h"
#include "jpeg/jpeg_bridge.h"

namespace brenlow {

namespace {

Bytes ajcFileOf(const Bytes& jpeg, const StillParameters& parameters) {
    return buildCodedImage(CodedImageKind::AjcStill, divisorCode(parameters.divisor), 0, jpeg);
}

// The JPEG stream was decoded on another thread while it was coded; the quantised picture it
// was coded from is gone by now, so that it never lives beside the decoded one multiplied back.
CodedStill containAndDecode(JpegCodedAndDecoded jpeg, const StillParameters& parameters, const std::string& caption,
                            bool keepPlanes) {
    CodedStill coded;
    coded.file = ajcFileOf(jpeg.bytes, parameters);
    coded.decoded = decodeAjcPicture(codedImageOfDecoding(std::move(jpeg.decoded), divisorCode(parameters.divisor), 0),
                                     caption, keepPlanes);
    return coded;
}

}  // namespace

CodedStill codeAjcStill(ImagePlanes planes, const StillParameters& parameters, const std::string& caption) {
    JpegCodedAndDecoded jpeg = SaveAsJpegAndDecode(quantisedPicture(planes, parameters.divisor), parameters.quality);
    return containAndDecode(std::move(jpeg), parameters, caption, true);
}

CodedStill codeAjcStill(const QImage& source, const StillParameters& parameters, const std::string& caption,
                        bool keepPlanes) {
    JpegCodedAndDecoded jpeg = SaveAsJpegAndDecode(quantisedPicture(source, parameters.divisor), parameters.quality);
    return containAndDecode(std::move(jpeg), parameters, caption, keepPlanes);
}

Bytes encodeAjcFile(const QImage& source, const StillParameters& parameters) {
    return ajcFileOf(codeQuantised(source, parameters.divisor, parameters.quality), parameters);
}

StillRunResult encodeAjcStill(const DocumentView& document, const StillParameters& parameters) {
    const std::string& caption = document.caption;
    const std::string base = outputBaseName(caption);
    const std::string codedPath = base + ".ajc";
    refuseOverwritingSources({caption, base + ".bmp"}, {codedPath});
    const std::uint64_t originalSize = originalSizeOf(document);

    const QImage source = sourceFilePicture(document);
    CodedStill coded = namingFileOnError(
        caption, [&] { return codeAjcStill(source, parameters, base + "~.bmp", document.wantsDecodedPlanes); });

    writeOutputs({{codedPath, &coded.file}});

    return makeStillResult(codedPath, originalSize, coded.file.size(), std::move(coded.decoded), nullptr);
}

}  // namespace brenlow
