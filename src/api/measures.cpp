#include "brenlow/measures.h"

#include <future>

#include "codecs/document.h"

namespace brenlow {

std::pair<QImage, QImage> readPicturePair(const std::string& reference, const std::string& distorted) {
    std::future<QImage> reading = std::async(std::launch::async, [&distorted] { return loadDocumentPicture(distorted); });
    QImage first = loadDocumentPicture(reference);
    return {std::move(first), reading.get()};
}

PictureMeasures measurePictures(const Picture& reference, const Picture& distorted, const MeasureChoice& choice) {
    return measurePictures(reference.bitmap(), distorted.bitmap(), choice);
}

std::vector<MeasureFigure> measureFigures(const PictureMeasures& measures) {
    std::vector<MeasureFigure> figures;
    for (const MeasureRow* row : recordedMeasureRows()) figures.push_back({row->key, row->of(measures)});
    return figures;
}

}  // namespace brenlow
