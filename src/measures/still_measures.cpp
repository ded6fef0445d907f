#include "measures/still_measures.h"

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

StillMeasures measureStill(const PreparedReference& reference, const QImage& decoded, std::uint64_t codedBytes,
                           const MeasureChoice& choice, ByteEnergies& energies) {
    StillMeasures measures;
    measures.picture = measurePictures(reference, decoded, choice, energies);
    measures.bitsPerPixel = bitsPerPixel(codedBytes, reference.picture().width(), reference.picture().height());
    return measures;
}

}  // namespace brenlow
