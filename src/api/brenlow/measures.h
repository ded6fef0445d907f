#pragma once

// The picture measures and the measure table every writer, panel and chart iterates, with the
// measures' own questions (whether Butteraugli is built, its heat map, a picture's colour encoding).
#include "measures/butteraugli.h"
#include "measures/linear_srgb.h"
#include "measures/measure_table.h"
#include "measures/measures.h"
#include "measures/prepared_reference.h"
#include "measures/still_measures.h"
#include "measures/undefined_measures.h"

#include <QImage>
#include <string>
#include <utility>
#include <vector>

#include "brenlow/picture.h"

namespace brenlow {

// The measures of `distorted` against `reference` as `brenlow-cli compare` takes them: each picture
// in the colour encoding it declares (pixels given without one are sRGB), over the area the two
// share. Throws Error as the core's measures do.
PictureMeasures measurePictures(const Picture& reference, const Picture& distorted, const MeasureChoice& choice);

// The two files of a pair read side by side, each as it was read (in the colour encoding it
// declares), as compare reads and measures them. Throws Error naming the file; of two that fail,
// the reference's.
std::pair<QImage, QImage> readPicturePair(const std::string& reference, const std::string& distorted);

// One figure of a picture pair under the key its record gives it.
struct MeasureFigure {
    const char* key;
    double value;  // NaN: not taken, or undefined for the pair; +infinity: a PSNR of identical pictures
};

// The figures a pair's record gives (compare --json's "measures"), in the record's order.
std::vector<MeasureFigure> measureFigures(const PictureMeasures& measures);

}  // namespace brenlow
