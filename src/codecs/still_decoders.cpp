#include "codecs/still_codecs.h"

#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/document.h"
#include "codecs/output_files.h"
#include "codecs/quantiser.h"
#include "imaging/bitmap_bridge.h"
#include "imaging/sharpening.h"
#include "io/bitmap_file.h"
#include "io/error.h"

namespace brenlow {
namespace {

constexpr float kSharpeningStrength = 0.125f;

std::string decodedNameFor(const std::string& path) { return baseName(path) + "~.bmp"; }

void requireFewPasses(std::int32_t passes) {
    if (passes > kMaxSharpeningPasses) {
        throw Error("The file asks for " + std::to_string(passes) + " sharpening passes; at most " +
                    std::to_string(kMaxSharpeningPasses) + " are done");
    }
}

}  // namespace

DecodedPicture decodeAvcPicture(const CodedImage& coded, const std::string& caption) {
    requireFewPasses(coded.extraWord);
    ImagePlanes planes = enlargeDecoded(coded);
    for (std::int32_t pass = 0; pass < coded.extraWord; ++pass) {
        SharpenImage(planes, kSharpeningStrength);
    }
    DecodedPicture picture;
    picture.caption = caption;
    picture.bitmap = bitmapFromPlanes(planes);
    picture.planes = std::move(planes);
    return picture;
}

DecodedPicture decodeAjcPicture(const CodedImage& coded, const std::string& caption) {
    ImagePlanes scaled = planesFromBitmap(coded.bitmap);
    dequantisePlanes(scaled, coded.multiplier);
    DecodedPicture picture;
    picture.caption = caption;
    picture.bitmap = bitmapFromPlanes(scaled);
    picture.planes = planesFromBitmap(picture.bitmap);
    return picture;
}

DecodedPicture DecodeAvcFile(const std::string& path) {
    DecodedPicture picture = decodeAvcPicture(readCodedImage(path, CodedImageKind::AvcStill), decodedNameFor(path));
    const Bytes file = encodeBitmap(picture.bitmap);
    writeOutputs({{picture.caption, &file}});
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
    const CodedImage coded =
        readCodedImage(codedPath, route == DocumentRoute::AvcStill ? CodedImageKind::AvcStill : CodedImageKind::AjcStill);
    const DecodedPicture picture = route == DocumentRoute::AvcStill ? decodeAvcPicture(coded, target)
                                                                    : decodeAjcPicture(coded, target);
    const Bytes file = encodeBitmap(picture.bitmap);
    writeOutputs({{target, &file}});
    return target;
}

}  // namespace brenlow
