#include "research/sweep.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/still_codecs.h"
#include "imaging/bitmap_bridge.h"
#include "io/error.h"
#include "io/file_io.h"
#include "jpeg/jpeg_bridge.h"

namespace brenlow {
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The coded file alone: what the codec's command would write.
Bytes encodeAt(const SweepSource& source, StillCodec codec, const StillParameters& parameters) {
    switch (codec) {
        case StillCodec::Jpeg:
            return SaveAsJpeg(source.bitmap, parameters.quality);
        case StillCodec::Avc:
            return encodeAvcFile(source.planes, parameters);
        case StillCodec::Ajc:
            return encodeAjcFile(source.references.at(codec), parameters);
        default:
            return anchorCodecOf(codec)->encode(source.bitmap, parameters.quality);
    }
}

DecodedPicture decodeAt(StillCodec codec, const Bytes& file, const std::string& caption) {
    DecodedPicture decoded;
    decoded.caption = caption;
    switch (codec) {
        case StillCodec::Jpeg:
            LoadJpeg(decoded.bitmap, file);
            return decoded;
        case StillCodec::Avc:
            return decodeAvcPicture(decodeCodedImage(file, CodedImageKind::AvcStill), caption, false);
        case StillCodec::Ajc:
            return decodeAjcPicture(decodeCodedImage(file, CodedImageKind::AjcStill), caption, false);
        default:
            decoded.bitmap = anchorCodecOf(codec)->decode(file);
            return decoded;
    }
}

SweepPoint measurePoint(const SweepSource& source, StillCodec codec, int quality, const SweepSettings& settings) {
    const StillParameters parameters{static_cast<std::uint8_t>(quality), settings.divisor, settings.passes};
    SweepPoint point;
    point.codec = codec;
    point.quality = quality;
    const Clock::time_point encodeStart = Clock::now();
    const Bytes file = encodeAt(source, codec, parameters);
    point.encodeSeconds = secondsSince(encodeStart);
    const Clock::time_point decodeStart = Clock::now();
    DecodedPicture decoded = decodeAt(codec, file, source.caption);
    point.decodeSeconds = secondsSince(decodeStart);

    const QImage& reference = source.references.at(codec);
    point.measures = measureStill(reference, decoded.bitmap, file.size(), settings.measures);
    point.megapixels = static_cast<double>(reference.width()) * reference.height() / 1e6;
    const StillRunResult result = makeStillResult({}, source.originalSize, file.size(), std::move(decoded),
                                                  reportsSnr(codec) ? &reference : nullptr);
    point.figures = result.figures;
    point.reportLine = result.reportLine;
    return point;
}

}  // namespace

double megapixelsPerSecond(double megapixels, double seconds) {
    return seconds > 0.0 ? megapixels / seconds : std::numeric_limits<double>::infinity();
}

SweepSource prepareSweep(const DocumentView& document, const SweepSettings& settings) {
    if (document.bitmap == nullptr || document.bitmap->isNull()) {
        throw Error("The document \"" + document.caption + "\" has no picture");
    }
    SweepSource source;
    source.caption = document.caption;
    source.originalSize = fileSizeOf(document.caption);
    source.bitmap = *document.bitmap;
    if (std::find(settings.codecs.begin(), settings.codecs.end(), StillCodec::Avc) != settings.codecs.end()) {
        // A focus the decoder would refuse is refused before the first point is coded.
        const QSize decoded(document.bitmap->width() / 2 * 2, document.bitmap->height() / 2 * 2);
        namingFileOnError(document.caption, [&] {
            requireBoundedSharpening(settings.passes, decoded.width(), decoded.height(), "The focus");
        });
        source.planes = document.planes != nullptr ? document.planes->clone() : planesFromBitmap(*document.bitmap);
    }
    for (StillCodec codec : settings.codecs)
        if (!source.references.contains(codec)) source.references[codec] = referencePictureFor(codec, document);
    return source;
}

SweepOutcome runSweep(const SweepSource& source, const SweepSettings& settings, const SweepProgress& progress) {
    SweepOutcome outcome;
    const int total = static_cast<int>(settings.codecs.size() * settings.qualities.size());
    for (StillCodec codec : settings.codecs) {
        for (int quality : settings.qualities) {
            if (progress && !progress(static_cast<int>(outcome.points.size()), total)) {
                outcome.cancelled = true;
                return outcome;
            }
            outcome.points.push_back(measurePoint(source, codec, quality, settings));
        }
    }
    if (progress) progress(total, total);
    return outcome;
}

}  // namespace brenlow
