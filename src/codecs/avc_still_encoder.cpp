#include "codecs/still_codecs.h"

#include <future>
#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/output_files.h"
#include "imaging/bitmap_bridge.h"
#include "io/bitmap_file.h"
#include "jpeg/jpeg_bridge.h"

namespace brenlow {

namespace {

template <typename Picture>
Bytes avcFileOf(const Picture& picture, const StillParameters& parameters) {
    const Bytes jpeg = codeHalfSize(picture, parameters.divisor, parameters.quality);
    return buildCodedImage(CodedImageKind::AvcStill, divisorCode(parameters.divisor), parameters.passes, jpeg);
}

// Codes the picture (planes or a document) and decodes the result. The JPEG library codes on one
// core: the stream is decoded on another while it is coded, and the decoded picture, twice the
// halved size, is made meanwhile on a third thread. A focus the decoder would refuse on that
// picture is refused before anything is coded. `progress`, when given, is told the decoded
// picture and its rows as they are finished.
template <typename Picture>
CodedStill codeAndDecode(const Picture& picture, QSize size, const StillParameters& parameters,
                         const std::string& caption, bool keepPlanes, RowsInTheMaking* progress = nullptr) {
    const int decodedWidth = size.width() / 2 * 2;
    const int decodedHeight = size.height() / 2 * 2;
    requireBoundedSharpening(parameters.passes, decodedWidth, decodedHeight, "The focus");
    BitmapInTheMaking decodedBitmap(decodedWidth, decodedHeight);
    const std::uint8_t code = divisorCode(parameters.divisor);
    JpegCodedAndDecoded jpeg = SaveAsJpegAndDecode(halfSizePicture(picture, parameters.divisor), parameters.quality);
    CodedStill coded;
    coded.file = buildCodedImage(CodedImageKind::AvcStill, code, parameters.passes, jpeg.bytes);
    coded.decoded = decodeAvcPicture(codedImageOfDecoding(std::move(jpeg.decoded), code, parameters.passes), caption,
                                     keepPlanes, &decodedBitmap, progress);
    return coded;
}

// The size of the picture halfSizePicture halves: the planes when there are any, else the bitmap.
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

    // The decoded picture's file is written while the picture is made: a bitmap file holds its rows
    // from the bottom up, the order in which the sharpening finishes them. The writer reads the
    // rows of `coded`, so it is declared after it: whatever throws, the writer is waited for before
    // the picture it reads goes.
    RowsInTheMaking decodedRows(kChannels);
    CodedStill coded;
    FileBeingWritten decodedFile[] = {
        std::async(std::launch::async, [&] { return prepareBitmapFileAsMade(decodedRows, decodedPath); })};
    try {
        coded = namingFileOnError(caption, [&] {
            return codeAndDecode(document, codedPictureSize(document), parameters, decodedPath,
                                 document.wantsDecodedPlanes, &decodedRows);
        });
    } catch (...) {
        decodedRows.abandon();  // the writer's own error then goes with its file
        throw;
    }
    const QImage reference = sourceFilePicture(document);

    return writeOutputsAndReport({{codedPath, &coded.file}}, codedPath, originalSize, coded.file.size(), coded.decoded,
                                 reference, decodedFile);
}

}  // namespace brenlow
