#include "research/sweep.h"

#include <algorithm>
#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/still_codecs.h"
#include "imaging/bitmap_bridge.h"
#include "io/error.h"
#include "io/file_io.h"

namespace brenlow {
namespace {

CodedStill codeAt(const SweepSource& source, StillCodec codec, const StillParameters& parameters) {
    switch (codec) {
        case StillCodec::Jpeg:
            return codeJpegStill(source.bitmap, parameters.quality, source.caption);
        case StillCodec::Avc:
            return codeAvcStill(source.planes, parameters, source.caption);
        case StillCodec::Ajc:
            break;
    }
    return codeAjcStill(planesFromBitmap(source.references.at(codec)), parameters, source.caption);
}

SweepPoint measurePoint(const SweepSource& source, StillCodec codec, int quality, const SweepSettings& settings) {
    const StillParameters parameters{static_cast<std::uint8_t>(quality), settings.divisor, settings.passes};
    CodedStill coded = codeAt(source, codec, parameters);
    const QImage& reference = source.references.at(codec);
    SweepPoint point;
    point.codec = codec;
    point.quality = quality;
    point.measures = measureStill(reference, coded.decoded.bitmap, coded.file.size());
    const StillRunResult result = makeStillResult({}, source.originalSize, coded.file.size(),
                                                  std::move(coded.decoded), reportsSnr(codec) ? &reference : nullptr);
    point.figures = result.figures;
    point.reportLine = result.reportLine;
    return point;
}

}  // namespace

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
