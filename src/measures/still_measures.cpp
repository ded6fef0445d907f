#include "measures/still_measures.h"

#include <QColorSpace>

#include "measures/prepared_reference.h"

namespace brenlow {

StillMeasures measureStill(const QImage& reference, const QImage& decoded, std::uint64_t codedBytes,
                           const MeasureChoice& choice) {
    ByteEnergies energies;
    return measureStill(reference, decoded, codedBytes, choice, energies);
}

StillMeasures measureStill(const QImage& reference, const QImage& decoded, std::uint64_t codedBytes,
                           const MeasureChoice& choice, ByteEnergies& energies) {
    return measureStill(PreparedReference(reference), decoded, codedBytes, choice, energies);
}

QImage inSourceColours(const QImage& decoded, const QImage& source) {
    if (decoded.colorSpace().isValid()) return decoded;
    QImage declared = decoded;
    declared.setColorSpace(source.colorSpace());
    return declared;
}

StillMeasures measureStill(const PreparedReference& reference, const QImage& decoded, std::uint64_t codedBytes,
                           const MeasureChoice& choice, ByteEnergies& energies) {
    StillMeasures measures;
    measures.picture = measurePictures(reference, inSourceColours(decoded, reference.picture()), choice, energies);
    measures.bitsPerPixel = bitsPerPixel(codedBytes, reference.picture().width(), reference.picture().height());
    return measures;
}

}  // namespace brenlow
