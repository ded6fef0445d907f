#include "codecs/still_codecs.h"

#include <algorithm>
#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/document.h"
#include "codecs/output_files.h"
#include "codecs/quantiser.h"
#include "imaging/bitmap_bridge.h"
#include "io/bitmap_file.h"
#include "io/error.h"

namespace brenlow {
namespace {

constexpr float kSharpeningStrength = 0.125f;

std::string decodedNameFor(const std::string& path) { return baseName(path) + "~.bmp"; }

void requireBoundedAvcWork(std::int32_t passes, int codedWidth, int codedHeight) {
    requireBoundedSharpening(passes, 2 * static_cast<std::int64_t>(codedWidth),
                             2 * static_cast<std::int64_t>(codedHeight), "The file");
}

// Everything an .avc still asks of the decoder, refused from the frame header alone: the JPEG's
// pixels are decoded only when their enlargement and its sharpening are within the limits.
void requireDecodableAvc(const CodedImageHeader& header, int codedWidth, int codedHeight) {
    // The pass limit first, on no pixels: its message holds whatever the picture's size.
    requireBoundedSharpening(header.extra_word, 0, 0, "The file");
    requirePictureAtLeast(codedWidth, codedHeight, 2, "Enlarging the coded picture");
    checkPictureSize(2 * static_cast<std::int64_t>(codedWidth), 2 * static_cast<std::int64_t>(codedHeight),
                     "The decoded picture");
    requireBoundedAvcWork(header.extra_word, codedWidth, codedHeight);
}

CodedImage readAvcStill(const std::string& path) {
    return readCodedImage(path, CodedImageKind::AvcStill, requireDecodableAvc);
}

}  // namespace

DecodedPicture decodeAvcPicture(const CodedImage& coded, const std::string& caption, bool keepPlanes,
                                BitmapInTheMaking* output, RowsInTheMaking* progress) {
    requireBoundedAvcWork(coded.extraWord, coded.bitmap.width(), coded.bitmap.height());
    DecodedPicture picture;
    picture.caption = caption;
    ImagePlanes planes;
    picture.bitmap = enlargeDecoded(coded, std::max(coded.extraWord, 0), kSharpeningStrength,
                                    keepPlanes ? &planes : nullptr, output, progress);
    if (keepPlanes) {
        picture.planes = std::move(planes);
    }
    return picture;
}

DecodedPicture decodeAjcPicture(const CodedImage& coded, const std::string& caption, bool keepPlanes) {
    // Decoded samples are whole numbers, so the multiplication back is a table of 256 bytes.
    DecodedPicture picture;
    picture.caption = caption;
    picture.bitmap = mappedBitmap(coded.bitmap, dequantiserTable(coded.multiplier));
    if (keepPlanes) {
        picture.planes = planesFromBitmap(picture.bitmap);
    }
    return picture;
}

DecodedPicture DecodeAvcFile(const std::string& path) {
    DecodedPicture picture = decodeAvcPicture(readAvcStill(path), decodedNameFor(path));
    writeOutputs({{picture.caption, nullptr, &picture.bitmap}});
    return picture;
}

DecodedPicture DecodeAjcFile(const std::string& path) {
    return decodeAjcPicture(readCodedImage(path, CodedImageKind::AjcStill), decodedNameFor(path));
}

std::string decodeStillToFile(const std::string& path, const std::string& outputPath) {
    const DocumentRoute route = routeDocument(path);
    if (route == DocumentRoute::Missing) {
        throw Error("Cannot open \"" + path + "\": no such file");
    }
    if (route != DocumentRoute::AvcStill && route != DocumentRoute::AjcStill) {
        throw Error("\"" + path + "\" is not an .avc or .ajc file");
    }
    const std::string codedPath = routedFileName(path, route);
    const std::string target = outputPath.empty() ? decodedNameFor(codedPath) : outputPath;
    refuseOverwritingSources({codedPath}, {target});
    const CodedImage coded = route == DocumentRoute::AvcStill ? readAvcStill(codedPath)
                                                              : readCodedImage(codedPath, CodedImageKind::AjcStill);
    const DecodedPicture picture = route == DocumentRoute::AvcStill ? decodeAvcPicture(coded, target, false)
                                                                    : decodeAjcPicture(coded, target, false);
    writeOutputs({{target, nullptr, &picture.bitmap}});
    return target;
}

}  // namespace brenlow
