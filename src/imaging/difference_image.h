#pragma once

#include <QImage>
#include <utility>

namespace brenlow {

// Both 24-bit pictures cut to their common area, aligned at the bottom-left corner as the
// measures align them (an odd-sized source loses its top row or right column). Shares pixels with
// the inputs when nothing is cut.
std::pair<QImage, QImage> commonAreaOf(const QImage& reference, const QImage& test);

// |test - reference| x gain per sample, capped at 255, over the common area: 24-bit, black where
// the pictures agree. Throws Error unless both are Format_BGR888 with pixels in common and gain >= 1.
QImage amplifiedDifference(const QImage& reference, const QImage& test, int gain);

}  // namespace brenlow
