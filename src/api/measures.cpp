#include "brenlow/measures.h"

namespace brenlow {

PictureMeasures measurePictures(const Picture& reference, const Picture& distorted, const MeasureChoice& choice) {
    return measurePictures(reference.bitmap(), distorted.bitmap(), choice);
}

std::vector<MeasureFigure> measureFigures(const PictureMeasures& measures) {
    std::vector<MeasureFigure> figures;
    for (const MeasureRow* row : recordedMeasureRows()) figures.push_back({row->key, row->of(measures)});
    return figures;
}

}  // namespace brenlow
