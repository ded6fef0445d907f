#include "codecs/still_codecs.h"

#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/output_files.h"
#include "imaging/bitmap_bridge.h"
#include "io/bitmap_file.h"

namespace brenlow {

namespace {

template <typename Picture>
Bytes avcFileOf(const Picture& picture, const StillParameters& parameters) {
    const Bytes jpeg = codeHalfSize(picture, parameters.divisor, parameters.quality);
    return buildCodedImage(CodedImageKind::AvcStill, divisorCode(parameters.divisor), parameters.passes, jpeg);
}

// Codes the picture (planes or a document) and decodes the result. The decoded picture, twice the
// halved size, is made meanwhile on another thread: the JPEG library codes on one core. A focus
// the decoder would refuse on that picture is refused before anything is coded.
template <typename Picture>
CodedStill codeAndDecode(const Picture& picture, QSize size, const StillParameters& parameters,
                         const std::string& caption, bool keepPlanes) {
    const int decodedWidth = size.width() / 2 * 2;
    const int decodedHeight = size.height() / 2 * 2;
    requireBoundedSharpening(parameters.passes, decodedWidth, decodedHeight, "The focus");
    BitmapInTheMaking decodedBitmap(decodedWidth, decodedHeight);
    CodedStill coded;
    coded.file = avcFileOf(picture, parameters);
    coded.decoded = decodeAvcPicture(decodeCodedImage(coded.file, CodedImageKind::AvcStill), caption, keepPlanes,
                                     &decodedBitmap);
    return coded;
}

// The size of the picture codeHalfSize codes: the planes when there are any, else the bitmap.
QSize codedPictureSize(const DocumentView& document) {
    if (document.planes != nullptr) {
        return {document.planes->width(), document.planes->height()};
    }
    return document.bitmap != nullptr ? document.bitmap->size() : QSize();
}

}  // namespace

CodedStill codeAvcStill(const ImagePlanes& planes, const StillParameters& parameters, const std::string& caption) {
    return codeAndDecode(planes, QSize(planes.width(), planes.height()), parameters, caption, true);
}

CodedStill codeAvcStill(const DocumentView& document, const StillParameters& parameters, const std::string& caption) {
    return codeAndDecode(document, codedPictureSize(document), parameters, caption, document.wantsDecodedPlanes);
}

Bytes encodeAvcFile(const ImagePlanes& planes, const StillParameters& parameters) {
    requireBoundedSharpening(parameters.passes, planes.width() / 2 * 2, planes.height() / 2 * 2, "The focus");
    return avcFileOf(planes, parameters);
}

StillRunResult encodeAvcStill(const DocumentView& document, const StillParameters& parameters) {
    const std::string& caption = document.caption;
    const std::string base = outputBaseName(caption);
    const std::string codedPath = base + ".avc";
    const std::string decodedPath = base + "~.bmp";
    refuseOverwritingSources({caption, base + ".bmp"}, {codedPath, decodedPath});
    const std::uint64_t originalSize = originalSizeOf(document);

    CodedStill coded = namingFileOnError(caption, [&] { return codeAvcStill(document, parameters, decodedPath); });
    const QImage reference = sourceFilePicture(document);

    return writeOutputsAndReport({{codedPath, &coded.file}, {decodedPath, nullptr, &coded.decoded.bitmap}}, codedPath,
                                 originalSize, coded.file.size(), coded.decoded, reference);
}

}  // namespace brenlow
