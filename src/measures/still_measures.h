#pragma once

#include <QImage>
#include <cstdint>

#include "measures/measures.h"

namespace brenlow {

// Every measure of one run: the decoded picture against the reference, and the coded bytes per
// pixel of the reference.
struct StillMeasures {
    PictureMeasures picture;
    double bitsPerPixel = 0.0;
};

// A decoded picture is in its source's colour encoding: every codec here gives back bare pixels, and
// so do most outside decoders. A decoded file that declares colours of its own (a decoder that
// converted them) keeps them.
QImage inSourceColours(const QImage& decoded, const QImage& source);

// The decoded picture is measured in the reference's colour encoding (inSourceColours).
StillMeasures measureStill(const QImage& reference, const QImage& decoded, std::uint64_t codedBytes,
                           const MeasureChoice& choice = {});

// The same, also handing back the channel energies behind the report line's ratios.
StillMeasures measureStill(const QImage& reference, const QImage& decoded, std::uint64_t codedBytes,
                           const MeasureChoice& choice, ByteEnergies& energies);

// The same against a reference prepared once for all of a picture's runs.
StillMeasures measureStill(const PreparedReference& reference, const QImage& decoded, std::uint64_t codedBytes,
                           const MeasureChoice& choice, ByteEnergies& energies);

}  // namespace brenlow
