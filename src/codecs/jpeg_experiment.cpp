#include "codecs/still_codecs.h"

#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/output_files.h"
#include "imaging/bitmap_bridge.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "jpeg/jpeg_bridge.h"

namespace brenlow {

std::string experimentJpegName(const std::string& caption) {
    return outputBaseName(caption) + (hasMarker(caption, ".jpg") ? "~.jpg" : ".jpg");
}

CodedStill codeJpegStill(const QImage& bitmap, std::uint8_t quality, const std::string& caption,
                         const JpegOptions& options) {
    // The stream is decoded on another thread while it is coded.
    JpegCodedAndDecoded jpeg = SaveAsJpegAndDecode(bitmap, quality, options);
    CodedStill coded;
    coded.file = std::move(jpeg.bytes);
    coded.decoded.caption = caption;
    coded.decoded.bitmap = std::move(jpeg.decoded);
    return coded;
}

StillRunResult runJpegExperiment(const DocumentView& document, std::uint8_t quality, const JpegOptions& options) {
    const std::string& caption = document.caption;
    const std::string jpegPath = experimentJpegName(caption);
    const std::string decodedPath = outputBaseName(caption) + "~.bmp";
    refuseOverwritingSources({caption}, {jpegPath, decodedPath});
    const std::uint64_t originalSize = originalSizeOf(document);
    if (document.bitmap == nullptr) {
        throw Error("The document \"" + caption + "\" has no picture");
    }
    requirePictureAtLeast(document.bitmap->width(), document.bitmap->height(), 1, "The JPEG experiment");

    CodedStill coded =
        namingFileOnError(caption, [&] { return codeJpegStill(*document.bitmap, quality, decodedPath, options); });
    const QImage reference = documentFilePicture(document);

    return writeOutputsAndReport({{jpegPath, &coded.file}, {decodedPath, nullptr, &coded.decoded.bitmap}}, jpegPath,
                                 originalSize, coded.file.size(), coded.decoded, reference);
}

}  // namespace brenlow
