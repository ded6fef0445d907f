#include "brenlow/measures.h"

#include <future>

#include "codecs/document.h"
#include "io/bitmap_file.h"

namespace brenlow {

std::pair<QImage, QImage> readPicturePair(const std::string& reference, const std::string& distorted) {
    // Qt's image plugins belong to the thread that makes them: made on the reading thread, which
    // ends first, they are freed twice over at exit. Made here when that picture needs them.
    if (readThroughQtReaders(distorted)) prepareImageReaders();
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
