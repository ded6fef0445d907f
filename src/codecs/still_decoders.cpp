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

void requireFewPasses(std::int32_t passes) {
    if (passes > kMaxSharpeningPasses) {
        throw Error("The file asks for " + std::to_string(passes) + " sharpening passes; at most " +
                    std::to_string(kMaxSharpeningPasses) + " are done");
    }
}

}  // namespace

DecodedPicture decodeAvcPicture(const CodedImage& coded, const std::string& caption, bool keepPlanes,
                                BitmapInTheMaking* output) {
    requireFewPasses(coded.extraWord);
    DecodedPicture picture;
    picture.caption = caption;
    ImagePlanes planes;
    picture.bitmap = enlargeDecoded(coded, std::max(coded.extraWord, 0), kSharpeningStrength,
                                    keepPlanes ? &planes : nullptr, output);
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
    DecodedPicture picture = decodeAvcPicture(readCodedImage(path, CodedImageKind::AvcStill), decodedNameFor(path));
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
    const CodedImage coded =
        readCodedImage(codedPath, route == DocumentRoute::AvcStill ? CodedImageKind::AvcStill : CodedImageKind::AjcStill);
    const DecodedPicture picture = route == DocumentRoute::AvcStill ? decodeAvcPicture(coded, target, false)
                                                                    : decodeAjcPicture(coded, target, false);
    writeOutputs({{target, nullptr, &picture.bitmap}});
    return target;
}

}  // namespace brenlow
