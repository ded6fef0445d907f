#pragma once

#include <QImage>

namespace brenlow {

// The part two 24-bit pictures share, counted from the bottom-left corner: the decoded picture
// of an odd-sized source lacks the source's top row and right column. Row 0 is the bottom row.
struct CommonArea {
    const QImage& reference;
    const QImage& test;
    int width = 0;
    int height = 0;

    const uchar* referenceRow(int r) const { return reference.constScanLine(reference.height() - 1 - r); }
    const uchar* testRow(int r) const { return test.constScanLine(test.height() - 1 - r); }
};

// Y = 0.299 R + 0.587 G + 0.114 B of one BGR pixel, kept in double.
inline double lumaOf(const uchar* bgr) { return 0.299 * bgr[2] + 0.587 * bgr[1] + 0.114 * bgr[0]; }

}  // namespace brenlow
